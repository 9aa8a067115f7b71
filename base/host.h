// What a cleaning run needs from the window (or console) that runs it; implemented by the main window,
// the console program and the tests' scripted host.
#pragma once

#include <string>

namespace pell {

// Results of a message box.
namespace answer {
constexpr int None = 0, Ok = 1, Yes = 6, No = 7;
}

class Host {
public:
    virtual ~Host() = default;

    // The details box: its whole text, replacing it, appending to it, and moving its caret (a character
    // position; the box scrolls to show it).
    virtual std::wstring DetailsText() const = 0;
    virtual std::size_t DetailsLength() const = 0;
    virtual void SetDetailsText(const std::wstring& text) = 0;
    virtual void AppendDetailsText(const std::wstring& text) = 0;
    virtual void SetDetailsCaret(std::size_t position) = 0;

    // The two progress bars (current operation, total). Values arrive unclamped: above 100 is allowed
    // and 0 hides the fill. Both also let pending events run.
    virtual void SetProg1(double value) = 0;
    virtual void SetProg2(double value) = 0;
    // Lets pending window events run (timers, sockets, repaints).
    virtual void DoEvents() = 0;

    // The translated message box of message-box code `code` (1 to 8); returns answer::Ok, Yes, No or None.
    virtual int MsgBox(int code, bool yesNo) = 0;

    // The main window's caption (the run reads the database version out of it).
    virtual std::wstring Caption() const = 0;
    // Whether the window may be closed; and the return of the window to its idle state.
    virtual void SetTerm(bool term) = 0;
    virtual void EnableGUI() = 0;
    // Ends the program (after the services key could not be read). The engine returns right after it.
    virtual void EndProgram() = 0;
};

}  // namespace pell
