// One cleaning run from START to the outcome, shared by the window and the console program.
#pragma once

#include <functional>
#include <string>

#include "engine/engine.h"
#include "engine/stages.h"

namespace pell {

enum class RunOutcome {
    NothingFound,   // normal outcome, message boxes 6 and 7, no restart
    Removed,        // normal outcome, message box 5 and the delayed restart started
    LeftBehind,     // a known worm could not be removed safely (the last lines say so): message box 9 and
                    // the delayed restart started
    Aborted,        // an autorun key or value failed: message box 8
    ProgramEnded,   // the services key could not be read: the program ends
    RecordUnwritable,  // the record's header could not be written in the log folder: nothing was changed
    RecordFailed,      // a change could not be written to the record: the run stopped changing the machine
};

// The stages a run calls, in order. The program always runs the real ones; tests script them to drive
// every outcome of the run.
struct RunStages {
    std::function<void(Engine&)> smartScan = SmartScan;
    std::function<bool(Engine&)> scanServices = ScanServices;
    std::function<bool(Engine&)> scanProcesses = ScanProcesses;
    std::function<void(Engine&, RunFlags&)> cleanMachineRun = CleanMachineRun;
    std::function<void(Engine&, RunFlags&)> cleanUserRun = CleanUserRun;
    std::function<void(Engine&, RunFlags&)> cleanRunServices = CleanRunServices;
    std::function<void(Engine&, RunFlags&)> cleanRunOnce = CleanRunOnce;
    std::function<void(Engine&, RunFlags&)> cleanOtherUsersRun = CleanOtherUsersRun;
    std::function<void(Engine&, RunFlags&)> cleanWinlogon = CleanWinlogon;
    std::function<void(Engine&)> restorePolicies = RestorePolicies;
    std::function<bool(Engine&)> cleanHostsFile = CleanHostsFile;
};

// The restart a run schedules when it removed something, started minimized with focus.
inline constexpr wchar_t kRestartCommandLine[] = L"shutdown.exe -r -t 120 -c \"Virus removal process\"";

// The page offered after a run that found nothing.
std::wstring PasswordAdviceLink();
class RuntimeError;
// The fixed English line written when SmartScan raised an error (the crypto provider is missing); the
// run goes on without identification by digest.
std::wstring SmartScanStoppedLine(const RuntimeError& error);

// The line, before "Saving Log...", that says how many known worm items the run left behind: files
// without a complete backup or that would not go, a hosts file or a service key it could not back up.
std::wstring LeftBehindLine(const Translation& translation, std::size_t count);

// The fixed English line of a run whose record could not be begun in `folder`: it changed nothing.
std::wstring RecordUnwritableLine(const std::wstring& folder);
// The fixed English line of a run that stopped because a change could not be written to its record.
std::wstring RecordFailedLine(const std::wstring& recordPath);

// The details line written when the restart could not be started (no translation carries one).
inline constexpr wchar_t kRestartNotStartedLine[] = L"Unable to schedule the restart, please restart the computer";

// The stages tell the record of this run what they change, for exactly as long as the run lasts.
class RecordingScope {
public:
    RecordingScope(Engine& e, ChangeSink& record) : e_(e) { e_.changes = &record; }
    RecordingScope(const RecordingScope&) = delete;
    RecordingScope& operator=(const RecordingScope&) = delete;
    // The provider of the record's digests is the run's: no handle of it outlives the run.
    ~RecordingScope() {
        e_.changes = nullptr;
        e_.recordMd5.Release();
    }

private:
    Engine& e_;
};

// What the stages of one run found and did.
struct StageResults {
    RunFlags flags;
    bool services = false;      // a worm service was stopped
    bool processes = false;     // a termination was attempted
    bool hostsCleaned = false;  // worm lines left the hosts file
    std::size_t leftBehind = 0; // known worm items that could not be removed safely
};

// The start of every run: the folder values, and nothing left of the last run's findings. Returns the
// database version the caption shows.
std::wstring BeginRun(Engine& e);
// The stages in their order, from SmartScan to the hosts file (and the left-behind line). False when
// the services key could not be read: the program has ended and the run goes no further.
bool RunStagesInOrder(Engine& e, const RunStages& stages, StageResults& results);

// The run driver: folder values, the stages in order, the log, the outcome.
RunOutcome RunCleaning(Engine& e, const RunStages& stages = RunStages{});

// START after the window has disabled itself: message box 2, the folder picker, message box 3 when
// nothing was chosen, LogFolder, Term False, lstKeys cleared, both bars 0, status code 1, RunCleaning.
RunOutcome StartCleaning(Engine& e, const std::function<std::wstring()>& pickFolder,
                         const RunStages& stages = RunStages{});

}  // namespace pell
