// The main window's state changes and what each state accepts.
#include "ui/run_state.h"

namespace pell::ui {

namespace state {

void DisableGUI(MainState& s) {
    s.startEnabled = false;
    s.closeEnabled = false;
    s.pickerEnabled = false;
}

void EnableGUI(MainState& s) {
    s.startEnabled = true;
    s.closeEnabled = true;
    s.pickerEnabled = true;
    s.glowRunning = true;
}

void Finish(MainState& s) {
    s.startEnabled = true;
    s.closeEnabled = true;
    s.term = true;
    EnableGUI(s);
}

void BeginRun(MainState& s) {
    s.glowRunning = false;
    DisableGUI(s);
    s.running = true;
    // From the press on a run is committed: a close granted in message box 2 or the picker would take
    // the window away from a run that still goes ahead.
    s.term = false;
}

void EndRun(MainState& s) { s.running = false; }

bool Accepts(const MainState& s, Request r) {
    switch (r) {
    case Request::Start: return s.startEnabled && !s.running;
    case Request::Close: return s.closeEnabled;
    case Request::About: return true;
    case Request::CloseFromSystem: return s.term;
    case Request::PickLanguage: return s.pickerEnabled;
    }
    return false;
}

}  // namespace state

}  // namespace pell::ui
