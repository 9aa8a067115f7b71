// What a cleaning run needs from the window (or console) that runs it; implemented by the main window,
// the console program and the tests' scripted host.
#pragma once

#include <string>

namespace pell {

// Message-box codes: each selects one notice or question of the translated message box. The English
// text of each is in its comment.
namespace box {
constexpr int AlreadyRunning = 1;    // "Pellworth Remover is already running, please wait..."
constexpr int ChooseFolder = 2;      // "Please choose a folder to save Backup Files and your ... Log file to."
constexpr int NoFolderSelected = 3;  // "You have not selected a folder. >> Your log and backup files will be saved ..."
constexpr int NewerVersion = 4;      // "A newer version of Pellworth Remover is available. >> Do you wish to go ..."
constexpr int VirusRemoved = 5;      // "Any infected Keys have been removed, ... will restart automatically in 2 minutes. ..."
constexpr int NoVirus = 6;           // "No virus detected."
constexpr int ChangePassword = 7;    // "We strongly recommend you change your password, ... >> Would you like ...?"
constexpr int NoRegistryAccess = 8;  // "Unable to access the Registry, please ensure you are using an Administrator Account."
// The closing box of a run that found worms and left some behind; the restart follows as after box 5.
constexpr int LeftBehind = 9;        // "Some infected items could not be removed: they will be removed when ... >> Your computer will restart ..."
}  // namespace box

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

    // The translated message box of message-box code `code` (a box:: code); returns answer::Ok, Yes, No or None.
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
