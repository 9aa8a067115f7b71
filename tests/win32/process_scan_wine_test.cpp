// The process scan under Wine: a real program under a worm's name, started from a worm folder, is
// ended, and its file is backed up and removed, with the details lines in order.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/stages.h"
#include "base/text.h"
#include "tests/fake/test_host.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using ProcessScanTest = Win32Test;

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
