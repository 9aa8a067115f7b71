// Shell: starting a command line and waiting, for a bounded time, until it has ended.
#include "platform/win32/last_error.h"
#include "platform/win32/owners.h"

namespace pell::win32 {

long Win32System::StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle style, std::uint32_t timeoutMs) {
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
        ::WaitForSingleObject(process.get(), timeoutMs);
    }
    return ok;
}

}  // namespace pell::win32
