// The one window base of ui/: owns its HWND, finds itself from the window procedure, and turns messages
// into OnPaint / OnTimer / OnClick / OnClose calls; plus the DPI scale and the GDI owners the windows share.
#pragma once

#include <functional>
#include <string>

#include "base/owner.h"
#include "platform/win32/win32_api.h"
#include "ui/skin.h"
#include "ui/twips.h"

namespace pell::ui {

inline COLORREF ToColorRef(Rgb c) { return RGB(c.red, c.green, c.blue); }

// Twips to pixels at one window's DPI; fonts are sized with the same DPI.
struct Scale {
    int dpi = 96;
    int Px(double twips) const { return TwipsToPixels(twips, dpi); }
    PixelRect Rect(const TwipRect& r) const { return ToPixels(r, dpi); }
    double Twips(int pixels) const { return PixelsToTwips(pixels, dpi); }
};
// The DPI a window is shown at (the system's where the per-window query is missing).
int DpiOf(HWND hwnd);
// The part of a monitor windows may use (without the task bar).
PixelRect WorkAreaOf(HMONITOR monitor);

// A GDI object owned once.
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
template <typename H>
using GdiObject = Owner<FunctionCloser<H, DeleteGdiObject>>;
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;

// A font of `points` at `dpi`, always an outline font so it stays crisp at every scale.
struct FontSpec {
    const wchar_t* face = L"MS Sans Serif";
    double points = 8.25;
    bool bold = false;
    int charset = 0;
};
Font MakeFont(const FontSpec& wanted, int dpi);
bool SameFont(const FontSpec& a, const FontSpec& b);

void FillRectColour(HDC dc, const RECT& r, Rgb colour);
// The reading order of a control's text (WS_EX_RTLREADING); its alignment stays.
void SetReadingOrder(HWND hwnd, bool rightToLeft);
inline RECT ToRect(const PixelRect& p) { return {p.left, p.top, p.right(), p.bottom()}; }
// The dotted mark of the control that has the keyboard focus.
void DrawFocusMark(HDC dc, const RECT& r);
// Tab (Shift+Tab backwards) pressed in a child of `top`: the focus goes to the next control that takes it.
void MoveFocusOnTab(HWND top, HWND from);

// A message as a window receives it; a handler that leaves `handled` false gets the default treatment.
struct WindowMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    bool handled = true;
    LRESULT result = 0;
};

struct CreateArgs {
    HWND parent = nullptr;
    const wchar_t* className = nullptr;  // registered on first use
    DWORD style = 0;
    DWORD exStyle = 0;
    PixelRect rect{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    std::wstring text;
    HFONT font = nullptr;
    HICON icon = nullptr;
    int id = 0;
};

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    bool Create(const CreateArgs& args);
    void Destroy();
    HWND hwnd() const { return hwnd_; }

    std::wstring Text() const;
    void SetText(const std::wstring& text);
    void Move(const PixelRect& r);
    void Show(bool visible);
    void Enable(bool enabled);
    bool Enabled() const;
    void Invalidate() const;

protected:
    // Painting goes to an off-screen bitmap of the client area, copied at once: no flicker.
    virtual void OnPaint(HDC, const RECT& client) { (void)client; }
    virtual void OnTimer(UINT_PTR) {}
    // The left button went down and came up over the window.
    virtual void OnClick() {}
    // A request to close (system menu, Alt+F4, a close from outside). False refuses it.
    virtual bool OnClose() { return true; }
    // Everything else; leave `handled` false for the default window procedure.
    virtual void OnMessage(WindowMessage& m) { m.handled = false; }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam);
    void Paint();

    HWND hwnd_ = nullptr;
    bool pressed_ = false;
};

// Shows the box `box` over `owner` (disabled meanwhile; may be null) with the keyboard focus on `focus`,
// and serves every window's messages (timers, sockets, the owner's repaints) until `done` is set or the
// box is gone. `onKey` sees each key pressed inside the box first; true means it took the key. The box is
// destroyed on return; a quit request that arrived meanwhile is passed on to the outer loop.
void RunModal(Window& box, HWND owner, HWND focus, const bool& done, const std::function<bool(WPARAM key)>& onKey);

}  // namespace pell::ui
