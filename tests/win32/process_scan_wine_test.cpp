// The process scan under Wine: a real program under a worm's name, started from a worm folder, is
// ended, and its file is backed up and removed, with the details lines in order.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/stages.h"
#include "engine/text.h"
#include "platform/win32/program_resources.h"
#include "tests/fake/test_host.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using ProcessScanTest = Win32Test;

const Translation& English() {
    static const Translation english = [] {
        Translation t;
        std::wstring error;
        auto bytes = win32::LoadResourceBytes(L"LANGUAGE", 106);
        EXPECT_TRUE(bytes && Translation::Parse(Cp1252ToWide(*bytes), t, error)) << WideToUtf8(error);
        return t;
    }();
    return english;
}

// The folder values as a run sets them, from the real machine.
Folders RealFolders(System& sys, const std::wstring& logFolder) {
    Folders f;
    sys.GetSystemDirectory(f.SystemDir);
    std::size_t second = f.SystemDir.find(L'\\', f.SystemDir.find(L'\\') + 1);
    f.WindowsDir = f.SystemDir.substr(0, second);
    sys.GetTempPath(f.TempPath);
    f.TempRoot = f.TempPath.substr(0, 3);
    f.LogFolder = logFolder;
    return f;
}

TEST_F(ProcessScanTest, AWormStartedFromTheRecyclerIsEndedAndItsFileRemoved) {
    const std::wstring name = L"pellscanworm";
    const std::wstring exe = L"C:\\RECYCLER\\" + name + L".exe";
    const std::wstring log = Folder() + L"\\log\\";
    planter.PlantFolder(log);
    planter.PlantFile(exe, HelperBytes(L"pell_sleeper.exe"));
    const std::uint32_t pid = planter.StartProgram(exe);
    ASSERT_TRUE(planter.ProcessRunning(pid));

    TestHost host;
    Engine e(sys, host, English());
    e.folders = RealFolders(sys, log);
    e.InfectionNames = {L"notrunning", name};

    EXPECT_TRUE(ScanProcesses(e));

    ASSERT_TRUE(planter.WaitProcessEnd(pid, 5000));
    std::vector<std::wstring> lines = host.Lines();
    if (!lines.empty() && lines.front().empty()) lines.erase(lines.begin());
    EXPECT_EQ(lines, (std::vector<std::wstring>{
                         L"Looking For Virus Processes...",
                         UpperCase(name) + L".EXE ...Terminated",
                         L"Looking for Virus Files...",
                         L"Successfully backed up \"" + name + L".exe\"",
                         L"Found " + exe + L" ...Removed",
                     }));
    EXPECT_FALSE(planter.FileExists(exe));
    EXPECT_EQ(planter.FileBytes(log + name + L".exe.back"), std::optional<std::string>(HelperBytes(L"pell_sleeper.exe")));
    EXPECT_EQ(host.prog2, (std::vector<double>{40, 60, 80}));
    sys.DeleteFile(log + name + L".exe.back");  // the scan's own file; the planter takes away the rest
}

}  // namespace
}  // namespace pell::test
