// Restore: the manifest is read and checked whole, then each change is put back in the order it was made.
#include "engine/restore.h"

#include <optional>
#include <vector>

#include "base/files.h"
#include "base/handles.h"
#include "engine/json.h"
#include "engine/manifest.h"
#include "engine/run.h"
#include "base/runtime_error.h"
#include "engine/services.h"
#include "base/text.h"
#include "smartscan/md5_hash.h"

namespace pell {
namespace {

// A manifest, an export or a hosts file larger than this is not one a run wrote.
constexpr std::uint64_t kMaxManifestBytes = 64ull << 20;
constexpr std::uint64_t kMaxExportBytes = 16ull << 20;
// A log folder with more manifests than this is searched no further.
constexpr std::size_t kMaxManifests = 10000;
constexpr std::uint32_t kImportTimeoutMs = 30000;
constexpr wchar_t kMachineRoot[] = L"HKEY_LOCAL_MACHINE\\";
constexpr wchar_t kRestoreSuffix[] = L".pellworth-restore";

using Say = std::function<void(const std::wstring&)>;

struct Line {
    std::size_t number = 0;
    JsonValue json;
};

bool EndsWithNoCase(const std::wstring& text, std::wstring_view tail) {
    return text.size() >= tail.size() && Equals(std::wstring_view(text).substr(text.size() - tail.size()), tail);
}

// A name of a file in the manifest's own folder: no folder part, nothing that leads elsewhere.
bool IsOwnFileName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c == L'\\' || c == L'/' || c == L':' || c < 0x20) return false;
    return true;
}

// A full path on a drive ("C:\..."), without "." or ".." parts or forward slashes.
bool IsPlainFullPath(const std::wstring& path) {
    if (path.size() < 4 || path[1] != L':' || path[2] != L'\\' || path.find(L'/') != std::wstring::npos) return false;
    std::size_t start = 3;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring_view part = std::wstring_view(path).substr(start, end - start);
        if (part.empty() || part == L"." || part == L"..") return false;
        start = end + 1;
    }
    return true;
}

std::optional<RegRoot> RootFromName(const std::wstring& name) {
    if (name == L"HKLM") return RegRoot::LocalMachine;
    if (name == L"HKCU") return RegRoot::CurrentUser;
    if (name == L"HKU") return RegRoot::Users;
    return std::nullopt;
}

bool IsScanRecord(const JsonValue& header) {
    const JsonValue* scan = header.Find(L"scan");
    return scan != nullptr && scan->type == JsonValue::Type::Bool && scan->boolean;
}

// The start recorded in a manifest's header; empty when the file is not a manifest of a cleaning.
std::wstring RecordedStart(System& sys, const std::wstring& path) {
    std::string bytes;
    if (!ReadWholeFile(sys, path, bytes, kMaxManifestBytes)) return {};
    JsonValue header;
    std::wstring error, start, record;
    if (!ParseJson(bytes.substr(0, bytes.find('\n')), header, error)) return {};
    if (!header.Text(L"record", record) || record != L"header" || !header.Text(L"start", start)) return {};
    // A scan's record changed nothing: there is nothing of it to put back.
    if (IsScanRecord(header)) return {};
    return start;
}

// The newest manifest of the folder, by the start its header records (the names carry the date in the
// user's own format, which does not sort).
std::wstring NewestManifest(System& sys, const std::wstring& folder) {
    std::vector<FoundFile> entries;
    if (sys.ListFolder(folder, std::wstring(L"*") + kManifestExtension, entries) != code::Success) return {};
    std::wstring best, bestStart;
    std::size_t seen = 0;
    for (const FoundFile& entry : entries) {
        if (entry.attributes & kAttributeDirectory) continue;
        if (++seen > kMaxManifests) break;
        const std::wstring path = folder + entry.name;
        const std::wstring start = RecordedStart(sys, path);
        if (!start.empty() && (best.empty() || start > bestStart || (start == bestStart && entry.name > best))) {
            best = path;
            bestStart = start;
        }
    }
    return best;
}

// The text of a registry editor file: UTF-16LE after its byte order mark, else UTF-8 (or plain ASCII).
std::wstring RegFileText(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return text;
    }
    return Utf8ToWide(bytes);
}

// An export is imported only when every key it names is the service's own key or one below it, so a
// changed export cannot write anywhere else in the registry.
bool ExportTouchesOnlyService(const std::wstring& text, const std::wstring& service) {
    const std::wstring own = std::wstring(kMachineRoot) + kServicesKey + L"\\" + service;
    bool any = false;
    // Lines end in CR LF or in a bare LF.
    for (std::wstring line : SplitAtCrLf(ReplaceAll(ReplaceAll(text, L"\r\n", L"\n"), L"\n", L"\r\n"))) {
        line = TrimBlanks(line);
        if (line.empty() || line.front() != L'[') continue;
        if (line.back() != L']') return false;
        const std::wstring key = line.substr(1, line.size() - 2);
        if (!Equals(key, own) && !(key.size() > own.size() && Equals(std::wstring_view(key).substr(0, own.size()), own) &&
                                   key[own.size()] == L'\\'))
            return false;
        any = true;
    }
    return any;
}

