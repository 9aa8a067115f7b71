// The folder values a run works with, read from the system when START begins.
#pragma once

#include <string>

namespace pell {

struct Folders {
    std::wstring SystemDir;   // no trailing backslash
    std::wstring WindowsDir;  // first two parts of SystemDir
    std::wstring TempPath;    // with trailing backslash
    std::wstring TempRoot;    // first three characters of TempPath
    std::wstring LogFolder;   // with trailing backslash; empty until START sets it
    std::wstring SystemWow64Dir;  // the 32-bit system folder of 64-bit Windows, no trailing backslash; else empty
};

}  // namespace pell
