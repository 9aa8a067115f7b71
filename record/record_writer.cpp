// Writing the record: the header, one flushed line per change, the summary, the final name.
#include "record/record_writer.h"

#include "base/product.h"
#include "base/runtime_error.h"
#include "base/text.h"

namespace pell {
namespace {

constexpr std::uint32_t kErrorFileExists = 80;
// Further records started within the same second get a number; the bound only stops a search through
// a folder someone has filled on purpose.
constexpr int kMaxSameNames = 100;

std::string Field(const char* name, const std::string& json) { return std::string(",\"") + name + "\":" + json; }
std::string Field(const char* name, std::wstring_view text) { return Field(name, JsonQuote(text)); }
std::string Field(const char* name, std::uint64_t number) { return Field(name, std::to_string(number)); }
std::string Flag(const char* name, bool value) { return Field(name, std::string(value ? "true" : "false")); }

const wchar_t* RootName(RegRoot root) {
    switch (root) {
        case RegRoot::LocalMachine: return L"HKLM";
        case RegRoot::Users: return L"HKU";
        default: return L"HKCU";
    }
}

std::string ValueFields(const RecordedValue& v) {
    std::string out = Field("root", RootName(v.root)) + Field("view", v.view) + Field("key", v.key) +
                      Field("name", v.name);
    if (!v.read) return out + Field("type", std::string("null"));
    out += Field("type", std::uint64_t{v.type}) + Field("data", std::wstring(Utf8ToWide(HexBytes(v.data))));
    // The text of string values, for people reading the record; restore uses the bytes.
    if (v.type == regtype::String || v.type == regtype::ExpandString) {
        std::wstring text;
        for (std::size_t i = 0; i + 1 < v.data.size(); i += 2) {
            wchar_t c = static_cast<wchar_t>(v.data[i] | (v.data[i + 1] << 8));
            if (c == L'\0') break;
            text.push_back(c);
        }
        out += Field("text", text);
    }
    return out;
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
        } else if (sys_.LastError() != kErrorFileExists) {
            return false;
        }
    }
    if (!file_.valid()) return false;
    const std::wstring version = std::to_wstring(kVersionMajor) + L"." + (kVersionMinor < 10 ? L"0" : L"") +
                                 std::to_wstring(kVersionMinor);
    if (WriteLine("{\"record\":\"header\"" + Field("format", std::uint64_t{kRecordFormat}) +
                  Field("program", kProductName) + Field("version", version) + Field("database", databaseVersion) +
                  Field("machine", sys_.ComputerName()) + Field("user", sys_.UserName()) +
                  Field("start", sys_.UtcTimestamp()) + Field("log_folder", folder_) +
                  (scan_ ? Flag("scan", true) : "") + "}"))
        return true;
    // A header cut short (a full disk) is no record: the file is this run's own, created new above.
    file_.reset();
    sys_.DeleteFile(path_);
    path_.clear();
    return false;
}

void RecordWriter::Finish(const std::wstring& outcome, std::size_t failures, bool restartScheduled,
                            const std::wstring& logPath) {
    if (!file_.valid()) return;
    std::string counts;
    for (const auto& [kind, count] : counts_) counts += (counts.empty() ? "" : ",") + JsonQuote(kind) + ":" + std::to_string(count);
    WriteLine("{\"record\":\"summary\"" + Field("outcome", outcome) + Field("counts", "{" + counts + "}") +
              Field("failures", std::uint64_t{failures}) + Flag("restart", restartScheduled) +
              Field("end", sys_.UtcTimestamp()) + "}");
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

std::string RecordWriter::CopyField(const char* name, const std::wstring& copyName) const {
    if (scan_) return {};
    return copyName.empty() ? Field(name, std::string("null")) : Field(name, copyName);
}

void RecordWriter::Change(const wchar_t* kind, const std::string& fields) {
    ++counts_[kind];
    WriteLine("{\"record\":\"change\"" + Field("kind", kind) + fields + "}");
}

void RecordWriter::ProcessTerminated(const std::wstring& path, std::uint32_t pid) {
    Change(L"process", Field("path", path) + Field("pid", std::uint64_t{pid}));
}

void RecordWriter::FileDeleted(const std::wstring& path, std::uint32_t attributes, const FileCopy& copy) {
    std::string fields = Field("path", path);
    if (attributes != kInvalidAttributes) fields += Field("attributes", std::uint64_t{attributes});
    if (copy.name.empty()) {
        fields += CopyField("backup", copy.name);
    } else {
        // The size and digest of the bytes copied from the file that was deleted.
        fields += Field("size", copy.size) + Field("md5", copy.md5) + CopyField("backup", copy.name);
    }
    Change(L"file", fields);
}

void RecordWriter::ValueDeleted(ValueKind kind, const RecordedValue& before) {
    Change(kind == ValueKind::Autorun ? L"autorun" : L"policy", ValueFields(before));
}

void RecordWriter::ValueRewritten(const RecordedValue& before, const std::vector<std::uint8_t>& after) {
    Change(L"winlogon", ValueFields(before) + Field("written", std::wstring(Utf8ToWide(HexBytes(after)))));
}

void RecordWriter::ServiceDeleted(const std::wstring& name, const std::wstring& imagePath,
                                    const std::wstring& exportName) {
    Change(L"service", Field("name", name) + Field("image_path", imagePath) + CopyField("export", exportName));
}

void RecordWriter::HostsRewritten(const std::wstring& path, const std::wstring& backupName,
                                    const std::vector<std::wstring>& droppedLines, const std::string& written) {
    std::string dropped;
    for (const auto& line : droppedLines) dropped += (dropped.empty() ? "" : ",") + JsonQuote(line);
    Change(L"hosts", Field("path", path) + CopyField("backup", backupName) + Field("dropped", "[" + dropped + "]") + Field("written_md5", md5_.OfBytes(written)));
}

}  // namespace pell
