// The service control manager under Wine: a real service stopped the way the service scan stops one.
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using ServiceTest = Win32Test;

constexpr std::uint32_t kManagerAccess = 0xF003F;
constexpr std::uint32_t kServiceAccess = 0xF01FF;
constexpr std::uint32_t kControlStop = 1;

TEST_F(ServiceTest, ARunningServiceIsStoppedAndASecondStopIsRefused) {
    const std::wstring name = L"PellTestSvcStop";
    planter.PlantService(name, L"\"" + Helper(L"pell_test_service.exe") + L"\" " + name);
    ASSERT_EQ(planter.ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING));

    ScHandle manager = sys.OpenSCManager(kManagerAccess);
    ASSERT_NE(manager, 0u);
    ScHandle service = sys.OpenService(manager, name, kServiceAccess);
    ASSERT_NE(service, 0u);
    EXPECT_EQ(sys.ControlService(service, kControlStop), 1);
    EXPECT_TRUE(planter.WaitServiceState(name, SERVICE_STOPPED, 5000));
    EXPECT_EQ(sys.ControlService(service, kControlStop), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(code::ServiceNotActive));
    EXPECT_NE(sys.CloseServiceHandle(service), 0);
    EXPECT_NE(sys.CloseServiceHandle(manager), 0);
}

TEST_F(ServiceTest, AMissingServiceGivesNoHandle) {
    ScHandle manager = sys.OpenSCManager(kManagerAccess);
    ASSERT_NE(manager, 0u);
    EXPECT_EQ(sys.OpenService(manager, L"PellNoSuchService", kServiceAccess), 0u);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST));
    sys.CloseServiceHandle(manager);
}

}  // namespace
}  // namespace pell::test
