// The console program's portable side: its switches, its exit codes, the host that prints a run to
// standard output and answers message boxes without input, and the restart suppression of --no-restart.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/forwarding_system.h"
#include "base/host.h"
#include "record/restore.h"
#include "engine/run.h"
#include "i18n/translation.h"

namespace pell::console {

struct Options {
    bool help = false;
    bool yes = false;        // Yes/No boxes answered Yes
    bool noRestart = false;  // the restart command line printed, not started
    std::wstring logFolder;  // empty: the picker chooses nothing
    std::wstring extraDetections;
    std::wstring restore;    // --restore: a record or a log folder; the program restores instead of cleaning
    bool dryRun = false;     // with --restore: say what would be done, change nothing
    bool scan = false;       // --scan: report what a cleaning would do, change nothing
    bool anyMachine = false; // with --restore: a record written on another computer is used too
    std::wstring trace;      // --trace: the file what the program caught and let go is appended to
};

// Parses the switches (program name not included). False with a message on a usage error.
bool ParseOptions(const std::vector<std::wstring>& args, Options& options, std::wstring& error);
// The text --help prints.
std::wstring Usage();

// The window's picker can only choose a folder that exists; --log-folder must name one too, or every
// backup copy and the log itself would fail while the run still deletes. False with a message otherwise.
bool CheckLogFolder(System& sys, const std::wstring& folder, std::wstring& error);

// Exit codes a script can act on.
namespace exitcode {
constexpr int NothingFound = 0;
constexpr int Removed = 1;            // something removed; restart scheduled (or suppressed)
constexpr int Aborted = 2;            // an autorun key or value failed
constexpr int ServicesUnreadable = 3; // the services key could not be read: the run went no further
constexpr int AlreadyRunning = 4;     // another copy (console or window) is running
constexpr int DatabaseRefused = 5;    // the signature database is missing or failed its checks
constexpr int ExtraUnreadable = 6;    // the --extra-detections file could not be read
constexpr int LeftBehind = 7;         // something found, but a known worm could not be removed safely (also:
                                      // the record failed part way and the run stopped changing the machine)
constexpr int RecordUnwritable = 8;   // the log folder cannot hold the run's record: nothing was changed
constexpr int WouldChange = 11;       // --scan: a cleaning would change something
constexpr int Internal = 70;          // the translation resource is missing or broken, or an internal error
constexpr int Usage = 64;
// --restore
constexpr int Restored = 0;           // every change of the record that can be put back was
constexpr int RestoreLeftAlone = 9;   // something existed again, could not be restored, or a line was broken
constexpr int RestoreUnreadable = 10; // no record, unreadable, or refused: nothing was done
}  // namespace exitcode
int ExitCode(RunOutcome outcome);
int ExitCode(RestoreResult result);

// Runs the program's body. An exception escaping it would end the program through abort(), whose exit
// code 3 a script reads as "services key unreadable"; instead it is reported and the code is 70.
int Guarded(const std::function<int()>& body, const std::function<void(const std::wstring&)>& reportError);

// Prints the details lines as the run writes them and every message box with its text, answering
// OK, or No to Yes/No questions (Yes with `answerYes`). Progress is ignored. `print` receives UTF-8
// text, one or more whole lines each ending in "\n".
class ConsoleHost : public Host {
public:
    ConsoleHost(const Translation& translation, std::function<void(std::string_view)> print, bool answerYes);

    std::wstring DetailsText() const override { return details_; }
    std::size_t DetailsLength() const override { return details_.size(); }
    void SetDetailsText(const std::wstring& text) override;
    void AppendDetailsText(const std::wstring& text) override;
    void SetDetailsCaret(std::size_t) override {}
    void SetProg1(double) override {}
    void SetProg2(double) override {}
    void DoEvents() override {}
    int MsgBox(int code, bool yesNo) override;
    std::wstring Caption() const override;
    void SetTerm(bool) override {}
    void EnableGUI() override {}
    void EndProgram() override { ended_ = true; }

    bool Ended() const { return ended_; }

private:
    void PrintLines(std::wstring_view text, std::wstring_view prefix = {});

    const Translation& translation_;  // the program's one, which the run reads too
    std::function<void(std::string_view)> print_;
    bool answerYes_;
    std::wstring details_;
    bool ended_ = false;
};

// Starts every command line but the restart, which it prints instead (and answers as started, so the
// run's outcome is what it would have been).
class RestartSuppressor : public ForwardingSystem {
public:
    RestartSuppressor(System& inner, std::function<void(std::string_view)> print)
        : ForwardingSystem(inner), print_(std::move(print)) {}

    long StartCommandLine(const std::wstring& commandLine, ShowStyle style) override;

private:
    std::function<void(std::string_view)> print_;
};

}  // namespace pell::console
