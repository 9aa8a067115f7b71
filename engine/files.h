// Whole-file reading and writing over the System seam.
#pragma once

#include <string>

#include "engine/system.h"

namespace pell {

// Reads the whole file into `bytes`; false (bytes untouched) when it cannot be opened or read.
bool ReadWholeFile(System& sys, const std::wstring& path, std::string& bytes);
// Creates or empties the file and writes `bytes`; false when opening or any write fails.
bool WriteWholeFile(System& sys, const std::wstring& path, const std::string& bytes);

}  // namespace pell
