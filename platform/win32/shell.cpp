// Shell: starting a command line (waiting for it or not), and "open" through the shell.
#include "platform/win32/last_error.h"
#include "platform/win32/owners.h"

namespace pell::win32 {
namespace {

// Waits up to `waitMs` for `process` to end; messages that arrive meanwhile go to `pump` when there is one.
void WaitForEnd(HANDLE process, DWORD waitMs, const std::function<void()>& pump) {
    if (!pump) {
        ::WaitForSingleObject(process, waitMs);
        return;
    }
    const ULONGLONG end = ::GetTickCount64() + waitMs;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        const DWORD woke = ::MsgWaitForMultipleObjects(1, &process, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) return;  // ended, timed out, or the wait itself failed
        pump();
    }
}

// Starts the command line with the window style; waits up to `waitMs` for it to end (0: not at all).
// The error of the start is the thread's last error on return.
BOOL StartProcess(const std::wstring& commandLine, ShowStyle style, DWORD waitMs,
                  const std::function<void()>& pump = {}) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(style);
    PROCESS_INFORMATION started{};
    std::wstring writable = commandLine;  // CreateProcessW may write into its command line
    BOOL ok = ::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &started);
    DWORD error = ::GetLastError();
    if (ok) {
        UniqueHandle process(started.hProcess);
        UniqueHandle thread(started.hThread);
        if (waitMs != 0) WaitForEnd(process.get(), waitMs, pump);
    }
    ::SetLastError(error);
    return ok;
}

}  // namespace

long Win32System::StartCommandLine(const std::wstring& commandLine, ShowStyle style) {
    return Keep(StartProcess(commandLine, style, 0));
}

long Win32System::StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle style, std::uint32_t timeoutMs) {
    // A bound of 0 would mean "do not wait" to the helper; the caller asked to wait, so wait at least 1 ms.
    return Keep(StartProcess(commandLine, style, timeoutMs == 0 ? 1 : timeoutMs, pump_));
}

long Win32System::ShellOpen(const std::wstring& target) {
    HINSTANCE result = ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return Keep(static_cast<long>(reinterpret_cast<std::intptr_t>(result)));
}

}  // namespace pell::win32
