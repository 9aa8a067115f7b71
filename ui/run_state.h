// The main window's run-state rules: which controls are enabled, whether the glow runs and which
// requests are served, from start-up through a run to idle.
#pragma once

namespace pell::ui {

// What the main window lets happen in each of its states.
enum class Request { Start, Close, About, CloseFromSystem, PickLanguage };
struct MainState {
    bool term = false;           // the window may be closed
    bool startEnabled = false;
    bool closeEnabled = false;
    bool pickerEnabled = false;
    bool glowRunning = false;    // Timer3
    bool running = false;        // a run is executing inside the START handler
    bool closePending = false;   // a permitted close arrived during the run; carried out after it
};
namespace state {
void DisableGUI(MainState& s);
void EnableGUI(MainState& s);  // also starts the glow
// The update check's last step (run at once until the update check exists).
void Finish(MainState& s);
// START pressed: the glow stops, the window is disabled and the run begins.
void BeginRun(MainState& s);
// The run driver returned (whatever it set on the way stays).
void EndRun(MainState& s);
bool Accepts(const MainState& s, Request r);
}  // namespace state

}  // namespace pell::ui
