// The program's own resources (its translations among them), and the test for a second running copy.
#include "platform/win32/program_resources.h"

namespace pell::win32 {

std::optional<std::string> LoadResourceBytes(const wchar_t* type, int id) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) return std::nullopt;
    HGLOBAL loaded = ::LoadResource(self, found);  // resources are never freed: nothing to own
    DWORD size = ::SizeofResource(self, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr) return std::nullopt;
    return std::string(static_cast<const char*>(bytes), size);
}

InstanceGuard::InstanceGuard(const wchar_t* name) : mutex_(::CreateMutexW(nullptr, FALSE, name)) {
    const DWORD error = ::GetLastError();
    // A copy running with other rights (the elevated window beside a console run) holds a name this
    // process may not open: that is a running copy too, not a free name.
    anotherRunning_ = error == ERROR_ALREADY_EXISTS || (!mutex_.valid() && error == ERROR_ACCESS_DENIED);
}

}  // namespace pell::win32
