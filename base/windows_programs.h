// The programs that ship with Windows, by base name: what the database may not list and no digest may remove.
#pragma once

#include <string_view>

namespace pell {

// True when `baseName` (a file name without its extension, any case) is one of the programs, command
// files or screen savers that Windows installs in its own folders (Windows XP to Windows 11), or one of
// Windows' own applications that a run reaches by name.
bool IsWindowsProgramName(std::wstring_view baseName);

}  // namespace pell
