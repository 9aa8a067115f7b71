// Restore: the record is read and checked whole, then each change is put back in the order it was made.
#include "record/restore.h"

#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "base/files.h"
#include "base/folders.h"
#include "base/handles.h"
#include "record/json.h"
#include "record/record_fields.h"
#include "record/record_writer.h"
#include "record/record_places.h"
#include "record/reg_export_check.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "smartscan/md5_hash.h"

namespace pell {
namespace {

// A record, an export or a hosts file larger than this is not one a run wrote.
constexpr std::uint64_t kMaxRecordBytes = 64ull << 20;
constexpr std::uint64_t kMaxExportBytes = 16ull << 20;
// The checked exports are kept until they are imported: together no more than this.
constexpr std::uint64_t kMaxKeptExportBytes = 64ull << 20;
// A log folder with more records than this is searched no further.
constexpr std::size_t kMaxRecords = 10000;
constexpr std::uint32_t kImportTimeoutMs = 30000;
constexpr wchar_t kRestoreSuffix[] = L".pellworth-restore";

using Say = std::function<void(const std::wstring&)>;

struct Line {
    std::size_t number = 0;
    JsonValue json;
};

bool EndsWithNoCase(const std::wstring& text, std::wstring_view tail) {
    return text.size() >= tail.size() && Equals(std::wstring_view(text).substr(text.size() - tail.size()), tail);
}

// A name Windows opens as a device in any folder and with any extension ("COM1", "nul.txt", "CON .x").
bool IsDeviceName(std::wstring_view part) {
    std::wstring_view stem = part.substr(0, part.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"})
        if (Equals(stem, device)) return true;
    if (stem.size() != 4 || !(Equals(stem.substr(0, 3), L"COM") || Equals(stem.substr(0, 3), L"LPT"))) return false;
    const wchar_t n = stem[3];
    return (n >= L'0' && n <= L'9') || n == 0xB9 || n == 0xB2 || n == 0xB3;  // the superscript digits count too
}

// One part of a path that names exactly one file: not "." or "..", no device, nothing Windows would open
// under another name (a trailing dot or blank), nothing a file name cannot hold (a ":" opens a stream).
bool IsPlainName(std::wstring_view part) {
    if (part.empty() || part == L"." || part == L".." || part.back() == L'.' || part.back() == L' ' ||
        IsDeviceName(part))
        return false;
    for (wchar_t c : part)
        if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) return false;
    return true;
}

// A name of a file in the record's own folder: one plain name, nothing that leads elsewhere.
bool IsOwnFileName(const std::wstring& name) { return IsPlainName(name); }

// A full path on a drive ("C:\...") made of plain names only.
bool IsPlainFullPath(const std::wstring& path) {
    const wchar_t drive = path.empty() ? 0 : UpperChar(path[0]);
    if (path.size() < 4 || drive < L'A' || drive > L'Z' || path[1] != L':' || path[2] != L'\\') return false;
    for (std::size_t start = 3; start <= path.size();) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (!IsPlainName(std::wstring_view(path).substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

bool IsMd5Text(const std::wstring& text) {
    if (text.size() != 32) return false;
    for (wchar_t c : text)
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'))) return false;
    return true;
}

bool IsScanRecord(const JsonValue& header) { return header.IsTrue(recordfield::kScan); }

// When a record's run started and ended (the end empty when it did not finish); nothing when the file
// is not a record of a cleaning.
struct RunTimes {
    std::wstring start, end;
};

std::optional<RunTimes> RecordedTimes(System& sys, const std::wstring& path) {
    std::string bytes;
    if (!ReadWholeFile(sys, path, bytes, kMaxRecordBytes)) return std::nullopt;
    JsonValue header, summary;
    std::wstring error, record;
    RunTimes times;
    if (!ParseJson(bytes.substr(0, bytes.find('\n')), header, error)) return std::nullopt;
    if (!header.Text(recordfield::kRecord, record) || record != recordline::kHeader || !header.Text(recordfield::kStart, times.start))
        return std::nullopt;
    // A scan's record changed nothing: there is nothing of it to put back.
    if (IsScanRecord(header)) return std::nullopt;
    const std::size_t last = bytes.find_last_not_of("\r\n");
    const std::size_t from = last == std::string::npos ? 0 : bytes.rfind('\n', last);
    if (from != std::string::npos && ParseJson(bytes.substr(from + 1, last - from), summary, error) &&
        summary.Text(recordfield::kRecord, record) && record == recordline::kSummary)
        summary.Text(recordfield::kEnd, times.end);
    return times;
}

// The newest record of the folder, by the start its header records, then by the end its summary
// records (the names carry the date in the user's own format, which does not sort, and runs started in
// the same second share it).
std::wstring NewestRecord(System& sys, const std::wstring& folder) {
    std::vector<FoundFile> entries;
    if (sys.ListFolder(folder, std::wstring(L"*") + kRecordExtension, entries) != code::Success) return {};
    std::wstring best;
    RunTimes bestTimes;
    std::size_t seen = 0;
    for (const FoundFile& entry : entries) {
        if (entry.attributes & kAttributeDirectory) continue;
        if (++seen > kMaxRecords) break;
        const std::wstring path = folder + entry.name;
        const std::optional<RunTimes> times = RecordedTimes(sys, path);
        if (!times) continue;
        const auto key = std::tie(times->start, times->end, path);
        if (best.empty() || key > std::tie(bestTimes.start, bestTimes.end, best)) {
            best = path;
            bestTimes = *times;
        }
    }
    return best;
}

class Restorer {
public:
    Restorer(System& sys, Host& host, const std::wstring& folder, bool dryRun, const Say& say)
        : sys_(sys), host_(host), folder_(folder), dryRun_(dryRun), say_(say) {}

    // Why the change must not be acted on, in words for the admin who reads it ("names a registry key no
    // cleaning changes: ..."); empty when it names only what a run can have changed. A record with one
    // such change is refused whole.
    std::wstring Unsafe(const JsonValue& c) const {
        std::wstring kind, text;
        c.Text(recordfield::kKind, kind);
        auto own = [&](const wchar_t* field, const wchar_t* what) -> std::wstring {
            const JsonValue* v = c.Find(field);
            if (!v || v->type == JsonValue::Type::Null) return {};
            if (v->type != JsonValue::Type::String || !IsOwnFileName(v->text))
                return std::wstring(L"names ") + what + L" that is not a file of the record's folder: " + v->text;
            return {};
        };
        if (kind == changekind::kProcess) return {};
        if (kind == changekind::kFile) {
            if (!c.Text(recordfield::kPath, text) || !IsPlainFullPath(text))
                return L"names a file path that is not a plain full path: " + text;
            if (std::wstring refusal = own(recordfield::kBackup, L"a copy"); !refusal.empty()) return refusal;
            std::wstring backup, md5;
            // The digest is what proves the copy is the run's: a copy without one could be anything.
            if (c.Text(recordfield::kBackup, backup) && (!c.Text(recordfield::kMd5, md5) || !IsMd5Text(md5)))
                return L"names the copy " + backup + L" without the MD5 digest (32 hexadecimal digits) of the file";
            return {};
        }
        if (kind == changekind::kAutorun || kind == changekind::kPolicy || kind == changekind::kWinlogon) {
            std::wstring rootName, key, name;
            c.Text(recordfield::kRoot, rootName);
            c.Text(recordfield::kKey, key);
            c.Text(recordfield::kName, name);
            const std::optional<RegRoot> root = RootFromRecordedName(rootName);
            const std::wstring place = rootName + L"\\" + key;
            if (!root) return L"names a registry root no cleaning changes: " + rootName;
            if (kind == changekind::kAutorun && !IsAutorunPlace(*root, key))
                return L"names a registry key no cleaning changes: " + place;
            if (kind == changekind::kPolicy && !IsPolicyPlace(*root, key, name))
                return L"names a registry value no cleaning changes: " + place + L"\\" + name;
            if (kind == changekind::kWinlogon && !IsWinlogonPlace(*root, key, name))
                return L"names a registry value no cleaning changes: " + place + L"\\" + name;
            return {};
        }
        if (kind == changekind::kService) {
            if (!c.Text(recordfield::kName, text) || !IsServiceName(text)) return L"names a service that is not a plain name: " + text;
            return own(recordfield::kExport, L"an export");
        }
        if (kind == changekind::kHosts) {
            if (!c.Text(recordfield::kPath, text) || !Equals(text, HostsPath()))
                return L"names a file other than this machine's hosts file: " + text;
            return own(recordfield::kBackup, L"a copy");
        }
        return L"records a change of a kind no cleaning makes: \"" + kind + L"\"";
    }

    // Reads and checks a service's export before anything is done, and keeps the bytes that passed: the
    // import uses them, not the file, which may change after the check. An export that cannot be read is
    // the change's own failure later; one that names anything outside its key refuses the record.
    std::wstring CheckExport(const Line& line) {
        std::wstring kind, name, exportName;
        line.json.Text(recordfield::kKind, kind);
        if (kind != changekind::kService || !line.json.Text(recordfield::kName, name) || !line.json.Text(recordfield::kExport, exportName)) return {};
        std::string bytes;
        if (!ReadPlainFile(sys_, folder_ + exportName, bytes, kMaxExportBytes).empty()) return {};
        if (std::wstring refusal = ExportRefusal(bytes, name); !refusal.empty())
            return L"names the export " + exportName + L", which " + refusal;
        // A crafted record may name one large export on every line: what is kept stays bounded.
        keptExportBytes_ += bytes.size();
        if (keptExportBytes_ > kMaxKeptExportBytes)
            return L"names exports larger than " + std::to_wstring(kMaxKeptExportBytes) + L" bytes together";
        exports_[line.number] = std::move(bytes);
        return {};
    }

    bool Apply(const Line& line) {
        std::wstring kind;
        line.json.Text(recordfield::kKind, kind);
        if (kind == changekind::kProcess) return Process(line.json);
        if (kind == changekind::kFile) return File(line.json);
        if (kind == changekind::kAutorun || kind == changekind::kPolicy) return Value(line.json, kind, false);
        if (kind == changekind::kWinlogon) return Value(line.json, kind, true);
        if (kind == changekind::kService) return Service(line);
        return Hosts(line.json);
    }

private:
    std::wstring HostsPath() const { return HostsPathIn(SystemDirectory(sys_)); }

    bool Done(const std::wstring& what) {
        say_((dryRun_ ? L"would restore " : L"restored ") + what);
        return true;
    }
    bool LeftAlone(const std::wstring& what, const std::wstring& why) {
        say_(L"left alone " + what + L": " + why);
        return false;
    }
    bool Failed(const std::wstring& what, const std::wstring& why) {
        say_(L"not restored " + what + L": " + why);
        return false;
    }

    bool Process(const JsonValue& c) {
        std::wstring path;
        c.Text(recordfield::kPath, path);
        // An ended program is not started again: that is the user's choice, not the record's.
        say_(L"not started again process " + path);
        return true;
    }

    bool File(const JsonValue& c) {
        std::wstring path, backup, md5;
        c.Text(recordfield::kPath, path);
        const std::wstring what = L"file " + path;
        if (sys_.GetFileAttributes(path) != kInvalidAttributes) {
            if (c.IsTrue(recordfield::kAtRestart))
                return LeftAlone(what, L"it is still there: Windows deletes it when it starts again, and restore can put it back then");
            return LeftAlone(what, L"it exists again");
        }
        if (!c.Text(recordfield::kBackup, backup)) return Failed(what, L"the run kept no copy of it");
        c.Text(recordfield::kMd5, md5);
        const std::wstring copy = folder_ + backup;
        if (!IsPlainDiskFile(sys_, copy)) return Failed(what, L"its copy " + backup + L" is missing or not a plain file");
        if (dryRun_) {
            if (!Equals(md5_.OfFile(copy), md5)) return Failed(what, L"its copy " + backup + L" has changed since the run");
            return Done(what);
        }
        // The copy is checked where it will stay, beside its place, so a copy changed after the check
        // never reaches the path: the folder it came from may be a share others write to.
        const std::wstring temp = path + kRestoreSuffix;
        sys_.SetFileAttributes(temp, kAttributeNormal);
        sys_.DeleteFile(temp);
        if (!sys_.CopyFile(copy, temp, true))
            return Failed(what, L"the copy failed (error " + std::to_wstring(sys_.LastError()) + L")");
        auto drop = [&](const std::wstring& why) {
            sys_.DeleteFile(temp);
            return Failed(what, why);
        };
        if (!Equals(md5_.OfFile(temp), md5)) return drop(L"its copy " + backup + L" has changed since the run");
        if (sys_.GetFileAttributes(path) != kInvalidAttributes) {
            sys_.DeleteFile(temp);
            return LeftAlone(what, L"it exists again");
        }
        if (!sys_.MoveFileReplace(temp, path))
            return drop(L"the copy could not be put in place (error " + std::to_wstring(sys_.LastError()) + L")");
        std::uint64_t attributes = 0;
        if (c.Unsigned(recordfield::kAttributes, attributes)) sys_.SetFileAttributes(path, static_cast<std::uint32_t>(attributes));
        return Done(what);
    }

    bool Value(const JsonValue& c, const std::wstring& kind, bool rewritten) {
        std::wstring rootName, key, name, hex, written;
        c.Text(recordfield::kRoot, rootName);
        c.Text(recordfield::kKey, key);
        c.Text(recordfield::kName, name);
        const std::wstring what = kind + L" value " + rootName + L"\\" + key + L"\\" + name;
        std::optional<RegRoot> root = RootFromRecordedName(rootName);
        std::uint64_t type = 0;
        std::vector<std::uint8_t> data, after;
        if (!root || key.empty()) return Failed(what, L"its key is not one restore can open");
        if (!c.Unsigned(recordfield::kType, type) || type > 0xFFFFFFFFull || !c.Text(recordfield::kData, hex) || !BytesFromHex(hex, data))
            return Failed(what, L"its data could not be read before it was removed");
        if (rewritten && (!c.Text(recordfield::kWritten, written) || !BytesFromHex(written, after)))
            return Failed(what, L"the record lacks the data the run wrote");

        OpenKey open(sys_);
        std::uint32_t currentType = 0;
        std::vector<std::uint8_t> current;
        const bool keyThere = open.Open(*root, key) == code::Success;
        const bool valueThere =
            keyThere && sys_.RegQueryValue(open.get(), name, currentType, current) == code::Success;
        if (rewritten) {
            // Written back only over the run's own data: anything else is somebody's later choice.
            if (!valueThere || current != after) return LeftAlone(what, L"it has changed since the run");
        } else if (valueThere) {
            return LeftAlone(what, L"it exists again");
        }
        if (dryRun_) return Done(what);
        if (!keyThere) {
            RegKey created = 0;
            if (sys_.RegCreateKey(*root, key, created) != code::Success)
                return Failed(what, L"its key could not be created (error " + std::to_wstring(sys_.LastError()) + L")");
            sys_.RegCloseKey(created);
            if (open.Open(*root, key) != code::Success) return Failed(what, L"its key could not be opened");
        }
        const long rc = sys_.RegSetValue(open.get(), name, static_cast<std::uint32_t>(type), data);
        if (rc != code::Success) return Failed(what, L"writing it failed (error " + std::to_wstring(rc) + L")");
        return Done(what);
    }

    bool Service(const Line& line) {
        const JsonValue& c = line.json;
        std::wstring name, exportName;
        c.Text(recordfield::kName, name);
        const std::wstring what = L"service " + name;
        const std::wstring keyPath = ServiceKeyPath(name);
        OpenKey existing(sys_);
        if (existing.Open(RegRoot::LocalMachine, keyPath) == code::Success) return LeftAlone(what, L"its key exists again");
        existing.reset();
        if (!c.Text(recordfield::kExport, exportName)) return Failed(what, L"the run kept no export of its key");
        const auto checked = exports_.find(line.number);
        if (checked == exports_.end()) return Failed(what, L"its export " + exportName + L" cannot be read");
        if (dryRun_) return Done(what);
        // The registry editor imports the bytes that were checked, from a file of this machine's own.
        std::wstring temp;
        const std::uint32_t length = sys_.GetTempPath(temp);
        temp = temp.substr(0, length);
        if (temp.empty() || temp.back() != L'\\') temp += L'\\';
        temp += L"pellworth-restore.reg";
        if (!WriteWholeFile(sys_, temp, checked->second)) {
            sys_.DeleteFile(temp);
            return Failed(what, L"its checked export could not be written to " + temp);
        }
        const std::wstring command = WindowsDirOf(SystemDirectory(sys_)) + L"\\regedit.exe /s \"" + temp + L"\"";
        const bool started = sys_.StartCommandLineAndWait(command, ShowStyle::Hidden, kImportTimeoutMs);
        sys_.DeleteFile(temp);
        if (!started) return Failed(what, L"the registry editor could not be started");
        OpenKey imported(sys_);
        if (imported.Open(RegRoot::LocalMachine, keyPath) != code::Success)
            return Failed(what, L"the import did not create its key");
        return Done(what);
    }

    bool Hosts(const JsonValue& c) {
        std::wstring path, backup, md5;
        c.Text(recordfield::kPath, path);
        c.Text(recordfield::kWrittenMd5, md5);
        const std::wstring what = L"hosts file " + path;
        auto listDropped = [&] {
            if (const JsonValue* dropped = c.Find(recordfield::kDropped); dropped && dropped->type == JsonValue::Type::Array)
                for (const JsonValue& line : dropped->items)
                    if (line.type == JsonValue::Type::String) say_(L"  dropped line: " + line.text);
        };
        // Replaced only while it is exactly what the run wrote; otherwise someone has edited it since.
        if (md5.empty() || !Equals(md5_.OfFile(path), md5)) {
            LeftAlone(what, L"it has changed since the run; the lines the run dropped were");
            listDropped();
            return false;
        }
        if (!c.Text(recordfield::kBackup, backup) || !IsPlainDiskFile(sys_, folder_ + backup)) {
            Failed(what, L"the run's copy of it is missing; the lines the run dropped were");
            listDropped();
            return false;
        }
        if (dryRun_) return Done(what);
        // The old content goes beside the file and then over it in one step, as the run replaced it.
        const std::wstring temp = path + kRestoreSuffix;
        sys_.SetFileAttributes(temp, kAttributeNormal);
        sys_.SetFileAttributes(path, kAttributeNormal);
        if (!sys_.CopyFile(folder_ + backup, temp, false) || !sys_.MoveFileReplace(temp, path)) {
            sys_.DeleteFile(temp);
            return Failed(what, L"replacing it failed (error " + std::to_wstring(sys_.LastError()) + L")");
        }
        return Done(what);
    }

    System& sys_;
    Host& host_;
    std::wstring folder_;
    bool dryRun_;
    const Say& say_;
    KeptMd5 md5_{sys_, host_};
    std::map<std::size_t, std::string> exports_;  // by the line of the service change
    std::uint64_t keptExportBytes_ = 0;
};

}  // namespace

RestoreResult RestoreRun(System& sys, Host& host, const std::wstring& target, const RestoreOptions& options,
                         const Say& say) {
    std::wstring recordPath = target;
    // Anything but a folder is read as a record, so a device or a pipe given here is named as such.
    const std::uint32_t attributes = sys.GetFileAttributes(target);
    const bool device = target.rfind(L"\\\\.\\", 0) == 0 || IsDeviceName(FileNameOf(target));
    const bool fileGiven = EndsWithNoCase(target, kRecordExtension) || device ||
                           (attributes != kInvalidAttributes && !(attributes & kAttributeDirectory));
    if (!fileGiven) {
        const std::wstring folder = target.empty() || target.back() == L'\\' ? target : target + L"\\";
        recordPath = NewestRecord(sys, folder);
        if (recordPath.empty()) {
            say(L"no record found in " + folder);
            return RestoreResult::Unreadable;
        }
    }
    say((options.dryRun ? L"dry run, nothing is changed: " : L"restoring: ") + recordPath);
    const std::optional<std::wstring> recordFolder = FolderOf(recordPath);
    const std::wstring folder = recordFolder ? *recordFolder + L"\\" : std::wstring();
    std::string bytes;
    if (const std::wstring why = ReadPlainFile(sys, recordPath, bytes, kMaxRecordBytes); !why.empty()) {
        say(L"refused: the record " + why + L"; nothing was restored");
        return RestoreResult::Unreadable;
    }

    // The file is read once, so the checks below and the changes after them see the same bytes whatever
    // happens to the file meanwhile (it may lie on a share others write to). A line is parsed each time it
    // is used and dropped after: memory follows the file's bytes, bounded above, not what its lines hold.
    const std::vector<TextLine<char>> split = SplitLines(bytes, LineBreaks::Lf);
    auto parse = [&](std::size_t number, JsonValue& json, std::wstring& error) {
        return ParseJson(split[number - 1].text, json, error) && json.type == JsonValue::Type::Object;
    };

    // Every complete line is used; a line cut short (the run was interrupted while writing it) or
    // broken otherwise is named and left out.
    bool broken = false;
    std::optional<Line> header;
    std::vector<std::size_t> changes;  // the numbers of the lines that record a change
    for (std::size_t number = 1; number <= split.size(); ++number) {
        const std::string_view text = split[number - 1].text;
        const bool complete = number < split.size();  // only the last line has no LF after it
        if (TrimBlanks(Utf8ToWide(text)).empty()) continue;
        Line line{number, {}};
        std::wstring error, record;
        if (!parse(number, line.json, error)) {
            say(L"line " + std::to_wstring(number) +
                (complete ? L" is not a record (" + error + L"): left out" : L" is cut short: left out"));
            broken = true;
            continue;
        }
        if (!header) {
            header = std::move(line);
        } else if (line.json.Text(recordfield::kRecord, record) && record == recordline::kChange) {
            changes.push_back(number);
        }
    }

    std::wstring record, start, machine;
    std::uint64_t format = 0;
    if (!header || header->number != 1 || !header->json.Text(recordfield::kRecord, record) ||
        record != recordline::kHeader || !header->json.Unsigned(recordfield::kFormat, format)) {
        say(L"refused: not a Pellworth Remover record: " + recordPath);
        return RestoreResult::Unreadable;
    }
    if (format > static_cast<std::uint64_t>(kRecordFormat)) {
        say(L"refused: the record is of a later format (" + std::to_wstring(format) + L")");
        return RestoreResult::Unreadable;
    }
    if (IsScanRecord(header->json)) {
        say(L"refused: " + recordPath + L" is the record of a scan, which changed nothing; nothing was restored");
        return RestoreResult::Unreadable;
    }
    header->json.Text(recordfield::kStart, start);
    header->json.Text(recordfield::kMachine, machine);
    say(L"the run of " + start + L" on " + machine);
    // Records of many machines may lie on one share that every machine writes to: one of them must not
    // be able to decide what another puts back.
    const std::wstring self = sys.ComputerName();
    if (!options.anyMachine && (self.empty() || !Equals(machine, self))) {
        say(L"refused: the record was written on the computer \"" + machine + L"\", and this is \"" + self +
            L"\"; nothing was restored (pellclean --any-machine restores it here all the same)");
        return RestoreResult::Unreadable;
    }

    Restorer restorer(sys, host, folder, options.dryRun, say);
    std::wstring error;
    for (std::size_t number : changes) {
        Line line{number, {}};
        parse(number, line.json, error);
        std::wstring unsafe = restorer.Unsafe(line.json);
        if (unsafe.empty()) unsafe = restorer.CheckExport(line);
        if (!unsafe.empty()) {
            // A record is input: one that points restore anywhere a run could not have changed is refused
            // whole, before anything is done.
            say(L"refused: line " + std::to_wstring(line.number) + L" " + unsafe + L"; nothing was restored");
            return RestoreResult::Unreadable;
        }
    }

    bool all = !broken;
    for (std::size_t number : changes) {
        Line line{number, {}};
        parse(number, line.json, error);
        all = restorer.Apply(line) && all;
    }
    return all ? RestoreResult::AllRestored : RestoreResult::SomeLeftAlone;
}

}  // namespace pell
