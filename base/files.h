// Whole-file reading and writing over the System seam.
#pragma once

#include <cstdint>
#include <string>

#include "base/system.h"

namespace pell {

// Reads the whole file into `bytes`; false (bytes untouched) when it cannot be opened or read.
bool ReadWholeFile(System& sys, const std::wstring& path, std::string& bytes);
// The same, but also false (bytes untouched) when the file is longer than `maxBytes` or is no disk file
// at all (a device such as COM1, a pipe): for files that anyone may plant, whose size or kind must not
// decide how much memory the run takes or whether it ever ends.
bool ReadWholeFile(System& sys, const std::wstring& path, std::string& bytes, std::uint64_t maxBytes);
// That reading, with the reason in words when it fails ("is not a plain disk file", ...); empty when
// `bytes` holds the file.
std::wstring ReadPlainFile(System& sys, const std::wstring& path, std::string& bytes, std::uint64_t maxBytes);
// Whether `path` opens as a file on a disk (not a device such as COM1, not a pipe, not a folder).
bool IsPlainDiskFile(System& sys, const std::wstring& path);
// Reads an open file from where it stands to its end; false (bytes untouched) on a read error or once
// more than `maxBytes` arrive (a file may grow while it is read).
bool ReadToEnd(System& sys, FileHandle file, std::string& bytes, std::uint64_t maxBytes);
// Creates or empties the file and writes `bytes`; false when opening or any write fails.
bool WriteWholeFile(System& sys, const std::wstring& path, const std::string& bytes);

}  // namespace pell
