// A scan: the cleaning run's own stages against the what-if machine, reporting what a cleaning would do
// and changing nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/run.h"
#include "engine/what_if_system.h"

namespace pell {

enum class ScanOutcome {
    NothingFound,   // a cleaning would change nothing
    WouldChange,    // a cleaning would change something
    ProgramEnded,   // the services key could not be read: a cleaning would go no further either
    Refused,        // the run asked for a change the what-if machine does not model; it ended there
};

struct ScanResult {
    ScanOutcome outcome = ScanOutcome::NothingFound;
    std::size_t changes = 0;  // the record's change lines: what a cleaning would change
    std::wstring record;      // the record's path on the what-if machine (empty when none was made)
    std::wstring refusal;     // with Refused: the change that was asked for
};

// The fixed English line a scan writes in place of status line `code` (one that a cleaning ends in
// what it did: "...Removed", "...Terminated", "...Stopped", "Successfully backed up"); empty for
// every other line, which a scan writes as a cleaning does.
std::wstring ScanStatusLine(float code, std::wstring_view arg);
// The scan's last line.
std::wstring ScanSummaryLine(std::size_t changes);
// The file name a scan's record is saved under: the record's own, "Pellworth Scan " in front of its
// date and time instead of the removal log's words.
std::wstring ScanRecordName(const std::wstring& recordPath);

// The run of a scan, on an engine whose System is `whatIf` (on it, the stages' lines say what a cleaning
// would do): the folder values, every stage in its order,
// the record (held by the what-if machine) and the summary line. No message box is shown and nothing is
// started; LogFolder must be set (empty: the root of the temporary folder's drive).
ScanResult RunScan(Engine& e, WhatIfSystem& whatIf, const RunStages& stages = RunStages{});

// Writes the scan's record to `folder` of the real machine under ScanRecordName, never over an existing
// file; the path written, or empty when it could not be written whole.
std::wstring SaveScanRecord(System& real, const std::wstring& folder, const std::wstring& recordPath,
                            const std::string& bytes);

}  // namespace pell
