// A planted machine, a scripted host and the engine around them, for tests that run one stage.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/stages.h"
#include "base/text.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/unit/english_translation.h"

namespace pell::test {

struct StageBench {
    FakeMachine machine;
    TestHost host;
    Translation english = EnglishTranslation();
    Engine e{machine, host, english};
    RunFlags flags;

    StageBench() {
        e.folders.SystemDir = L"C:\\WINDOWS\\system32";
        e.folders.WindowsDir = L"C:\\WINDOWS";
        e.folders.TempPath = L"C:\\DOCUME~1\\X\\LOCALS~1\\Temp\\";
        e.folders.TempRoot = L"C:\\";
        e.folders.LogFolder = L"D:\\Logs\\";
        machine.AddDrive(L'D', drive::Fixed);
        machine.PlantFolder(L"D:\\Logs");
    }

    // The lines the stage appended (the details box starts empty, so its first line is empty).
    std::vector<std::wstring> Reported() const {
        std::vector<std::wstring> lines = host.Lines();
        lines.erase(lines.begin());
        return lines;
    }
};

}  // namespace pell::test
