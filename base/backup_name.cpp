// Copying a file into the log folder under a backup name that no earlier copy holds.
#include "base/backup_name.h"

#include <optional>

#include "base/handles.h"

namespace pell {
namespace {

constexpr std::uint32_t kErrorFileExists = 80;
constexpr std::uint32_t kErrorAlreadyExists = 183;

// The size of the file at `path`, when it can be opened for reading.
std::optional<std::uint64_t> SizeOf(System& sys, const std::wstring& path) {
    OpenFileHandle file(sys);
    std::uint64_t size = 0;
    if (!file.Open(path, FileAccess::Read, FileDisposition::OpenExisting) || !sys.GetFileSize(file.get(), size))
        return std::nullopt;
    return size;
}

// A copy that stopped part way (a full disk, a vanished share) must not stay behind looking like a
// backup. Called only for a name that was free before the copy: what holds it now is that copy.
void RemovePartialCopy(System& sys, const std::wstring& target) {
    const std::uint32_t attributes = sys.GetFileAttributes(target);
    if (attributes == kInvalidAttributes || (attributes & kAttributeDirectory)) return;
    sys.SetFileAttributes(target, kAttributeNormal);
    sys.DeleteFile(target);
}

}  // namespace

std::wstring BackupName(const std::wstring& folder, const std::wstring& fileName, int copy) {
    if (copy == 1) return folder + fileName + L".back";
    return folder + fileName + L" (" + std::to_wstring(copy) + L").back";
}

bool CopyToBackup(System& sys, const std::wstring& folder, const std::wstring& source, const std::wstring& fileName,
                  std::wstring* copyName) {
    // Copy with fail-if-exists and move on only when the name is taken: no probe can race the copy.
    for (int copy = 1; copy <= kMaxBackupCopies; ++copy) {
        std::wstring target = BackupName(folder, fileName, copy);
        // Asked only to know, should the copy fail, whether a file left under the name is its own.
        const bool nameWasFree = sys.GetFileAttributes(target) == kInvalidAttributes;
        if (sys.CopyFile(source, target, true) == 1) {
            // Only a copy of the original's full size is a backup.
            const std::optional<std::uint64_t> copied = SizeOf(sys, target);
            if (copied && copied == SizeOf(sys, source)) {
                if (copyName) *copyName = target.substr(folder.size());
                return true;
            }
            RemovePartialCopy(sys, target);
            return false;
        }
        std::uint32_t error = sys.LastError();
        if (error == kErrorFileExists || error == kErrorAlreadyExists) continue;
        // A folder of the copy's name refuses the copy (access denied): that name is taken, too.
        if (error == code::AccessDenied) {
            std::uint32_t taken = sys.GetFileAttributes(target);
            if (taken != kInvalidAttributes && (taken & kAttributeDirectory)) continue;
        }
        if (nameWasFree) RemovePartialCopy(sys, target);
        return false;
    }
    return false;
}

}  // namespace pell
