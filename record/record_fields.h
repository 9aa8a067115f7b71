// The names a record's lines are written with and read by: the kinds of line, the members, the kinds of
// change and the outcomes. tools/fleet_report.py keeps a copy of this table, and a test compares the two.
#pragma once

namespace pell {

// The value of a line's "record" member: what the line is.
namespace recordline {
inline constexpr wchar_t kHeader[] = L"header";
inline constexpr wchar_t kChange[] = L"change";
inline constexpr wchar_t kSummary[] = L"summary";
}  // namespace recordline

// The members of the lines.
namespace recordfield {
inline constexpr wchar_t kRecord[] = L"record";
// The header.
inline constexpr wchar_t kFormat[] = L"format";
inline constexpr wchar_t kProgram[] = L"program";
inline constexpr wchar_t kVersion[] = L"version";
inline constexpr wchar_t kDatabase[] = L"database";
inline constexpr wchar_t kMachine[] = L"machine";
inline constexpr wchar_t kUser[] = L"user";
inline constexpr wchar_t kStart[] = L"start";
inline constexpr wchar_t kLogFolder[] = L"log_folder";
inline constexpr wchar_t kScan[] = L"scan";
// A change.
inline constexpr wchar_t kKind[] = L"kind";
inline constexpr wchar_t kPath[] = L"path";
inline constexpr wchar_t kPid[] = L"pid";
inline constexpr wchar_t kAttributes[] = L"attributes";
inline constexpr wchar_t kSize[] = L"size";
inline constexpr wchar_t kMd5[] = L"md5";
inline constexpr wchar_t kBackup[] = L"backup";
inline constexpr wchar_t kAtRestart[] = L"at_restart";
inline constexpr wchar_t kRoot[] = L"root";
inline constexpr wchar_t kView[] = L"view";
inline constexpr wchar_t kKey[] = L"key";
inline constexpr wchar_t kName[] = L"name";
inline constexpr wchar_t kType[] = L"type";
inline constexpr wchar_t kData[] = L"data";
inline constexpr wchar_t kText[] = L"text";
inline constexpr wchar_t kWritten[] = L"written";
inline constexpr wchar_t kImagePath[] = L"image_path";
inline constexpr wchar_t kExport[] = L"export";
inline constexpr wchar_t kDropped[] = L"dropped";
inline constexpr wchar_t kWrittenMd5[] = L"written_md5";
// The summary.
inline constexpr wchar_t kOutcome[] = L"outcome";
inline constexpr wchar_t kCounts[] = L"counts";
inline constexpr wchar_t kFailures[] = L"failures";
inline constexpr wchar_t kRestart[] = L"restart";
inline constexpr wchar_t kEnd[] = L"end";
}  // namespace recordfield

// The value of a change's "kind" member, and the names of the summary's counts.
namespace changekind {
inline constexpr wchar_t kProcess[] = L"process";
inline constexpr wchar_t kFile[] = L"file";
inline constexpr wchar_t kAutorun[] = L"autorun";
inline constexpr wchar_t kPolicy[] = L"policy";
inline constexpr wchar_t kWinlogon[] = L"winlogon";
inline constexpr wchar_t kService[] = L"service";
inline constexpr wchar_t kHosts[] = L"hosts";
}  // namespace changekind

// The value of the summary's "outcome" member.
namespace recordoutcome {
inline constexpr wchar_t kNothingFound[] = L"nothing-found";
inline constexpr wchar_t kRemoved[] = L"removed";
inline constexpr wchar_t kLeftBehind[] = L"left-behind";
inline constexpr wchar_t kAborted[] = L"aborted";
inline constexpr wchar_t kEnded[] = L"ended";
inline constexpr wchar_t kRecordFailed[] = L"record-failed";
inline constexpr wchar_t kWouldRemove[] = L"would-remove";
}  // namespace recordoutcome

}  // namespace pell
