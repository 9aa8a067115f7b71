// The process table, candidate selection and file backup-and-delete.
#include "engine/process_utils.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/backup_name.h"
#include "base/handles.h"
#include "base/runtime_error.h"
#include "engine/left_alone.h"
#include "base/text.h"
#include "base/trace.h"
#include "i18n/details.h"

namespace pell {
namespace {

constexpr long kNtFamily = 2;
constexpr std::uint32_t kQueryAndReadAccess = 0x410;  // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ
// EnumProcesses doubles its buffer until the answer fits; no machine has anywhere near this many ids.
constexpr std::uint32_t kMaxIdBufferBytes = 1u << 24;

std::wstring LastField(std::wstring_view text, std::wstring_view delimiter) {
    return GetField(text, delimiter, 0, 0, CountFields(text, delimiter) - 1);
}

// The path with its file name spelled as the folder holds it: the scan builds paths from worm names in
// whatever case the lists use, and a restored file should get back its own name. In a case-sensitive
// folder two files may differ only by case: the one spelled exactly as the path is the one it opens.
std::wstring AsSpelledOnDisk(System& sys, const std::wstring& path) {
    const std::optional<std::wstring> folder = FolderOf(path);
    if (!folder) return path;
    const std::wstring name = FileNameOf(path);
    std::vector<FoundFile> entries;
    if (name.find_first_of(L"*?") != std::wstring::npos || sys.ListFolder(*folder, name, entries) != code::Success)
        return path;
    for (const FoundFile& entry : entries)
        if (entry.name == name) return path;
    for (const FoundFile& entry : entries)
        if (Equals(entry.name, name)) return *folder + L"\\" + entry.name;
    return path;
}

// Copies the open file into the log folder and computes the digest of exactly the bytes copied. The
// window's messages are served after each megabyte, as while a file is hashed.
bool CopyWithDigest(Engine& e, FileHandle file, const std::wstring& shortName, FileCopy& copy) {
    constexpr std::uint64_t kBytesBetweenYields = std::uint64_t{kMd5BlockSize} * kMd5BlocksBetweenYields;
    std::uint64_t sinceYield = 0;
    MD5Hash* md5 = e.recordMd5.Hasher();
    bool digested = md5 != nullptr;
    auto guarded = [&](auto step) {
        if (!digested) return;
        try {
            step();
        } catch (const RuntimeError&) {
            TraceCaught(L"the digest of the copy of " + shortName);
            digested = false;  // the copy stands without its digest
        }
    };
    guarded([&] { md5->Begin(); });
    BackupCopy made;
    if (!CopyToBackup(e.sys, e.folders.LogFolder, file, shortName, made,
                      [&](std::span<const std::uint8_t> bytes) {
                          guarded([&] { md5->HashBlock(bytes); });
                          if ((sinceYield += bytes.size()) >= kBytesBetweenYields) {
                              sinceYield = 0;
                              e.host.DoEvents();
                          }
                      }))
        return false;
    copy.name = made.name;
    copy.size = made.size;
    copy.md5.clear();
    guarded([&] { copy.md5 = md5->HashValue(); });
    return true;
}

}  // namespace

long PlatformId(Engine& e) { return e.sys.PlatformId(); }

void BuildProcessTable(Engine& e) {
    e.ProcessTable.assign(1, ProcessEntry{});
    e.ProcessCandidates.assign(1, ProcessEntry{});
    if (PlatformId(e) != kNtFamily) return;

    std::vector<std::uint32_t> ids;
    std::uint32_t needed = 96;
    std::uint32_t size = 8;
    while (needed >= size && size < kMaxIdBufferBytes) {
        e.host.DoEvents();
        size *= 2;
        ids.assign(size / 4 + 1, 0);
        if (e.sys.EnumProcesses(ids, size, needed) == 0) {
            // A failed listing gives no ids rather than a buffer of zeroes.
            needed = 0;
            break;
        }
    }
    std::size_t count = std::min<std::size_t>(needed / 4, ids.size());

    for (std::size_t n = 0; n < count; ++n) {
        std::uint32_t id = ids[n];
        e.host.DoEvents();
        OpenProcessHandle process(e.sys, e.sys.OpenProcess(kQueryAndReadAccess, id));
        if (process.valid()) {
            std::uint64_t module = 0;
            if (e.sys.EnumProcessModules(process.get(), module) != 0) {
                std::wstring raw;
                std::uint32_t length = e.sys.GetModuleFileNameEx(process.get(), module, raw);
                std::wstring path = UpperCase(TrimBlanks(raw.substr(0, std::min<std::size_t>(length, raw.size()))));
                std::wstring withoutNuls = path;
                withoutNuls.erase(std::remove(withoutNuls.begin(), withoutNuls.end(), L'\0'), withoutNuls.end());
                withoutNuls = TrimBlanks(withoutNuls);

                ProcessEntry entry;
                entry.fileName = LastField(withoutNuls, L"\\");
                entry.id = static_cast<std::int32_t>(id);
                std::size_t folderLength = path.size() >= entry.fileName.size() ? path.size() - entry.fileName.size() : 0;
                entry.folder = path.substr(0, folderLength);
                // Paths in the \??\C:\... form: the folder starts at the drive letter.
                std::size_t colon = path.find(L':');
                if (colon != std::wstring::npos) {
                    std::size_t start = colon == 0 ? 0 : colon - 1;
                    entry.folder = start < entry.folder.size() ? entry.folder.substr(start) : std::wstring();
                }
                e.ProcessTable.push_back(std::move(entry));
            }
        }
        process.reset();
        e.host.DoEvents();
    }
}

void SelectProcesses(Engine& e, std::wstring_view name) {
    std::wstring key = UpperCase(TrimBlanks(name));
    if (PlatformId(e) != kNtFamily) return;
    for (const ProcessEntry& entry : e.ProcessTable)
        if (entry.fileName == key || key == L"*") e.ProcessCandidates.push_back(entry);
}

void BackUpAndDelete(Engine& e, const std::wstring& path, DeletionLines lines) {
    const bool every = lines == DeletionLines::Every;
    if (IsOwnProgram(e.sys, path)) {
        ReportLeftAlone(e, path, kOwnProgramLeftAlone);
        return;
    }
    // A run whose record could not be written changes nothing more.
    if (!e.MayChange()) return;
    std::wstring shortName = LastField(path, L"\\");
    // Kept for the record, so that a restored file gets its name, and its hidden and system marks, back.
    const std::uint32_t attributes = e.sys.GetFileAttributes(path);

    // Everything below is about the file this handle has open: a link is opened itself, not followed.
    OpenFileHandle file(e.sys);
    FileIdentity identity;
    if (!file.Open(path, FileAccess::ReadLinkItself, FileDisposition::OpenExisting) ||
        !e.sys.GetFileIdentity(file.get(), identity)) {
        file.reset();
        // A path that names no file (or a folder, which worms' vaccines create) has nothing to lose.
        const std::uint32_t now = e.sys.GetFileAttributes(path);
        if (now == kInvalidAttributes || (now & kAttributeDirectory) || !every) return;
        e.Details(status::UnableToBackUp, shortName);
        e.wormsLeftBehind.insert(UpperCase(path));
        return;
    }
    if (identity.attributes & kAttributeReparsePoint) {
        ReportLeftAlone(e, path, kLinkLeftAlone);
        return;
    }
    if (const wchar_t* ending = GenuineReachedElsewhere(e, path, identity)) {
        ReportLeftAlone(e, path, ending);
        return;
    }
    const std::wstring recordedPath =
        e.changes != nullptr && attributes != kInvalidAttributes ? AsSpelledOnDisk(e.sys, path) : path;

    // Nothing is deleted without a complete copy of its own. A second file of the same name (from another
    // folder, or differing only by case) gets its own numbered copy; the same file met again (one that
    // would not go away, under the next worm name or another path) is not copied again.
    const std::wstring key = FileKey(identity);
    auto copy = e.backedUpThisScan.find(key);
    if (copy == e.backedUpThisScan.end()) {
        FileCopy made;
        if (!CopyWithDigest(e, file.get(), shortName, made)) {
            if (!every) return;
            e.Details(status::UnableToBackUp, shortName);
            e.wormsLeftBehind.insert(key);
            return;
        }
        copy = e.backedUpThisScan.emplace(key, made).first;
        if (every) e.Details(status::BackedUp, shortName);
    }
    file.reset();
    e.sys.SetFileAttributes(path, kAttributeNormal);

    if (e.sys.DeleteFile(path) != 0) {
        e.Changes().FileDeleted(recordedPath, attributes, copy->second, FileDeletion::Now);
        e.wormsLeftBehind.erase(key);  // a copy that failed earlier in the scan is made good
        if (!every) return;
        e.Details(status::Removed, path);
        e.fileRemoved = true;
        return;
    }
    if (!every) return;
    const std::uint32_t error = e.sys.LastError();
    if (error == code::FileNotFound || error == code::PathNotFound) return;
    // Locked, in use, refused: the file is there and stays until Windows starts again, when nothing
    // holds it yet.
    e.Details(status::UnableToRemove, path);
    // Recorded too: after the restart, restore puts it back from its copy.
    if (e.wormsLeftBehind.insert(key).second && e.MayChange() && e.sys.DeleteFileAtRestart(path)) {
        e.Changes().FileDeleted(recordedPath, attributes, copy->second, FileDeletion::AtRestart);
        AppendDetailsLine(e.host, path + kRemovedAtRestart);
    }
}

}  // namespace pell
