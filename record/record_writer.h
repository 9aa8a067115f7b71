// The run's record: a JSON Lines file, beside the removal log, of every change the run made and how
// to put it back. Each line is on disk before the run goes on, so a run cut short still leaves its record.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/handles.h"
#include "record/change_sink.h"
#include "base/host.h"
#include "record/json.h"
#include "base/system.h"
#include "smartscan/md5_hash.h"

namespace pell {

// The version of the line layout; a reader refuses records of a later one.
inline constexpr int kRecordFormat = 1;
inline constexpr wchar_t kRecordExtension[] = L".jsonl";

// The record's path for the removal log at `logPath` (".txt" replaced by ".jsonl").
std::wstring RecordPathFor(const std::wstring& logPath);
// Hexadecimal text of bytes, two lower-case digits each; and back (false on anything else).
std::string HexBytes(const std::vector<std::uint8_t>& bytes);
bool BytesFromHex(const std::wstring& hex, std::vector<std::uint8_t>& bytes);

class RecordWriter : public ChangeSink {
public:
    // `md5` computes the digests the record carries itself (of rewritten files).
    RecordWriter(System& sys, KeptMd5& md5) : sys_(sys), md5_(md5) {}
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // The record of a scan: its header says so, and it names no copies (a scan makes none).
    void SetScan(bool scan) { scan_ = scan; }
    // Creates the record in `logFolder`, named for now after the removal log the run would write at its
    // start, `startLogPath` (the log's name is fixed only when the run ends), never over an existing file,
    // and writes and flushes the header line. False when that could not be done (a read-only folder, a
    // full disk): no file is left and the run must change nothing.
    bool Begin(const std::wstring& logFolder, const std::wstring& startLogPath, const std::wstring& databaseVersion);
    // Writes the summary line and closes the file; then gives it the removal log's name stem when no
    // file holds that name yet. `outcome` is "nothing-found", "removed", "aborted" or "ended".
    void Finish(const std::wstring& outcome, std::size_t failures, bool restartScheduled, const std::wstring& logPath);
    // The record's path; empty when none was created.
    const std::wstring& Path() const { return path_; }

    void ProcessTerminated(const std::wstring& path, std::uint32_t pid) override;
    void FileDeleted(const std::wstring& path, std::uint32_t attributes, const FileCopy& copy,
                     FileDeletion when) override;
    void ValueDeleted(ValueKind kind, const RecordedValue& before) override;
    void ValueRewritten(const RecordedValue& before, const std::vector<std::uint8_t>& after) override;
    void ServiceDeleted(const std::wstring& name, const std::wstring& imagePath, const std::wstring& exportName) override;
    void HostsRewritten(const std::wstring& path, const std::wstring& backupName,
                        const std::vector<std::wstring>& droppedLines, const std::string& written) override;
    // False once a line could not be written whole and flushed.
    bool Intact() const override { return !broken_; }

private:
    // A change line of `kind`, counted for the summary, to which the change adds its members.
    JsonObject ChangeLine(const wchar_t* kind);
    // The member naming a copy in the log folder (null when none was made); none at all in a scan's record.
    void AddCopy(JsonObject& line, const wchar_t* name, const std::wstring& copyName) const;
    bool WriteLine(const std::string& line);

    System& sys_;
    std::wstring folder_;
    std::wstring path_;
    OpenFileHandle file_{sys_};
    std::map<std::wstring, std::size_t> counts_;
    bool broken_ = false;
    KeptMd5& md5_;
    bool scan_ = false;
};

}  // namespace pell
