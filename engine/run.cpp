// The run driver: folder values, the stages in their order, the removal log and the outcome.
#include "engine/run.h"

#include <algorithm>
#include <string_view>

#include "record/record_fields.h"
#include "record/record_writer.h"
#include "base/product.h"
#include "engine/removal_log.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "i18n/details.h"

namespace pell {
namespace {

void SetFolderValues(Engine& e) {
    Folders& f = e.folders;
    f.SystemDir = SystemDirectory(e.sys);
    f.WindowsDir = WindowsDirOf(f.SystemDir);
    std::wstring buffer;
    std::uint32_t length = e.sys.GetTempPath(buffer);
    f.TempPath = FolderAnswer(buffer, length);
    f.TempRoot = f.TempPath.substr(0, 3);
    // 64-bit Windows only; a folder the system names twice is walked once.
    buffer.clear();
    length = e.sys.GetSystemWow64Directory(buffer);
    f.SystemWow64Dir = length == 0 ? std::wstring() : FolderAnswer(buffer, length);
    if (Equals(f.SystemWow64Dir, f.SystemDir)) f.SystemWow64Dir.clear();
    if (f.LogFolder.empty()) f.LogFolder = f.TempRoot;
}

// The caption ends in "Virus Database   " and the version; the piece after it (up to a repeat of the
// marker) is the version. A caption without the marker gives an empty version.
std::wstring DatabaseVersionFromCaption(const std::wstring& caption) {
    static constexpr std::wstring_view kMarker = L"Virus Database   ";
    std::size_t at = caption.find(kMarker);
    if (at == std::wstring::npos) return {};
    std::size_t begin = at + kMarker.size();
    std::size_t end = caption.find(kMarker, begin);
    return caption.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin);
}

// The log is evidence, not the outcome: when it cannot be saved the details say so and the run goes on.
void SaveLog(Engine& e, const std::wstring& databaseVersion, const std::wstring& path, LogForm form) {
    if (!WriteRemovalLog(e.sys, path, RemovalLogText(databaseVersion, e.host.DetailsText(), form)))
        AppendDetailsLine(e.host, LogNotSavedLine(path));
}

}  // namespace

std::wstring SmartScanStoppedLine(const RuntimeError& error) {
    return L"SmartScan stopped: " + error.Description() + L" (" + error.Source() + L")";
}

std::wstring LeftBehindLine(const Translation& translation, std::size_t count) {
    return translation.Filled(textline::LeftBehindCount, std::to_wstring(count));
}

std::wstring RecordUnwritableLine(const std::wstring& folder) {
    return L"No record of this run could be written in \"" + folder +
           L"\" (read-only, or its disk is full): nothing was changed. Choose another folder for the log and backups.";
}

std::wstring RecordFailedLine(const std::wstring& recordPath) {
    return L"The record \"" + recordPath +
           L"\" could not be written further: the run stopped changing this computer. What it changed so far is "
           L"in the record; run it again with another folder for the log and backups.";
}

std::wstring PasswordAdviceLink() { return RedirectLink(14); }

std::wstring BeginRun(Engine& e) {
    SetFolderValues(e);
    e.fileRemoved = false;
    e.wormsLeftBehind.clear();
    e.leftAloneReported.clear();
    e.failures = 0;
    e.lastRecord.clear();
    e.digestCache.Clear();
    return DatabaseVersionFromCaption(e.host.Caption());
}

bool RunStagesInOrder(Engine& e, const RunStages& stages, StageResults& results) {
    RunFlags& flags = results.flags;
    try {
        stages.smartScan(e);
    } catch (const RuntimeError& error) {
        // No crypto provider: identification by digest is impossible on this machine, but the name
        // lists still clean it. Say why SmartScan stopped and go on where it would have ended, with
        // lstKeys empty: its registry pass may have listed all its Run keys before it raised, and the
        // autorun stages must see only the values of their own key.
        e.lstKeys.Clear();
        AppendDetailsLine(e.host, SmartScanStoppedLine(error));
        e.Details(status::LookingForServices);
    }
    results.services = stages.scanServices(e);
    // The services key could not be read: the stage has told the user and ended the program.
    if (e.programEnded) return false;
    // Once a change could not be written down, the stages that would change more are not run.
    results.processes = e.MayChange() && stages.scanProcesses(e);
    e.Details(status::ScanningRegistry);
    for (const auto* stage : {&stages.cleanMachineRun, &stages.cleanUserRun, &stages.cleanRunServices,
                              &stages.cleanRunOnce, &stages.cleanOtherUsersRun, &stages.cleanWinlogon})
        if (e.MayChange()) (*stage)(e, flags);
    e.Details(status::EnablingTools);
    if (e.MayChange()) stages.restorePolicies(e);
    e.Details(status::ScanningHostsFile);
    results.hostsCleaned = e.MayChange() && stages.cleanHostsFile(e);
    results.leftBehind = e.wormsLeftBehind.size();
    if (results.leftBehind != 0) AppendDetailsLine(e.host, LeftBehindLine(e.translation, results.leftBehind));
    return true;
}