class Restorer {
public:
    Restorer(System& sys, Host& host, const std::wstring& folder, bool dryRun, const Say& say)
        : sys_(sys), host_(host), folder_(folder), dryRun_(dryRun), say_(say) {}

    // Why the change cannot be accepted at all; empty when it may be acted on.
    std::wstring Unsafe(const JsonValue& c) const {
        std::wstring kind, text;
        c.Text(L"kind", kind);
        auto own = [&](const wchar_t* field) -> std::wstring {
            const JsonValue* v = c.Find(field);
            if (!v || v->type == JsonValue::Type::Null) return {};
            if (v->type != JsonValue::Type::String || !IsOwnFileName(v->text))
                return std::wstring(field) + L" is not a file of the manifest's folder";
            return {};
        };
        if (kind == L"file") {
            if (!c.Text(L"path", text) || !IsPlainFullPath(text)) return L"path is not a plain full path";
            return own(L"backup");
        }
        if (kind == L"service") {
            if (!c.Text(L"name", text) || !IsOwnFileName(text)) return L"service name is not a plain name";
            return own(L"export");
        }
        if (kind == L"hosts") {
            if (!c.Text(L"path", text) || !Equals(text, HostsPath())) return L"path is not this machine's hosts file";
            return own(L"backup");
        }
        return {};
    }

