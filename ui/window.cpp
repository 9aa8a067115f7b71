// The window base: class registration, the one window procedure, buffered painting, fonts.
#include "ui/window.h"

#include <vector>

namespace pell::ui {

int DpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (hwnd != nullptr && getDpiForWindow != nullptr) {
        UINT dpi = getDpiForWindow(hwnd);
        if (dpi != 0) return static_cast<int>(dpi);
    }
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

PixelRect WorkAreaOf(HMONITOR monitor) {
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(monitor, &mi);
    const RECT& w = mi.rcWork;
    return {w.left, w.top, w.right - w.left, w.bottom - w.top};
}

Font MakeFont(const FontSpec& wanted, int dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(wanted.points * dpi / 72.0 + 0.5);
    lf.lfWeight = wanted.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = static_cast<BYTE>(wanted.charset);
    // A bitmap face ("MS Sans Serif" is one) scales in whole steps and blurs; ask for an outline font.
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpynW(lf.lfFaceName, wanted.face, LF_FACESIZE);
    return Font(::CreateFontIndirectW(&lf));
}

bool SameFont(const FontSpec& a, const FontSpec& b) {
    return ::lstrcmpW(a.face, b.face) == 0 && a.points == b.points && a.bold == b.bold && a.charset == b.charset;
}

void FillRectColour(HDC dc, const RECT& r, Rgb colour) {
    COLORREF old = ::SetBkColor(dc, ToColorRef(colour));
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void SetReadingOrder(HWND hwnd, bool rightToLeft) {
    const LONG_PTR ex = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    const LONG_PTR wanted = rightToLeft ? (ex | WS_EX_RTLREADING) : (ex & ~static_cast<LONG_PTR>(WS_EX_RTLREADING));
    if (wanted == ex) return;
    ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, wanted);
    ::InvalidateRect(hwnd, nullptr, TRUE);
}

void DrawFocusMark(HDC dc, const RECT& r) {
    constexpr Rgb kFocusMark{170, 182, 188};
    HPEN pen = ::CreatePen(PS_DOT, 1, ToColorRef(kFocusMark));
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    ::SetBkMode(dc, oldMode);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
}

void MoveFocusOnTab(HWND top, HWND from) {
    HWND next = ::GetNextDlgTabItem(top, from, ::GetKeyState(VK_SHIFT) < 0);
    if (next != nullptr) ::SetFocus(next);
}

namespace {

void RegisterOnce(const wchar_t* className, HICON icon, WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExW(::GetModuleHandleW(nullptr), className, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.lpszClassName = className;
    ::RegisterClassExW(&wc);
}

}  // namespace

Window::~Window() { Destroy(); }

bool Window::Create(const CreateArgs& args) {
    RegisterOnce(args.className, args.icon, &Window::Procedure);
    HWND hwnd = ::CreateWindowExW(args.exStyle, args.className, args.text.c_str(), args.style, args.rect.left,
                                  args.rect.top, args.rect.width, args.rect.height, args.parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)),
                                  ::GetModuleHandleW(nullptr), this);
    if (hwnd == nullptr) return false;
    if (args.font != nullptr) ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(args.font), FALSE);
    return true;
}

void Window::Destroy() {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

std::wstring Window::Text() const {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Window::SetText(const std::wstring& text) { ::SetWindowTextW(hwnd_, text.c_str()); }

void Window::Move(const PixelRect& r) {
    ::SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::Show(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
void Window::Enable(bool enabled) { ::EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
bool Window::Enabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
void Window::Invalidate() const { ::InvalidateRect(hwnd_, nullptr, FALSE); }

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr && msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    }
    return self->Dispatch(msg, wparam, lparam);
}

LRESULT Window::Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the buffered paint covers the whole client area
    case WM_TIMER:
        OnTimer(wparam);
        return 0;
    case WM_LBUTTONDOWN:
        pressed_ = true;
        ::SetCapture(hwnd_);
        break;
    case WM_LBUTTONUP:
        if (pressed_) {
            pressed_ = false;
            ::ReleaseCapture();
            POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            RECT client;
            ::GetClientRect(hwnd_, &client);
            if (::PtInRect(&client, p)) OnClick();
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        pressed_ = false;
        break;
    case WM_CLOSE:
        if (OnClose()) ::DestroyWindow(hwnd_);
        return 0;
    default:
        break;
    }
    WindowMessage m{hwnd_, msg, wparam, lparam};
    OnMessage(m);
    if (m.handled) return m.result;
    return ::DefWindowProcW(hwnd_, msg, wparam, lparam);
}

void Window::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd_, &ps);
    RECT client;
    ::GetClientRect(hwnd_, &client);
    const int w = client.right - client.left, h = client.bottom - client.top;
    if (w > 0 && h > 0) {
        HDC memory = ::CreateCompatibleDC(dc);
        Bitmap buffer(::CreateCompatibleBitmap(dc, w, h));
        HGDIOBJ old = ::SelectObject(memory, buffer.get());
        OnPaint(memory, client);
        ::BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                 ps.rcPaint.bottom - ps.rcPaint.top, memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
    }
    ::EndPaint(hwnd_, &ps);
}

void RunModal(Window& box, HWND owner, HWND focus, const bool& done, const std::function<bool(WPARAM key)>& onKey) {
    if (owner != nullptr) ::EnableWindow(owner, FALSE);
    ::ShowWindow(box.hwnd(), SW_SHOW);
    ::SetForegroundWindow(box.hwnd());
    ::SetFocus(focus);
    MSG msg;
    bool quit = false;
    WPARAM quitCode = 0;
    while (!done && box.hwnd() != nullptr) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            quit = got == 0;
            quitCode = msg.wParam;
            break;
        }
        if (msg.message == WM_KEYDOWN && (msg.hwnd == box.hwnd() || ::IsChild(box.hwnd(), msg.hwnd)) &&
            onKey(msg.wParam))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    // The owner is enabled before the box goes, so it becomes the active window again.
    if (owner != nullptr) ::EnableWindow(owner, TRUE);
    box.Destroy();
    if (owner != nullptr) ::SetForegroundWindow(owner);
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace pell::ui
