// Copying a file into the log folder under a backup name that no earlier copy holds.
#include "base/backup_name.h"

#include <vector>

#include "base/handles.h"

namespace pell {
namespace {

constexpr std::uint32_t kCopyBlock = 65536;

bool NameTaken(std::uint32_t error) { return error == code::FileExists || error == code::AlreadyExists; }

// A folder of the copy's name refuses the copy (access denied): that name is taken, too.
bool FolderHolds(System& sys, const std::wstring& target) {
    const std::uint32_t taken = sys.GetFileAttributes(target);
    return taken != kInvalidAttributes && (taken & kAttributeDirectory);
}

// Writes the source's bytes into the open unfinished copy and flushes it; false when any piece fails or
// the source is no longer as long as it was.
bool WriteWhole(System& sys, FileHandle source, FileHandle target, std::uint64_t expected, std::uint64_t& copied,
                const std::function<void(std::span<const std::uint8_t>)>& onBytes) {
    std::vector<std::uint8_t> buffer(kCopyBlock);
    copied = 0;
    // Bounded by the source's size: a file that grows while it is read is not copied whole anyway.
    while (copied <= expected) {
        std::uint32_t read = 0;
        if (!sys.ReadFile(source, buffer.data(), kCopyBlock, read)) return false;
        if (read == 0) break;
        std::uint32_t written = 0;
        if (!sys.WriteFile(target, buffer.data(), read, written) || written != read) return false;
        if (onBytes) onBytes(std::span<const std::uint8_t>(buffer.data(), read));
        copied += read;
    }
    return copied == expected && sys.FlushFile(target) != 0;
}

}  // namespace

std::wstring BackupName(const std::wstring& folder, const std::wstring& fileName, int copy) {
    if (copy == 1) return folder + fileName + L".back";
    return folder + fileName + L" (" + std::to_wstring(copy) + L").back";
}

std::wstring UnfinishedBackupName(const std::wstring& folder, const std::wstring& fileName, int copy) {
    return BackupName(folder, fileName, copy) + L".partial";
}

bool CopyToBackup(System& sys, const std::wstring& folder, FileHandle source, const std::wstring& fileName,
                  BackupCopy& copy, const std::function<void(std::span<const std::uint8_t>)>& onBytes) {
    std::uint64_t expected = 0;
    if (!sys.GetFileSize(source, expected)) return false;
    // The unfinished copy is created new, so the name it takes is this copy's alone; one left behind by
    // an interrupted run keeps its name and the next free one is taken.
    OpenFileHandle target(sys);
    std::wstring unfinished;
    for (int n = 1; n <= kMaxBackupCopies && !target.valid(); ++n) {
        unfinished = UnfinishedBackupName(folder, fileName, n);
        if (!target.Open(unfinished, FileAccess::Write, FileDisposition::CreateNew)) {
            const std::uint32_t error = sys.LastError();
            if (NameTaken(error) || (error == code::AccessDenied && FolderHolds(sys, unfinished))) continue;
            return false;
        }
    }
    if (!target.valid()) return false;
    auto discard = [&] {
        target.reset();
        sys.SetFileAttributes(unfinished, kAttributeNormal);
        sys.DeleteFile(unfinished);
        return false;
    };
    std::uint64_t copied = 0;
    if (!WriteWhole(sys, source, target.get(), expected, copied, onBytes)) return discard();
    target.reset();
    // Renamed with fail-if-exists, moving on only when the name is taken: no probe can race the rename.
    for (int n = 1; n <= kMaxBackupCopies; ++n) {
        const std::wstring finished = BackupName(folder, fileName, n);
        if (sys.MoveFileNoReplace(unfinished, finished)) {
            copy.name = finished.substr(folder.size());
            copy.size = copied;
            return true;
        }
        const std::uint32_t error = sys.LastError();
        if (NameTaken(error) || (error == code::AccessDenied && FolderHolds(sys, finished))) continue;
        break;
    }
    return discard();
}

bool CopyToBackup(System& sys, const std::wstring& folder, const std::wstring& source, const std::wstring& fileName,
                  std::wstring* copyName) {
    OpenFileHandle file(sys);
    if (!file.Open(source, FileAccess::Read, FileDisposition::OpenExisting)) return false;
    BackupCopy copy;
    if (!CopyToBackup(sys, folder, file.get(), fileName, copy)) return false;
    if (copyName) *copyName = copy.name;
    return true;
}

}  // namespace pell