    bool Apply(const Line& line) {
        std::wstring kind;
        line.json.Text(L"kind", kind);
        if (kind == L"process") return Process(line.json);
        if (kind == L"file") return File(line.json);
        if (kind == L"autorun" || kind == L"policy") return Value(line.json, kind, false);
        if (kind == L"winlogon") return Value(line.json, kind, true);
        if (kind == L"service") return Service(line.json);
        if (kind == L"hosts") return Hosts(line.json);
        say_(L"left alone: line " + std::to_wstring(line.number) + L" records a change of an unknown kind \"" + kind + L"\"");
        return false;
    }

private:
    std::wstring HostsPath() const { return SystemDirectory(sys_) + L"\\drivers\\etc\\hosts"; }

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
        c.Text(L"path", path);
        // An ended program is not started again: that is the user's choice, not the record's.
        say_(L"not started again process " + path);
        return true;
    }

    bool File(const JsonValue& c) {
        std::wstring path, backup, md5;
        c.Text(L"path", path);
        const std::wstring what = L"file " + path;
        if (sys_.GetFileAttributes(path) != kInvalidAttributes) return LeftAlone(what, L"it exists again");
        if (!c.Text(L"backup", backup)) return Failed(what, L"the run kept no copy of it");
        const std::wstring copy = folder_ + backup;
        if (sys_.GetFileAttributes(copy) == kInvalidAttributes) return Failed(what, L"its copy " + backup + L" is missing");
        if (c.Text(L"md5", md5) && !md5.empty() && !Equals(md5_.OfFile(copy), md5))
            return Failed(what, L"its copy " + backup + L" has changed since the run");
        if (dryRun_) return Done(what);
        if (!sys_.CopyFile(copy, path, true))
            return Failed(what, L"the copy failed (error " + std::to_wstring(sys_.LastError()) + L")");
        std::uint64_t attributes = 0;
        if (c.Unsigned(L"attributes", attributes)) sys_.SetFileAttributes(path, static_cast<std::uint32_t>(attributes));
        return Done(what);
    }

    bool Value(const JsonValue& c, const std::wstring& kind, bool rewritten) {
        std::wstring rootName, key, name, hex, written;
        c.Text(L"root", rootName);
        c.Text(L"key", key);
        c.Text(L"name", name);
        const std::wstring what = kind + L" value " + rootName + L"\\" + key + L"\\" + name;
        std::optional<RegRoot> root = RootFromName(rootName);
        std::uint64_t type = 0;
        std::vector<std::uint8_t> data, after;
        if (!root || key.empty()) return Failed(what, L"its key is not one restore can open");
        if (!c.Unsigned(L"type", type) || type > 0xFFFFFFFFull || !c.Text(L"data", hex) || !BytesFromHex(hex, data))
            return Failed(what, L"its data could not be read before it was removed");
        if (rewritten && (!c.Text(L"written", written) || !BytesFromHex(written, after)))
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

    bool Service(const JsonValue& c) {
        std::wstring name, exportName;
        c.Text(L"name", name);
        const std::wstring what = L"service " + name;
        const std::wstring keyPath = std::wstring(kServicesKey) + L"\\" + name;
        OpenKey existing(sys_);
        if (existing.Open(RegRoot::LocalMachine, keyPath) == code::Success) return LeftAlone(what, L"its key exists again");
        existing.reset();
        if (!c.Text(L"export", exportName)) return Failed(what, L"the run kept no export of its key");
        const std::wstring file = folder_ + exportName;
        std::string bytes;
        if (!ReadWholeFile(sys_, file, bytes, kMaxExportBytes)) return Failed(what, L"its export " + exportName + L" cannot be read");
        if (!ExportTouchesOnlyService(RegFileText(bytes), name))
            return Failed(what, L"its export " + exportName + L" names keys other than the service's own");
        if (dryRun_) return Done(what);
        const std::wstring command = WindowsDirOf(SystemDirectory(sys_)) + L"\\regedit.exe /s \"" + file + L"\"";
        if (!sys_.StartCommandLineAndWait(command, ShowStyle::Hidden, kImportTimeoutMs))
            return Failed(what, L"the registry editor could not be started");
        OpenKey imported(sys_);
        if (imported.Open(RegRoot::LocalMachine, keyPath) != code::Success)
            return Failed(what, L"the import did not create its key");
        return Done(what);
    }

    bool Hosts(const JsonValue& c) {
        std::wstring path, backup, md5;
        c.Text(L"path", path);
        c.Text(L"written_md5", md5);
        const std::wstring what = L"hosts file " + path;
        auto listDropped = [&] {
            if (const JsonValue* dropped = c.Find(L"dropped"); dropped && dropped->type == JsonValue::Type::Array)
                for (const JsonValue& line : dropped->items)
                    if (line.type == JsonValue::Type::String) say_(L"  dropped line: " + line.text);
        };
        // Replaced only while it is exactly what the run wrote; otherwise someone has edited it since.
        if (md5.empty() || !Equals(md5_.OfFile(path), md5)) {
            LeftAlone(what, L"it has changed since the run; the lines the run dropped were");
            listDropped();
            return false;
        }
        if (!c.Text(L"backup", backup) || sys_.GetFileAttributes(folder_ + backup) == kInvalidAttributes) {
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
};

}  // namespace

RestoreResult RestoreRun(System& sys, Host& host, const std::wstring& target, bool dryRun, const Say& say) {
    std::wstring manifest = target;
    if (!EndsWithNoCase(target, kManifestExtension)) {
        const std::wstring folder = target.empty() || target.back() == L'\\' ? target : target + L"\\";
        manifest = NewestManifest(sys, folder);
        if (manifest.empty()) {
            say(L"no manifest found in " + folder);
            return RestoreResult::Unreadable;
        }
    }
    const std::optional<std::wstring> manifestFolder = FolderOf(manifest);
    const std::wstring folder = manifestFolder ? *manifestFolder + L"\\" : std::wstring();
    std::string bytes;
    if (!ReadWholeFile(sys, manifest, bytes, kMaxManifestBytes)) {
        say(L"cannot read the manifest " + manifest);
        return RestoreResult::Unreadable;
    }

    // Every complete line is used; a line cut short (the run was interrupted while writing it) or
    // broken otherwise is named and left out.
    bool broken = false;
    std::vector<Line> lines;
    const auto split = SplitLines(bytes, LineBreaks::Lf);
    for (std::size_t number = 1; number <= split.size(); ++number) {
        const std::string text(split[number - 1].text);
        const bool complete = number < split.size();  // only the last line has no LF after it
        if (TrimBlanks(Utf8ToWide(text)).empty()) continue;
        Line line{number, {}};
        std::wstring error;
        if (!ParseJson(text, line.json, error) || line.json.type != JsonValue::Type::Object) {
            say(L"line " + std::to_wstring(number) +
                (complete ? L" is not a record (" + error + L"): left out" : L" is cut short: left out"));
            broken = true;
            continue;
        }
        lines.push_back(std::move(line));
    }

    std::wstring record, start, machine;
    std::uint64_t format = 0;
    if (lines.empty() || lines[0].number != 1 || !lines[0].json.Text(L"record", record) || record != L"header" ||
        !lines[0].json.Unsigned(L"format", format)) {
        say(L"not a Pellworth Remover manifest: " + manifest);
        return RestoreResult::Unreadable;
    }
    if (format > static_cast<std::uint64_t>(kManifestFormat)) {
        say(L"the manifest " + manifest + L" is of a later format (" + std::to_wstring(format) + L")");
        return RestoreResult::Unreadable;
    }
    if (IsScanRecord(lines[0].json)) {
        say(L"refused: " + manifest + L" is the record of a scan, which changed nothing; nothing was restored");
        return RestoreResult::Unreadable;
    }
    lines[0].json.Text(L"start", start);
    lines[0].json.Text(L"machine", machine);
    say((dryRun ? L"dry run, nothing is changed: " : L"restoring: ") + manifest + L" (run of " + start + L" on " +
        machine + L")");

    Restorer restorer(sys, host, folder, dryRun, say);
    std::vector<const Line*> changes;
    for (const Line& line : lines) {
        if (!line.json.Text(L"record", record) || record != L"change") continue;
        const std::wstring unsafe = restorer.Unsafe(line.json);
        if (!unsafe.empty()) {
            // A manifest is input: one that points restore at files it did not make is refused whole.
            say(L"refused: line " + std::to_wstring(line.number) + L": " + unsafe + L"; nothing was restored");
            return RestoreResult::Unreadable;
        }
        changes.push_back(&line);
    }

    bool all = !broken;
    for (const Line* line : changes) all = restorer.Apply(*line) && all;
    return all ? RestoreResult::AllRestored : RestoreResult::SomeLeftAlone;
}

}  // namespace pell
