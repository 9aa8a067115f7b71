// Runs the program's start-up update check against the fixed update host and prints what the window
// would show: each status text and the message box with the time since start, the page it opens, the
// moment it becomes idle and the digests the download added.
//     pell_update_probe [--yes]     (--yes answers message box 4 with Yes, which opens the download page)
#include <cstdio>
#include <cstring>

#include "base/product.h"
#include "base/text.h"
#include "net/update_service.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"
#include "tests/fake/test_host.h"

namespace {

class PrintingWindow : public pell::net::UpdateWindow {
public:
    explicit PrintingWindow(bool yes) : yes_(yes), start_(::GetTickCount64()) {}
    void SetStatus(const std::wstring& text) override { Print("status", text); }
    void SetProg1(double) override {}
    int AskToDownload() override {
        Print("message box 4", yes_ ? L"answered Yes" : L"answered No");
        return yes_ ? 6 : 7;
    }
    void OpenPage(const std::wstring& url) override {
        auto rc = reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        Print("open", url + L" (" + std::to_wstring(rc) + L")");
    }
    void AddDetailsLine(const std::wstring& line) override { Print("details", line); }
    void Finish() override {
        Print("idle", L"");
        idle = true;
    }
    bool idle = false;

private:
    void Print(const char* what, const std::wstring& text) {
        std::printf("%6llu ms %s: %s\n", static_cast<unsigned long long>(::GetTickCount64() - start_), what,
                    pell::WideToUtf8(text).c_str());
        std::fflush(stdout);
    }
    bool yes_;
    ULONGLONG start_;
};

}  // namespace

int main(int argc, char** argv) {
    const bool yes = argc > 1 && std::strcmp(argv[1], "--yes") == 0;
    pell::win32::Win32System sys;
    pell::test::TestHost host;
    pell::Translation translation;
    pell::Engine e{sys, host, translation};
    PrintingWindow window(yes);
    pell::net::UpdateService service(window, e, pell::MainCaption(), pell::kUpdateHost);
    service.Start();
    // After the window is idle the program keeps running; a second of it shows that nothing more happens.
    ULONGLONG idleAt = 0;
    MSG msg;
    while (idleAt == 0 || ::GetTickCount64() - idleAt < 1000) {
        if (window.idle && idleAt == 0) idleAt = ::GetTickCount64();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    for (const std::wstring& digest : e.MD5Hashes) std::printf("added %s\n", pell::WideToUtf8(digest).c_str());
    return 0;
}
