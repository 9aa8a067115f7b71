// Processes under Wine: the debug privilege, a real program enumerated, its image locked while it
// runs, terminated, and deleted afterwards.
#include <algorithm>

#include "base/text.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using ProcessTest = Win32Test;

constexpr std::uint32_t kQueryAndRead = 0x410;  // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ
constexpr std::uint32_t kAllAccess = 0x1F0FFF;

TEST_F(ProcessTest, TheFamilyIsNt) { EXPECT_EQ(sys.PlatformId(), 2); }

TEST_F(ProcessTest, TheDebugPrivilegeIsLookedUpAndEnabled) {
    ProcHandle token = 0;
    ASSERT_NE(sys.OpenProcessToken(0x28, token), 0);  // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
    Luid luid;
    ASSERT_NE(sys.LookupPrivilegeValue(L"SeDebugPrivilege", luid), 0);
    EXPECT_EQ(luid.low, 20u);
    EXPECT_NE(sys.AdjustTokenPrivileges(token, luid, 2), 0);  // SE_PRIVILEGE_ENABLED
    EXPECT_NE(sys.CloseHandle(token), 0);
    EXPECT_EQ(sys.LookupPrivilegeValue(L"SeNoSuchPrivilege", luid), 0);
}

TEST_F(ProcessTest, ARunningWormIsFoundLockedTerminatedAndThenDeleted) {
    const std::wstring exe = Folder() + L"\\wrm.exe";
    planter.PlantFile(exe, HelperBytes(L"pell_sleeper.exe"));
    const std::uint32_t pid = planter.StartProgram(exe);

    std::vector<std::uint32_t> ids;
    std::uint32_t needed = 0;
    ASSERT_NE(sys.EnumProcesses(ids, 4096, needed), 0);
    EXPECT_EQ(needed, ids.size() * 4);
    EXPECT_NE(std::find(ids.begin(), ids.end(), pid), ids.end());

    ProcHandle query = sys.OpenProcess(kQueryAndRead, pid);
    ASSERT_NE(query, 0u);
    std::uint64_t module = 0;
    ASSERT_NE(sys.EnumProcessModules(query, module), 0);
    std::wstring path;
    std::uint32_t length = sys.GetModuleFileNameEx(query, module, path);
    EXPECT_EQ(length, path.size());
    EXPECT_TRUE(Equals(path, exe)) << WideToUtf8(path);
    EXPECT_NE(sys.CloseHandle(query), 0);

    EXPECT_EQ(sys.DeleteFile(exe), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(code::AccessDenied));

    ProcHandle process = sys.OpenProcess(kAllAccess, pid);
    ASSERT_NE(process, 0u);
    EXPECT_EQ(sys.TerminateProcess(process, 0), 1);
    EXPECT_NE(sys.CloseHandle(process), 0);
    ASSERT_TRUE(planter.WaitProcessEnd(pid, 5000));
    EXPECT_FALSE(planter.ProcessRunning(pid));

    EXPECT_NE(sys.DeleteFile(exe), 0);
    EXPECT_FALSE(planter.FileExists(exe));
}

TEST_F(ProcessTest, AShortBufferIsFilledAndReportedFull) {
    std::vector<std::uint32_t> ids;
    std::uint32_t needed = 0;
    ASSERT_NE(sys.EnumProcesses(ids, 8, needed), 0);  // Wine runs several system processes
    EXPECT_EQ(needed, 8u);
    EXPECT_EQ(ids.size(), 2u);
}

TEST_F(ProcessTest, AMissingProcessDoesNotOpen) {
    EXPECT_EQ(sys.OpenProcess(kQueryAndRead, 0xFFFFFFF0u), 0u);
}

}  // namespace
}  // namespace pell::test
