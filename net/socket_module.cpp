// The module behind every socket object: the socket library's start and stop, the one hidden message
// window, and the tables that route each notification to the object it belongs to.
#include "net/socket_module.h"

#include <utility>

#include "base/trace.h"
#include "net/socket_errors.h"

namespace pell::net {

Module& TheModule() {
    static Module module;
    return module;
}

namespace {

// The window procedure of the message window: socket notifications and finished look-ups go to the
// object that owns the socket or the request, which is kept alive for the length of the call; other
// messages go on to the window's own procedure.
LRESULT CALLBACK Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Module& m = TheModule();
    std::shared_ptr<CSocketMaster> owner;
    if (msg == kSocketMessage) {
        auto it = m.sockets.find(static_cast<SOCKET>(wParam));
        if (it != m.sockets.end()) owner = it->second.lock();
    } else if (msg == kResolveMessage) {
        auto it = m.lookups.find(reinterpret_cast<HANDLE>(wParam));
        if (it != m.lookups.end()) owner = it->second.lock();
    } else {
        return ::CallWindowProcW(m.previous, hwnd, msg, wParam, lParam);
    }
    if (owner) {
        // Nothing may unwind through the system's message dispatch: an error that reaches here (a
        // failed read, or one an event handler let escape) ends with this notification.
        try {
            owner->WndProc(reinterpret_cast<std::uintptr_t>(hwnd), msg, wParam, lParam);
        } catch (...) {
            TraceCaught(L"modSocketMaster: a socket notification");
        }
    }
    return 0;
}

}  // namespace

void InitiateProcesses() {
    Module& m = TheModule();
    if (!m.libraryStarted) {
        WSADATA data;
        int rc = ::WSAStartup(MAKEWORD(1, 1), &data);
        if (rc != 0) RaiseLibraryError(rc, L"modSocketMaster.InitiateProcesses");
        m.libraryStarted = true;
    }
    ++m.objects;
}

// Called from destructors, so a failure to stop the library is not raised (nothing could catch it),
// only traced.
void FinalizeProcesses() {
    Module& m = TheModule();
    if (--m.objects == 0 && m.libraryStarted) {
        if (::WSACleanup() != 0)
            Trace(L"modSocketMaster.FinalizeProcesses", SocketErrorText(::WSAGetLastError()));
        m.libraryStarted = false;
    }
}

void RegisterSocket(SOCKET s, const std::shared_ptr<CSocketMaster>& owner, bool notify) {
    Module& m = TheModule();
    if (m.window == nullptr) {
        HWND w = ::CreateWindowExW(0, L"STATIC", L"SOCKET_WINDOW", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        if (w == nullptr)
            RaiseSocketError(socketerror::OutOfMemory, L"modSocketMaster.RegisterSocket", L"Out of memory");
        m.previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Dispatch)));
        m.window = w;
    }
    m.sockets[s] = owner;
    if (notify && ::WSAAsyncSelect(s, m.window, kSocketMessage, kNotifications) == SOCKET_ERROR) {
        RaiseLibraryError(::WSAGetLastError(), L"modSocketMaster.RegisterSocket");
    }
}

void DestroyWinsockMessageWindow() {
    Module& m = TheModule();
    if (m.window == nullptr) return;
    HWND w = std::exchange(m.window, nullptr);
    ::SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m.previous));
    m.previous = nullptr;
    if (!::DestroyWindow(w)) {
        RaiseSocketError(socketerror::OutOfMemory, L"modSocketMaster.DestroyWinsockMessageWindow", L"Out of memory");
    }
}

void UnregisterSocket(SOCKET s) {
    Module& m = TheModule();
    m.sockets.erase(s);
    if (m.sockets.empty() && m.lookups.empty()) DestroyWinsockMessageWindow();
}


}  // namespace pell::net
