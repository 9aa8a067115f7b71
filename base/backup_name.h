// Copies the run keeps in the log folder: "name.back", and never over an existing copy.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/system.h"

namespace pell {

// How many numbered names one file name may take in a log folder; the bound only stops a search
// through a folder that someone has filled on purpose.
constexpr int kMaxBackupCopies = 100;

// The copy's name in `folder` (ending with a backslash): copy 1 is fileName + ".back", later ones
// fileName + " (n).back".
std::wstring BackupName(const std::wstring& folder, const std::wstring& fileName, int copy);

// The name a copy is written under until it is whole and flushed: no finished-looking name ever holds
// part of a file, whatever stops the copy (a full disk, a crash, a power cut).
std::wstring UnfinishedBackupName(const std::wstring& folder, const std::wstring& fileName, int copy);

// What a finished copy is: its file name within the folder and the number of bytes it holds.
struct BackupCopy {
    std::wstring name;
    std::uint64_t size = 0;
};

// Copies the open file `source`, read from its start, into `folder` (ending with a backslash): written
// under an unfinished name, flushed, then renamed to the first free backup name in the order above,
// never over a file or folder that holds a name already. True only when every byte of the source
// (as long as it was when the copy began) was written and flushed; `copy` then tells the copy. Each
// piece read is handed to `onBytes` in order (the caller's digest of exactly what was copied). A copy
// that stopped part way is removed; a failure other than a taken name ends the attempt at once.
bool CopyToBackup(System& sys, const std::wstring& folder, FileHandle source, const std::wstring& fileName,
                  BackupCopy& copy, const std::function<void(std::span<const std::uint8_t>)>& onBytes = {});
// The same for the file at `source`, opened for reading; `copyName` (when given) receives the copy's
// file name within `folder`.
bool CopyToBackup(System& sys, const std::wstring& folder, const std::wstring& source, const std::wstring& fileName,
                  std::wstring* copyName = nullptr);

}  // namespace pell
