// The console program's --scan: the scan, then its record to the log folder or to standard output.
#include "app/pellclean/scan_command.h"

#include "app/pellclean/console.h"
#include "i18n/details.h"

namespace pell::console {

int ExitCode(ScanOutcome outcome) {
    switch (outcome) {
        case ScanOutcome::NothingFound: return exitcode::NothingFound;
        case ScanOutcome::WouldChange: return exitcode::WouldChange;
        case ScanOutcome::ProgramEnded: return exitcode::ServicesUnreadable;
        case ScanOutcome::Refused: return exitcode::Internal;
    }
    return exitcode::Internal;
}

int ScanCommand(Engine& e, WhatIfSystem& whatIf, System& real, const std::wstring& folder,
                const std::function<void(std::string_view)>& print,
                const std::function<void(const std::wstring&)>& printError) {
    // START without its questions: no folder to pick, no box about where the log goes.
    e.folders.LogFolder = folder.empty() || folder.back() == L'\\' ? folder : folder + L"\\";
    e.lstKeys.Clear();
    e.host.SetProg1(0);
    e.host.SetProg2(0);
    e.Details(status::StartingScan);
    const ScanResult result = RunScan(e, whatIf);
    if (result.outcome == ScanOutcome::Refused)
        printError(L"the scan was stopped before " + result.refusal +
                   L", a change it cannot make in memory; nothing on the machine was changed");

    const std::optional<std::string> record = result.record.empty() ? std::nullopt : whatIf.HeldFile(result.record);
    if (!record) {
        printError(L"no record of the scan could be made");
    } else if (folder.empty()) {
        print(*record);
        printError(L"the scan's record: standard output (no --log-folder given)");
    } else {
        const std::wstring saved = SaveScanRecord(real, e.folders.LogFolder, result.record, *record);
        if (saved.empty()) {
            printError(L"the scan's record could not be written in " + e.folders.LogFolder + L"; here it is:");
            print(*record);
        } else {
            printError(L"the scan's record: " + saved);
        }
    }
    return ExitCode(result.outcome);
}

}  // namespace pell::console
