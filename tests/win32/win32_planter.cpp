// The Planter on the real machine (under Wine).
#include "tests/win32/win32_planter.h"

#include <stdexcept>

#include "base/text.h"
#include "platform/win32/owners.h"

namespace pell::test {
namespace {

using win32::UniqueHandle;
using win32::UniqueKey;
using win32::UniqueScHandle;

HKEY Root(RegRoot root) {
    switch (root) {
        case RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
        case RegRoot::Users: return HKEY_USERS;
        case RegRoot::CurrentUser: break;
    }
    return HKEY_CURRENT_USER;
}

[[noreturn]] void Fail(const std::wstring& what, DWORD error) {
    throw std::runtime_error(WideToUtf8(what) + " failed, error " + std::to_string(error));
}

std::wstring ParentOf(const std::wstring& path) {
    std::size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

bool IsFolder(const std::wstring& path) {
    DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring TestProgramFolder() {
    std::wstring path(32768, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return ParentOf(path);
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

Win32Planter::~Win32Planter() {
    for (std::uint32_t pid : processes_) {
        UniqueHandle p(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (p.valid() && ::WaitForSingleObject(p.get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(p.get(), 0);
            ::WaitForSingleObject(p.get(), 5000);
        }
    }
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    for (const auto& name : services_) {
        UniqueScHandle s(::OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
        if (!s.valid()) continue;
        SERVICE_STATUS status{};
        ::ControlService(s.get(), SERVICE_CONTROL_STOP, &status);
        WaitServiceState(name, SERVICE_STOPPED, 5000);
        ::DeleteService(s.get());
    }
    for (auto it = values_.rbegin(); it != values_.rend(); ++it) {
        UniqueKey key;
        if (::RegOpenKeyExW(Root(it->root), it->key.c_str(), 0, KEY_SET_VALUE, key.out()) == ERROR_SUCCESS)
            ::RegDeleteValueW(key.get(), it->name.c_str());
    }
    // Newest first, one key at a time: a parent this planter made goes only once it is empty, so keys
    // another test planted below it (tests run in parallel) are never taken.
    for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) ::RegDeleteKeyW(Root(it->first), it->second.c_str());
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
        ::SetFileAttributesW(it->c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(it->c_str());
    }
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
}

void Win32Planter::PlantFolder(const std::wstring& path) {
    if (path.empty() || IsFolder(path)) return;
    PlantFolder(ParentOf(path));
    if (!::CreateDirectoryW(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        Fail(L"CreateDirectory " + path, ::GetLastError());
    folders_.push_back(path);
}

void Win32Planter::PlantFile(const std::wstring& path, const std::string& bytes, std::uint32_t attributes) {
    PlantFolder(ParentOf(path));
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) Fail(L"CreateFile " + path, ::GetLastError());
        DWORD written = 0;
        if (!bytes.empty() && !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            Fail(L"WriteFile " + path, ::GetLastError());
    }
    if (attributes != kAttributeNormal && !::SetFileAttributesW(path.c_str(), attributes))
        Fail(L"SetFileAttributes " + path, ::GetLastError());
    files_.push_back(path);
}

bool Win32Planter::FileExists(const std::wstring& path) {
    DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32Planter::FileBytes(const std::wstring& path) { return ReadWholeFile(path); }

void Win32Planter::PlantKey(RegRoot root, const std::wstring& key) {
    if (KeyExists(root, key)) return;
    PlantKey(root, ParentOf(key));
    UniqueKey created;
    LONG rc = ::RegCreateKeyExW(Root(root), key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.out(), nullptr);
    if (rc != ERROR_SUCCESS) Fail(L"RegCreateKeyEx " + key, static_cast<DWORD>(rc));
    keys_.emplace_back(root, key);
}

void Win32Planter::PlantValue(RegRoot root, const std::wstring& key, const std::wstring& name, DWORD type,
                              const void* data, DWORD bytes) {
    PlantKey(root, key);
    UniqueKey open;
    LONG rc = ::RegOpenKeyExW(Root(root), key.c_str(), 0, KEY_SET_VALUE, open.out());
    if (rc == ERROR_SUCCESS) rc = ::RegSetValueExW(open.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes);
    if (rc != ERROR_SUCCESS) Fail(L"RegSetValueEx " + key + L"\\" + name, static_cast<DWORD>(rc));
    values_.push_back(PlantedValue{root, key, name});
}

void Win32Planter::PlantString(RegRoot root, const std::wstring& key, const std::wstring& name,
                               const std::wstring& data) {
    PlantValue(root, key, name, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void Win32Planter::PlantDword(RegRoot root, const std::wstring& key, const std::wstring& name, std::uint32_t data) {
    DWORD value = data;
    PlantValue(root, key, name, REG_DWORD, &value, sizeof(value));
}

bool Win32Planter::KeyExists(RegRoot root, const std::wstring& key) {
    if (key.empty()) return true;
    UniqueKey open;
    return ::RegOpenKeyExW(Root(root), key.c_str(), 0, KEY_READ, open.out()) == ERROR_SUCCESS;
}

std::optional<std::wstring> Win32Planter::StringValue(RegRoot root, const std::wstring& key, const std::wstring& name) {
    DWORD bytes = 0;
    DWORD type = 0;
    if (::RegGetValueW(Root(root), key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type,
                       nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(Root(root), key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type,
                       text.data(), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    return text;
}

bool Win32Planter::ValueExists(RegRoot root, const std::wstring& key, const std::wstring& name) {
    UniqueKey open;
    if (::RegOpenKeyExW(Root(root), key.c_str(), 0, KEY_QUERY_VALUE, open.out()) != ERROR_SUCCESS) return false;
    return ::RegQueryValueExW(open.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void Win32Planter::PlantService(const std::wstring& name, const std::wstring& imagePath) {
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.valid()) Fail(L"OpenSCManager", ::GetLastError());
    UniqueScHandle service(::CreateServiceW(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                            SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                            imagePath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service.valid()) Fail(L"CreateService " + name, ::GetLastError());
    services_.push_back(name);
    if (!::StartServiceW(service.get(), 0, nullptr)) Fail(L"StartService " + name, ::GetLastError());
    if (!WaitServiceState(name, SERVICE_RUNNING, 10000)) Fail(L"waiting for " + name + L" to run", 0);
}

DWORD Win32Planter::ServiceState(const std::wstring& name) {
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(::OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    if (!service.valid() || !::QueryServiceStatus(service.get(), &status)) return 0;
    return status.dwCurrentState;
}

bool Win32Planter::WaitServiceState(const std::wstring& name, DWORD state, DWORD ms) {
    for (DWORD waited = 0;; waited += 20) {
        if (ServiceState(name) == state) return true;
        if (waited >= ms) return false;
        ::Sleep(20);
    }
}

std::uint32_t Win32Planter::StartProgram(const std::wstring& path) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        Fail(L"CreateProcess " + path, ::GetLastError());
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    // The tests look at the process's modules: let it finish loading them.
    ::WaitForInputIdle(started.hProcess, 2000);
    for (int i = 0; i < 100; ++i) {
        HMODULE module = nullptr;
        DWORD needed = 0;
        if (::K32EnumProcessModules(started.hProcess, &module, sizeof(module), &needed) && module != nullptr) break;
        ::Sleep(10);
    }
    processes_.push_back(started.dwProcessId);
    return started.dwProcessId;
}

bool Win32Planter::ProcessRunning(std::uint32_t pid) {
    UniqueHandle p(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    return p.valid() && ::WaitForSingleObject(p.get(), 0) == WAIT_TIMEOUT;
}

bool Win32Planter::WaitProcessEnd(std::uint32_t pid, DWORD ms) {
    UniqueHandle p(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    return !p.valid() || ::WaitForSingleObject(p.get(), ms) == WAIT_OBJECT_0;
}

}  // namespace pell::test
