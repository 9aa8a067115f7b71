// Shell: starting a command line without waiting for it, and "open" through the shell.
#include "platform/win32/last_error.h"
#include "platform/win32/owners.h"

namespace pell::win32 {

long Win32System::StartCommandLine(const std::wstring& commandLine, ShowStyle style) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(style);
    PROCESS_INFORMATION started{};
    std::wstring writable = commandLine;  // CreateProcessW may write into its command line
    BOOL ok = Keep(::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &started));
    if (ok) {
        UniqueHandle process(started.hProcess);
        UniqueHandle thread(started.hThread);
    }
    return ok;
}

long Win32System::ShellOpen(const std::wstring& target) {
    HINSTANCE result = ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return Keep(static_cast<long>(reinterpret_cast<std::intptr_t>(result)));
}

}  // namespace pell::win32