RunOutcome RunCleaning(Engine& e, const RunStages& stages) {
    const std::wstring databaseVersion = BeginRun(e);
    RecordWriter record(e.sys, e.recordMd5);
    // Nothing is changed without its record: when the record cannot even be begun, the run ends here.
    if (!record.Begin(e.folders.LogFolder, StartLogPath(e.folders, e.sys), databaseVersion)) {
        AppendDetailsLine(e.host, RecordUnwritableLine(e.folders.LogFolder));
        e.host.SetTerm(true);
        e.host.EnableGUI();
        return RunOutcome::RecordUnwritable;
    }
    RecordingScope recording(e, record);
    auto finish = [&](const wchar_t* outcome, bool restart, const std::wstring& logPath) {
        record.Finish(outcome, e.failures, restart, logPath);
        e.lastRecord = record.Path();
    };

    StageResults results;
    if (!RunStagesInOrder(e, stages, results)) {
        finish(recordoutcome::kEnded, false, {});
        return RunOutcome::ProgramEnded;
    }
    const RunFlags& flags = results.flags;
    const bool servicesResult = results.services, processesResult = results.processes;
    const bool hostsCleaned = results.hostsCleaned;
    const std::size_t leftBehind = results.leftBehind;
    e.Details(status::SavingLog);
    const std::wstring timeText = e.sys.TimeText();
    const std::wstring dateText = e.sys.DateText();
    const std::wstring logPath = RemovalLogPath(e.folders.LogFolder, dateText, timeText);

    if (!record.Intact()) {
        AppendDetailsLine(e.host, RecordFailedLine(record.Path()));
        SaveLog(e, databaseVersion, logPath, LogForm::Normal);
        finish(recordoutcome::kRecordFailed, false, logPath);
        e.host.SetTerm(true);
        e.host.EnableGUI();
        return RunOutcome::RecordFailed;
    }

    if (flags.RegistryError) {
        SaveLog(e, databaseVersion, logPath, LogForm::Aborted);
        finish(recordoutcome::kAborted, false, logPath);
        e.host.MsgBox(box::NoRegistryAccess, false);
        // Back to idle, so the user can close the window or try again once the cause is fixed.
        e.host.SetTerm(true);
        e.host.EnableGUI();
        return RunOutcome::Aborted;
    }

    SaveLog(e, databaseVersion, logPath, LogForm::Normal);
    e.Details(status::Done);
    e.host.SetTerm(true);
    RunOutcome outcome;
    // A deleted file or a dropped hosts line is a found worm as much as an ended process; a worm left
    // behind was found too, and the restart takes what was marked for deletion at it. Box 5 would tell
    // the user the virus is gone: with a worm left behind the closing box says what is true instead.
    if (processesResult || flags.EntryRemoved || servicesResult || e.fileRemoved || hostsCleaned || leftBehind != 0) {
        e.host.MsgBox(leftBehind != 0 ? box::LeftBehind : box::VirusRemoved, false);
        // The box has promised a restart: say so when it cannot be scheduled.
        const bool restart = e.sys.StartCommandLine(kRestartCommandLine, ShowStyle::MinimizedFocus) != 0;
        if (!restart) AppendDetailsLine(e.host, kRestartNotStartedLine);
        finish(leftBehind != 0 ? recordoutcome::kLeftBehind : recordoutcome::kRemoved, restart, logPath);
        outcome = leftBehind != 0 ? RunOutcome::LeftBehind : RunOutcome::Removed;
    } else {
        finish(recordoutcome::kNothingFound, false, logPath);
        e.host.MsgBox(box::NoVirus, false);
        if (e.host.MsgBox(box::ChangePassword, true) == answer::Yes) e.sys.ShellOpen(PasswordAdviceLink());
        outcome = RunOutcome::NothingFound;
    }
    e.host.EnableGUI();
    return outcome;
}

RunOutcome StartCleaning(Engine& e, const std::function<std::wstring()>& pickFolder, const RunStages& stages) {
    e.host.MsgBox(box::ChooseFolder, false);
    std::wstring folder = pickFolder();
    if (folder.empty()) {
        e.host.MsgBox(box::NoFolderSelected, false);
        e.folders.LogFolder.clear();  // the run puts the log at the temporary folder's root
    } else {
        e.folders.LogFolder = folder.back() == L'\\' ? folder : folder + L"\\";
    }
    e.host.SetTerm(false);
    e.lstKeys.Clear();
    e.host.SetProg1(0);
    e.host.SetProg2(0);
    e.Details(status::StartingScan);
    return RunCleaning(e, stages);
}

}  // namespace pell
