// A scan: every stage of a cleaning against the what-if machine, its lines and its record in the
// conditional, and the count of what a cleaning would change.
#include "engine/scan.h"

#include "base/handles.h"
#include "base/text.h"
#include "engine/removal_log.h"
#include "record/record_fields.h"
#include "record/record_writer.h"
#include "i18n/details.h"

namespace pell {
namespace {

constexpr wchar_t kLogWords[] = L"Pellworth Removal Log ";
constexpr wchar_t kScanWords[] = L"Pellworth Scan ";
// Further records of scans started within the same second get a number; the bound only stops a search
// through a folder someone has filled on purpose.
constexpr int kMaxSameNames = 100;

// Counts what the stages tell the record on its way there.
class CountingSink : public ChangeSink {
public:
    explicit CountingSink(ChangeSink& record) : record_(record) {}
    std::size_t Count() const { return count_; }

    void ProcessTerminated(const std::wstring& path, std::uint32_t pid) override {
        ++count_;
        record_.ProcessTerminated(path, pid);
    }
    void FileDeleted(const std::wstring& path, std::uint32_t attributes, const FileCopy& copy,
                     FileDeletion when) override {
        ++count_;
        record_.FileDeleted(path, attributes, copy, when);
    }
    void ValueDeleted(ValueKind kind, const RecordedValue& before) override {
        ++count_;
        record_.ValueDeleted(kind, before);
    }
    void ValueRewritten(const RecordedValue& before, const std::vector<std::uint8_t>& after) override {
        ++count_;
        record_.ValueRewritten(before, after);
    }
    void ServiceDeleted(const std::wstring& name, const std::wstring& imagePath, const std::wstring& exportName) override {
        ++count_;
        record_.ServiceDeleted(name, imagePath, exportName);
    }
    void HostsRewritten(const std::wstring& path, const std::wstring& backupName,
                        const std::vector<std::wstring>& droppedLines, const std::string& written) override {
        ++count_;
        record_.HostsRewritten(path, backupName, droppedLines, written);
    }
    bool Intact() const override { return record_.Intact(); }

private:
    ChangeSink& record_;
    std::size_t count_ = 0;
};

// The services stage writes its own verb after the service's name and program.
constexpr std::wstring_view kStopped = L"...Stopped";

}  // namespace

std::wstring ScanStatusLine(float code, std::wstring_view arg) {
    const std::wstring text(arg);
    if (code == status::Removed) return L"Found " + text + L" ...would be removed";
    if (code == status::Terminated) return text + L" ...would be terminated";
    if (code == status::BackedUp) return L"\"" + text + L"\" ...would be backed up";
    if (code == status::Found && arg.size() >= kStopped.size() && arg.substr(arg.size() - kStopped.size()) == kStopped)
        return L"Found \"" + text.substr(0, text.size() - kStopped.size()) + L"...would be stopped\"";
    return {};
}

std::wstring ScanSummaryLine(std::size_t changes) {
    return L"Scan complete: a cleaning would change " + std::to_wstring(changes) + L" item(s)";
}

std::wstring ScanRecordName(const std::wstring& recordPath) {
    std::wstring name = FileNameOf(recordPath);
    if (name.rfind(kLogWords, 0) == 0) name = kScanWords + name.substr(std::wstring_view(kLogWords).size());
    return name;
}

ScanResult RunScan(Engine& e, WhatIfSystem& whatIf, const RunStages& stages) {
    ScanResult result;
    const std::wstring databaseVersion = BeginRun(e);
    // The record is written on the what-if machine too: in memory, whatever the log folder.
    RecordWriter record(whatIf, e.recordMd5);
    record.SetScan(true);
    record.Begin(e.folders.LogFolder, StartLogPath(e.folders, whatIf), databaseVersion);
    CountingSink counted(record);
    RecordingScope recording(e, counted);
    try {
        StageResults found;
        if (!RunStagesInOrder(e, stages, found)) {
            record.Finish(recordoutcome::kEnded, e.failures, false, {});
            result.outcome = ScanOutcome::ProgramEnded;
        } else {
            // What would make a cleaning say it removed something, whether or not it made a record line.
            const bool wouldChange = counted.Count() != 0 || found.services || found.processes ||
                                     found.flags.EntryRemoved || e.fileRemoved || found.hostsCleaned ||
                                     found.leftBehind != 0;
            AppendDetailsLine(e.host, ScanSummaryLine(counted.Count()));
            record.Finish(wouldChange ? recordoutcome::kWouldRemove : recordoutcome::kNothingFound, e.failures, false, {});
            result.outcome = wouldChange ? ScanOutcome::WouldChange : ScanOutcome::NothingFound;
        }
    } catch (const UnmodelledChange& change) {
        // The record keeps what was found up to here, without a summary: a run that did not finish.
        result.outcome = ScanOutcome::Refused;
        result.refusal = change.Operation();
    }
    result.changes = counted.Count();
    result.record = record.Path();
    e.lastRecord.clear();
    return result;
}

std::wstring SaveScanRecord(System& real, const std::wstring& folder, const std::wstring& recordPath,
                            const std::string& bytes) {
    const std::wstring name = ScanRecordName(recordPath);
    const std::wstring first = folder + name;
    const std::size_t dot = first.rfind(L'.');
    for (int n = 1; n <= kMaxSameNames; ++n) {
        const std::wstring path =
            n == 1 ? first : first.substr(0, dot) + L" (" + std::to_wstring(n) + L")" + first.substr(dot);
        OpenFileHandle file(real);
        if (!file.Open(path, FileAccess::Write, FileDisposition::CreateNew)) {
            if (real.LastError() == code::FileExists) continue;
            return {};
        }
        std::uint32_t written = 0;
        const bool whole = bytes.empty() ||
                           (real.WriteFile(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), written) &&
                            written == bytes.size() && real.FlushFile(file.get()));
        file.reset();
        if (whole) return path;
        // A record cut short must not stay looking like a whole one.
        real.DeleteFile(path);
        return {};
    }
    return {};
}

}  // namespace pell
