// The autorun, policy and hosts stages against the real machine under Wine: real Run and RunServices
// values, real policy values, a real hosts file.
#include "base/files.h"
#include "platform/win32/owners.h"
#include "tests/scenarios/autorun_scenarios.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

class Win32StageScenario : public Win32Test {
protected:
    // The backups the hosts stage leaves in the test folder are not planted: take them away too, so the
    // planter can remove the folder.
    void TearDown() override {
        for (const wchar_t* name : {L"\\hosts.back", L"\\hosts (2).back"}) {
            sys.SetFileAttributes(Folder() + name, kAttributeNormal);
            sys.DeleteFile(Folder() + name);
        }
    }
};

TEST_F(Win32StageScenario, AutorunStagesRemoveWormValues) { AutorunStagesRemoveWormValues(planter, sys, Folder()); }

TEST_F(Win32StageScenario, PoliciesAreRestored) { PoliciesAreRestored(planter, sys, Folder()); }

TEST_F(Win32StageScenario, HostsFileIsCleaned) {
    HostsFileIsCleaned(planter, sys, Folder() + L"\\system32", Folder());
}

// Another program reads the hosts file and does not let it be deleted under it: the scan works, the
// replacement fails, and the file stays whole.
TEST_F(Win32StageScenario, AHostsFileThatCannotBeReplacedStaysWhole) {
    const std::wstring systemDir = Folder() + L"\\system32";
    const std::wstring hosts = systemDir + L"\\drivers\\etc\\hosts";
    const std::string before = "127.0.0.1 localhost\r\n0.0.0.0 pellvendor.example\r\n";
    planter.PlantFile(hosts, before);
    win32::UniqueHandle reader(::CreateFileW(hosts.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader.valid());

    ScenarioRun run(sys, Folder());
    run.e.folders.SystemDir = systemDir;
    run.e.lstHostInfections.Append(L"pellvendor.example");
    CleanHostsFile(run.e);
    reader.reset();

    EXPECT_EQ(run.Reported(), (std::vector<std::wstring>{L"[37] 0.0.0.0 pellvendor.example", L"[36] %%"}));
    EXPECT_EQ(ReadWholeFile(hosts), before);
    EXPECT_EQ(sys.GetFileAttributes(hosts + L".pellworth-new"), kInvalidAttributes);
    EXPECT_EQ(ReadWholeFile(Folder() + L"\\hosts.back"), before);
}

// The prefix's own hosts file, under the real system folder; it is put back as it was afterwards.
TEST_F(Win32StageScenario, TheSystemHostsFileIsCleanedInPlace) {
    std::wstring systemDir;
    ASSERT_GT(sys.GetSystemDirectory(systemDir), 0u);
    const std::wstring hosts = systemDir + L"\\drivers\\etc\\hosts";
    const std::optional<std::string> original = ReadWholeFile(hosts);
    planter.PlantFolder(Folder());

    const std::string planted = "127.0.0.1 localhost\n0.0.0.0 update.pellvendor.example\n::1 localhost\n";
    ASSERT_TRUE(WriteWholeFile(sys, hosts, planted));
    ScenarioRun run(sys, Folder());
    run.e.lstHostInfections.Append(L"pellvendor.example");
    EXPECT_TRUE(CleanHostsFile(run.e));
    const std::optional<std::string> cleaned = ReadWholeFile(hosts);
    const std::optional<std::string> backup = ReadWholeFile(Folder() + L"\\hosts.back");
    const bool leftover = sys.GetFileAttributes(hosts + L".pellworth-new") != kInvalidAttributes;

    if (original)
        EXPECT_TRUE(WriteWholeFile(sys, hosts, *original));
    else
        sys.DeleteFile(hosts);

    EXPECT_EQ(cleaned, std::string("127.0.0.1 localhost\n::1 localhost\n"));
    EXPECT_EQ(run.Reported(), std::vector<std::wstring>{L"[37] 0.0.0.0 update.pellvendor.example"});
    EXPECT_EQ(backup, planted);
    EXPECT_FALSE(leftover);
}

}  // namespace
}  // namespace pell::test
