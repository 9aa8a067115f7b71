// A planted machine for the process-scan tests: the fake PC, the scripted host and an engine on them.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "base/text.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/unit/english_translation.h"

namespace pell::test {

// One English translation for every engine of these tests (the engine keeps a pointer to it).
inline const Translation& ScanTranslation() {
    static const Translation english = EnglishTranslation();
    return english;
}

// The folder values a run on the default fake machine starts with; the log folder is planted.
struct ScanMachine {
    explicit ScanMachine(const std::wstring& logFolder = L"C:\\Logs\\",
                         const std::wstring& tempPath = L"C:\\DOCUME~1\\X\\LOCALS~1\\Temp\\") {
        machine.SetTempPath(tempPath);
        machine.PlantFolder(tempPath);
        machine.PlantFolder(logFolder);
        engine.folders.SystemDir = L"C:\\WINDOWS\\system32";
        engine.folders.WindowsDir = L"C:\\WINDOWS";
        engine.folders.TempPath = tempPath;
        engine.folders.TempRoot = tempPath.substr(0, 3);
        engine.folders.LogFolder = logFolder;
    }

    // The details lines after the leading break of the first one.
    std::vector<std::wstring> Lines() const {
        std::vector<std::wstring> lines = host.Lines();
        if (!lines.empty() && lines.front().empty()) lines.erase(lines.begin());
        return lines;
    }

    FakeMachine machine;
    TestHost host;
    Engine engine{machine, host, ScanTranslation()};
};

inline std::wstring Found(const std::wstring& path) { return L"Found " + path + L" ...Removed"; }
inline std::wstring Refused(const std::wstring& path) { return L"Found " + path + L" ...Unable To Remove!!"; }
inline std::wstring BackedUp(const std::wstring& shortName) { return L"Successfully backed up \"" + shortName + L"\""; }

}  // namespace pell::test
