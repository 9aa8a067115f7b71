// Copies the run keeps in the log folder: "name.back", and never over an existing copy.
#pragma once

#include <string>

#include "base/system.h"

namespace pell {

// How many numbered names one file name may take in a log folder; the bound only stops a search
// through a folder that someone has filled on purpose.
constexpr int kMaxBackupCopies = 100;

// The copy's name in `folder` (ending with a backslash): copy 1 is fileName + ".back", later ones
// fileName + " (n).back".
std::wstring BackupName(const std::wstring& folder, const std::wstring& fileName, int copy);

// Copies `source` to the first free backup name in `folder`, in the order above, never overwriting a
// file or folder that holds a name already. True only when a copy of the source's full size was made;
// `copyName` (when given) then receives the copy's file name within `folder`. A copy that stopped part
// way is removed. A failure other than a taken name (no such folder, source unreadable, disk full) ends
// the attempt at once.
bool CopyToBackup(System& sys, const std::wstring& folder, const std::wstring& source, const std::wstring& fileName,
                  std::wstring* copyName = nullptr);

}  // namespace pell
