// What the Wine tests and benchmarks set up alike: the English translation from the program's own
// resources and the folder values a run takes from the real machine.
#pragma once

#include <string>

#include "engine/engine.h"
#include "base/text.h"
#include "i18n/translation.h"
#include "platform/win32/program_resources.h"

namespace pell::test {

inline bool LoadEnglish(Translation& t, std::wstring& error) {
    auto bytes = win32::LoadResourceBytes(L"LANGUAGE", 106);
    return bytes && Translation::Parse(Cp1252ToWide(*bytes), t, error);
}

// The folder values as a run sets them, from the real machine.
inline Folders RealFolders(System& sys, const std::wstring& logFolder) {
    Folders f;
    sys.GetSystemDirectory(f.SystemDir);
    std::size_t second = f.SystemDir.find(L'\\', f.SystemDir.find(L'\\') + 1);
    f.WindowsDir = f.SystemDir.substr(0, second);
    sys.GetTempPath(f.TempPath);
    f.TempRoot = f.TempPath.substr(0, 3);
    f.LogFolder = logFolder;
    return f;
}

}  // namespace pell::test
