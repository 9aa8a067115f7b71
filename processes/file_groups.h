// The worm-file paths tried for one infection name: the first group that holds the name decides them.
#pragma once

#include <string>
#include <vector>

#include "base/folders.h"

namespace pell {

// The paths handed to BackUpAndDelete for the infection name `n` (exactly as stored), in order.
std::vector<std::wstring> WormFilePaths(const Folders& folders, const std::wstring& n);

}  // namespace pell
