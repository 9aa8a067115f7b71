// Writing the record: the header, one flushed line per change, the summary, the final name.
#include "record/record_writer.h"

#include "base/product.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "record/record_fields.h"
#include "record/record_places.h"

namespace pell {
namespace {

// Further records started within the same second get a number; the bound only stops a search through
// a folder someone has filled on purpose.
constexpr int kMaxSameNames = 100;

// The members a recorded value carries, added to `line`.
void AddValue(JsonObject& line, const RecordedValue& v) {
    line.Text(recordfield::kRoot, RecordedRootName(v.root))
        .Text(recordfield::kView, v.view)
        .Text(recordfield::kKey, v.key)
        .Text(recordfield::kName, v.name);
    if (!v.read) {
        line.Null(recordfield::kType);
        return;
    }
    line.Number(recordfield::kType, v.type).Text(recordfield::kData, Utf8ToWide(HexBytes(v.data)));
    // The text of string values, for people reading the record; restore uses the bytes.
    if (v.type == regtype::String || v.type == regtype::ExpandString) {
        std::wstring text;
        for (std::size_t i = 0; i + 1 < v.data.size(); i += 2) {
            wchar_t c = static_cast<wchar_t>(v.data[i] | (v.data[i + 1] << 8));
            if (c == L'\0') break;
            text.push_back(c);
        }
        line.Text(recordfield::kText, text);
    }
}

}  // namespace

std::wstring RecordPathFor(const std::wstring& logPath) {
    std::wstring stem = logPath;
    if (stem.size() >= 4 && Equals(std::wstring_view(stem).substr(stem.size() - 4), L".txt")) stem.resize(stem.size() - 4);
    return stem + kRecordExtension;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

bool BytesFromHex(const std::wstring& hex, std::vector<std::uint8_t>& bytes) {
    if (hex.size() % 2 != 0) return false;
    auto digit = [](wchar_t c) -> int {
        if (c >= L'0' && c <= L'9') return c - L'0';
        if (c >= L'a' && c <= L'f') return c - L'a' + 10;
        if (c >= L'A' && c <= L'F') return c - L'A' + 10;
        return -1;
    };
    std::vector<std::uint8_t> out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    bytes = std::move(out);
    return true;
}

bool RecordWriter::Begin(const std::wstring& logFolder, const std::wstring& startLogPath,
                         const std::wstring& databaseVersion) {
    folder_ = logFolder;
    const std::wstring first = RecordPathFor(startLogPath);
    const std::wstring stem = first.substr(0, first.size() - std::wstring_view(kRecordExtension).size());
    for (int n = 1; n <= kMaxSameNames && !file_.valid(); ++n) {
        const std::wstring path = n == 1 ? first : stem + L" (" + std::to_wstring(n) + L")" + kRecordExtension;
        if (file_.Open(path, FileAccess::Write, FileDisposition::CreateNew)) {
            path_ = path;
        } else if (sys_.LastError() != code::FileExists) {
            return false;
        }
    }
    if (!file_.valid()) return false;
    const std::wstring version = std::to_wstring(kVersionMajor) + L"." + (kVersionMinor < 10 ? L"0" : L"") +
                                 std::to_wstring(kVersionMinor);
    JsonObject header;
    header.Text(recordfield::kRecord, recordline::kHeader)
        .Number(recordfield::kFormat, kRecordFormat)
        .Text(recordfield::kProgram, kProductName)
        .Text(recordfield::kVersion, version)
        .Text(recordfield::kDatabase, databaseVersion)
        .Text(recordfield::kMachine, sys_.ComputerName())
        .Text(recordfield::kUser, sys_.UserName())
        .Text(recordfield::kStart, sys_.UtcTimestamp())
        .Text(recordfield::kLogFolder, folder_);
    if (scan_) header.Flag(recordfield::kScan, true);
    if (WriteLine(header.Json())) return true;
    // A header cut short (a full disk) is no record: the file is this run's own, created new above.
    file_.reset();
    sys_.DeleteFile(path_);
    path_.clear();
    return false;
}

void RecordWriter::Finish(const std::wstring& outcome, std::size_t failures, bool restartScheduled,
                            const std::wstring& logPath) {
    if (!file_.valid()) return;
    JsonObject counts;
    for (const auto& [kind, count] : counts_) counts.Number(kind, count);
    WriteLine(JsonObject()
                  .Text(recordfield::kRecord, recordline::kSummary)
                  .Text(recordfield::kOutcome, outcome)
                  .Object(recordfield::kCounts, counts)
                  .Number(recordfield::kFailures, failures)
                  .Flag(recordfield::kRestart, restartScheduled)
                  .Text(recordfield::kEnd, sys_.UtcTimestamp())
                  .Json());
    file_.reset();
    if (logPath.empty()) return;
    const std::wstring target = RecordPathFor(logPath);
    // A record of an earlier run under that name is never replaced: this one keeps its start name.
    if (!Equals(target, path_) && sys_.GetFileAttributes(target) == kInvalidAttributes &&
        sys_.MoveFileReplace(path_, target))
        path_ = target;
}

bool RecordWriter::WriteLine(const std::string& line) {
    if (!file_.valid() || broken_) return false;
    const std::string bytes = line + "\n";
    std::uint32_t written = 0;
    if (!sys_.WriteFile(file_.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), written) ||
        written != bytes.size() || !sys_.FlushFile(file_.get()))
        broken_ = true;
    return !broken_;
}

void RecordWriter::AddCopy(JsonObject& line, const wchar_t* name, const std::wstring& copyName) const {
    if (scan_) return;
    if (copyName.empty()) {
        line.Null(name);
    } else {
        line.Text(name, copyName);
    }
}

JsonObject RecordWriter::ChangeLine(const wchar_t* kind) {
    ++counts_[kind];
    JsonObject line;
    line.Text(recordfield::kRecord, recordline::kChange).Text(recordfield::kKind, kind);
    return line;
}

void RecordWriter::ProcessTerminated(const std::wstring& path, std::uint32_t pid) {
    WriteLine(ChangeLine(changekind::kProcess).Text(recordfield::kPath, path).Number(recordfield::kPid, pid).Json());
}

void RecordWriter::FileDeleted(const std::wstring& path, std::uint32_t attributes, const FileCopy& copy,
                               FileDeletion when) {
    JsonObject line = ChangeLine(changekind::kFile);
    line.Text(recordfield::kPath, path);
    if (attributes != kInvalidAttributes) line.Number(recordfield::kAttributes, attributes);
    // The size and digest of the bytes copied from the file that was deleted.
    if (!copy.name.empty()) line.Number(recordfield::kSize, copy.size).Text(recordfield::kMd5, copy.md5);
    AddCopy(line, recordfield::kBackup, copy.name);
    if (when == FileDeletion::AtRestart) line.Flag(recordfield::kAtRestart, true);
    WriteLine(line.Json());
}

void RecordWriter::ValueDeleted(ValueKind kind, const RecordedValue& before) {
    JsonObject line = ChangeLine(kind == ValueKind::Autorun ? changekind::kAutorun : changekind::kPolicy);
    AddValue(line, before);
    WriteLine(line.Json());
}

void RecordWriter::ValueRewritten(const RecordedValue& before, const std::vector<std::uint8_t>& after) {
    JsonObject line = ChangeLine(changekind::kWinlogon);
    AddValue(line, before);
    WriteLine(line.Text(recordfield::kWritten, Utf8ToWide(HexBytes(after))).Json());
}

void RecordWriter::ServiceDeleted(const std::wstring& name, const std::wstring& imagePath,
                                  const std::wstring& exportName) {
    JsonObject line = ChangeLine(changekind::kService);
    line.Text(recordfield::kName, name).Text(recordfield::kImagePath, imagePath);
    AddCopy(line, recordfield::kExport, exportName);
    WriteLine(line.Json());
}

void RecordWriter::HostsRewritten(const std::wstring& path, const std::wstring& backupName,
                                  const std::vector<std::wstring>& droppedLines, const std::string& written) {
    JsonObject line = ChangeLine(changekind::kHosts);
    line.Text(recordfield::kPath, path);
    AddCopy(line, recordfield::kBackup, backupName);
    line.TextArray(recordfield::kDropped, droppedLines).Text(recordfield::kWrittenMd5, md5_.OfBytes(written));
    WriteLine(line.Json());
}

}  // namespace pell
