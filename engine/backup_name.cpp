// Copying a file into the log folder under a backup name that no earlier copy holds.
#include "engine/backup_name.h"

namespace pell {
namespace {

constexpr std::uint32_t kErrorFileExists = 80;
constexpr std::uint32_t kErrorAlreadyExists = 183;

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
        if (sys.CopyFile(source, target, true) == 1) {
            if (copyName) *copyName = target.substr(folder.size());
            return true;
        }
        std::uint32_t error = sys.LastError();
        if (error == kErrorFileExists || error == kErrorAlreadyExists) continue;
        // A folder of the copy's name refuses the copy (access denied): that name is taken, too.
        if (error == code::AccessDenied) {
            std::uint32_t taken = sys.GetFileAttributes(target);
            if (taken != kInvalidAttributes && (taken & kAttributeDirectory)) continue;
        }
        return false;
    }
    return false;
}

}  // namespace pell
