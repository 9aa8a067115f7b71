// Processes, tokens and the debug privilege: the platform id, the token of this process, privilege
// lookup and adjustment, the process list, a process's first module and its path, termination, and
// the account the program runs as.
#include "platform/win32/last_error.h"

namespace pell::win32 {

long Win32System::PlatformId() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    BOOL ok = Keep(::GetVersionExW(&info));
    return ok ? static_cast<long>(info.dwPlatformId) : 0;
}

long Win32System::OpenProcessToken(std::uint32_t access, ProcHandle& token) {
    HANDLE h = nullptr;
    BOOL ok = Keep(::OpenProcessToken(::GetCurrentProcess(), access, &h));
    if (ok) token = ToSeam(h);
    return ok;
}

long Win32System::LookupPrivilegeValue(const std::wstring& name, Luid& luid) {
    LUID found{};
    BOOL ok = Keep(::LookupPrivilegeValueW(nullptr, name.c_str(), &found));
    if (ok) luid = Luid{found.LowPart, found.HighPart};
    return ok;
}

long Win32System::AdjustTokenPrivileges(ProcHandle token, const Luid& luid, std::uint32_t attributes) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid.LowPart = luid.low;
    privileges.Privileges[0].Luid.HighPart = luid.high;
    privileges.Privileges[0].Attributes = attributes;
    return Keep<long>(::AdjustTokenPrivileges(FromSeam<HANDLE>(token), FALSE, &privileges, 0, nullptr, nullptr));
}

long Win32System::EnumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t bufferBytes,
                                std::uint32_t& neededBytes) {
    std::vector<DWORD> buffer(bufferBytes / sizeof(DWORD));
    DWORD returned = 0;
    BOOL ok = Keep(::K32EnumProcesses(buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &returned));
    if (ok) {
        buffer.resize(returned / sizeof(DWORD));
        ids.assign(buffer.begin(), buffer.end());
        neededBytes = returned;
    }
    return ok;
}

ProcHandle Win32System::OpenProcess(std::uint32_t access, std::uint32_t pid) {
    return Keep(ToSeam(::OpenProcess(access, FALSE, pid)));
}

long Win32System::EnumProcessModules(ProcHandle process, std::uint64_t& firstModule) {
    HMODULE module = nullptr;
    DWORD needed = 0;
    BOOL ok = Keep(::K32EnumProcessModules(FromSeam<HANDLE>(process), &module, sizeof(module), &needed));
    if (ok) firstModule = ToSeam(module);
    return ok;
}

std::uint32_t Win32System::GetModuleFileNameEx(ProcHandle process, std::uint64_t module, std::wstring& path) {
    std::wstring buffer(32768, L'\0');
    DWORD length = Keep(::K32GetModuleFileNameExW(FromSeam<HANDLE>(process), FromSeam<HMODULE>(module),
                                                  buffer.data(), static_cast<DWORD>(buffer.size())));
    buffer.resize(length);
    path = std::move(buffer);
    return length;
}

long Win32System::TerminateProcess(ProcHandle process, std::uint32_t exitCode) {
    return Keep<long>(::TerminateProcess(FromSeam<HANDLE>(process), exitCode));
}

long Win32System::CloseHandle(ProcHandle handle) { return Keep<long>(::CloseHandle(FromSeam<HANDLE>(handle))); }

std::uint32_t Win32System::CurrentProcessId() { return ::GetCurrentProcessId(); }

std::wstring Win32System::OwnExecutablePath() {
    std::wstring buffer(32768, L'\0');
    DWORD length = Keep(::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
    buffer.resize(length);
    return buffer;
}

std::wstring Win32System::CurrentUserSid() {
    HANDLE token = nullptr;
    if (!Keep(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))) return {};
    // TOKEN_USER holds the SID behind it; a SID is at most SECURITY_MAX_SID_SIZE bytes.
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    BOOL ok = Keep(::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size));
    ::CloseHandle(token);
    if (!ok) return {};
    wchar_t* text = nullptr;
    if (!Keep(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))) return {};
    std::wstring sid = text;
    ::LocalFree(text);
    return sid;
}

}  // namespace pell::win32
