// The folder values a run works with, read from the system when START begins, and the reading itself.
#pragma once

#include <cstdint>
#include <string>

namespace pell {

class System;

struct Folders {
    std::wstring SystemDir;   // no trailing backslash
    std::wstring WindowsDir;  // first two parts of SystemDir
    std::wstring TempPath;    // with trailing backslash
    std::wstring TempRoot;    // first three characters of TempPath
    std::wstring LogFolder;   // with trailing backslash; empty until START sets it
    std::wstring SystemWow64Dir;  // the 32-bit system folder of 64-bit Windows, no trailing backslash; else empty
};

// What the platform wrote into a folder buffer: the first `length` characters, up to a terminator,
// without the blanks behind them.
std::wstring FolderAnswer(const std::wstring& buffer, std::uint32_t length);
// The system folder as the platform reports it (no trailing backslash), and the Windows folder made of
// its first two parts: "C:\WINDOWS\system32" gives "C:\WINDOWS".
std::wstring SystemDirectory(System& sys);
std::wstring WindowsDirOf(const std::wstring& systemDir);

}  // namespace pell
