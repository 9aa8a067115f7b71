// Picking a free backup name in the log folder.
#include "engine/backup_name.h"

namespace pell {

std::wstring PickBackupName(System& sys, const std::wstring& folder, const std::wstring& fileName) {
    // One folder of logs holds a handful of copies of the same name; the bound only stops a search
    // through a folder that someone has filled on purpose.
    constexpr int kMaxCopies = 9999;
    for (int n = 1; n <= kMaxCopies; ++n) {
        std::wstring candidate = folder + fileName + (n == 1 ? L"" : L" (" + std::to_wstring(n) + L")") + L".back";
        if (sys.GetFileAttributes(candidate) == kInvalidAttributes) return candidate;
    }
    return {};
}

}  // namespace pell
