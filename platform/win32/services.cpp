// Service control manager: open the manager and a service, send a control, close.
#include "platform/win32/last_error.h"

namespace pell::win32 {

ScHandle Win32System::OpenSCManager(std::uint32_t access) {
    return Keep(ToSeam(::OpenSCManagerW(nullptr, L"ServicesActive", access)));
}

ScHandle Win32System::OpenService(ScHandle manager, const std::wstring& name, std::uint32_t access) {
    return Keep(ToSeam(::OpenServiceW(FromSeam<SC_HANDLE>(manager), name.c_str(), access)));
}

long Win32System::ControlService(ScHandle service, std::uint32_t control) {
    SERVICE_STATUS status{};
    return Keep<long>(::ControlService(FromSeam<SC_HANDLE>(service), control, &status));
}

long Win32System::CloseServiceHandle(ScHandle handle) {
    return Keep<long>(::CloseServiceHandle(FromSeam<SC_HANDLE>(handle)));
}

}  // namespace pell::win32
