// Reads and prods the window program from beside it, in the same Wine prefix, as the tier-3 walk-through
// needs: child windows' texts and places, the folder picker's choice, close requests from outside.
//   window_probe find TITLE            the top-level window whose title starts with TITLE: its client area on screen
//   window_probe frame TITLE           the same window's whole rectangle on screen (caption and borders included)
//   window_probe active TITLE          1 when the window is the foreground window (keys go to it), else 0
//   window_probe menu TITLE            exit 0 while a popup menu (the system menu, say) is open
//   window_probe children TITLE        one line per child: id, class, enabled, visible, screen rect, text
//   window_probe text TITLE ID         the text of child ID (the details box: all its lines)
//   window_probe enabled TITLE         1 when the window takes input, 0 when a modal box has disabled it
//   window_probe pick FOLDER           selects FOLDER in the open folder picker and presses its OK
//   window_probe close TITLE           posts WM_CLOSE (a close from outside); exit 0 when the window is gone within 5 s
//   window_probe dpi TITLE             the window's DPI as the program sees it
//   window_probe focus TITLE           the id of the child that has the keyboard focus (0: none of them)
//   window_probe serve                 the commands above, one per line of standard input (see Serve)
// TITLE "=Name" matches the whole title, otherwise its start.
// Output is UTF-8; exit code 1 when the window or child is not there.
#include "platform/win32/win32_api.h"

#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"

namespace {

using pell::Utf8ToWide;
using pell::WideToUtf8;

std::wstring TextOf(HWND h) {
    // Sized from the text's length: a reply buffer crosses to the other process whole, used or not.
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
    std::vector<wchar_t> buffer(length + 64);
    if (!::SendMessageTimeoutW(h, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                               2000, &length))
        return {};
    return std::wstring(buffer.data(), length);
}

struct Search {
    std::wstring prefix;
    HWND found = nullptr;
};

BOOL CALLBACK FindTop(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    if (!::IsWindowVisible(h)) return TRUE;
    wchar_t title[512] = {};
    ::GetWindowTextW(h, title, 512);
    const bool exact = !s->prefix.empty() && s->prefix[0] == L'=';
    if (exact ? std::wstring(title) == s->prefix.substr(1) : std::wstring(title).rfind(s->prefix, 0) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND Top(const std::wstring& prefix) {
    Search s{prefix};
    ::EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

BOOL CALLBACK ListChild(HWND h, LPARAM) {
    wchar_t cls[128] = {};
    ::GetClassNameW(h, cls, 128);
    RECT r;
    ::GetWindowRect(h, &r);
    std::wstring text = TextOf(h);
    for (auto& c : text)
        if (c == L'\r' || c == L'\n') c = L'|';
    std::printf("%d\t%s\t%d\t%d\t%ld,%ld,%ld,%ld\t%s\n", ::GetDlgCtrlID(h), WideToUtf8(cls).c_str(), ::IsWindowEnabled(h) ? 1 : 0,
                ::IsWindowVisible(h) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top, WideToUtf8(text).c_str());
    return TRUE;
}

// The picker runs in the window program: the path is written into that process for the dialog to read.
int Pick(const std::wstring& folder) {
    HWND dialog = nullptr;
    for (int i = 0; i < 100 && dialog == nullptr; ++i) {
        dialog = ::FindWindowW(L"#32770", nullptr);
        if (dialog == nullptr) ::Sleep(100);
    }
    if (dialog == nullptr) return 1;
    ::Sleep(800);  // the dialog fills its tree first; a selection sent earlier is forgotten
    DWORD pid = 0;
    ::GetWindowThreadProcessId(dialog, &pid);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr) return 1;
    const SIZE_T bytes = (folder.size() + 1) * sizeof(wchar_t);
    void* remote = ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    ::WriteProcessMemory(process, remote, folder.c_str(), bytes, nullptr);
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(dialog, WM_USER + 103 /* BFFM_SETSELECTIONW */, TRUE, reinterpret_cast<LPARAM>(remote),
                          SMTO_ABORTIFHUNG, 5000, &ignored);
    ::Sleep(300);
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ::CloseHandle(process);
    return 0;
}

// One probe command: COMMAND ARG [ID]. Its answer goes to standard output; the result is the exit code.
int Command(const std::vector<std::wstring>& argv) {
    if (argv.size() < 2) return 64;
    const std::wstring& command = argv[0];
    const std::wstring& arg = argv[1];
    if (command == L"pick") return Pick(arg);
    HWND top = Top(arg);
    if (top == nullptr) return 1;
    if (command == L"find") {
        POINT origin{0, 0};
        ::ClientToScreen(top, &origin);
        RECT client;
        ::GetClientRect(top, &client);
        std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    } else if (command == L"frame") {
        RECT r;
        ::GetWindowRect(top, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    } else if (command == L"active") {
        std::printf("%d\n", ::GetForegroundWindow() == top ? 1 : 0);
    } else if (command == L"menu") {
        HWND menu = ::FindWindowW(L"#32768", nullptr);
        return menu != nullptr && ::IsWindowVisible(menu) ? 0 : 1;
    } else if (command == L"children") {
        ::EnumChildWindows(top, ListChild, 0);
    } else if (command == L"text" && argv.size() > 2) {
        HWND child = ::GetDlgItem(top, _wtoi(argv[2].c_str()));
        if (child == nullptr) return 1;
        std::printf("%s\n", WideToUtf8(TextOf(child)).c_str());
    } else if (command == L"enabled") {
        std::printf("%d\n", ::IsWindowEnabled(top) ? 1 : 0);
    } else if (command == L"close") {
        ::PostMessageW(top, WM_CLOSE, 0, 0);
        for (int i = 0; i < 50 && ::IsWindow(top); ++i) ::Sleep(100);
        return ::IsWindow(top) ? 2 : 0;
    } else if (command == L"focus") {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(top, nullptr), &info)) return 1;
        std::printf("%d\n", info.hwndFocus != nullptr && ::IsChild(top, info.hwndFocus) ? ::GetDlgCtrlID(info.hwndFocus) : 0);
    } else if (command == L"dpi") {
        HDC dc = ::GetDC(top);
        std::printf("%d\n", ::GetDeviceCaps(dc, LOGPIXELSY));
        ::ReleaseDC(top, dc);
    } else {
        return 64;
    }
    return 0;
}

// Every probe started anew is a Wine process start, the most of what a scenario's waits cost: "serve"
// answers one command per line of standard input instead. A line is TAG, COMMAND, ARG [, ID], separated by
// tabs (UTF-8); its answer is the command's output, then "\x04TAG CODE" with the exit code it would have had.
int Serve() {
    std::string line;
    char chunk[4096];
    while (std::fgets(chunk, sizeof chunk, stdin) != nullptr) {
        line += chunk;
        if (line.back() != '\n') continue;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        std::vector<std::wstring> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(Utf8ToWide(line.substr(start, tab - start)));
        fields.push_back(Utf8ToWide(line.substr(start)));
        const std::wstring tag = fields.front();
        fields.erase(fields.begin());
        const int code = Command(fields);
        std::printf("\x04%s %d\n", WideToUtf8(tag).c_str(), code);
        std::fflush(stdout);
        line.clear();
    }
    return 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc == 2 && std::wstring(argv[1]) == L"serve") return Serve();
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_probe find|frame|active|menu|children|text|enabled|pick|close|dpi|focus ARG [ID]\n"
                             "       window_probe serve\n");
        return 64;
    }
    return Command(std::vector<std::wstring>(argv + 1, argv + argc));
}
