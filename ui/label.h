// A label: a real static child window carrying its text (screen readers and tests read it), drawn in
// the skin's colours by the parent's WM_CTLCOLORSTATIC.
#pragma once

#include <string>

#include "ui/window.h"

namespace pell::ui {

class Label {
public:
    void Create(HWND parent, const std::wstring& text, DWORD align = SS_LEFT);
    HWND hwnd() const { return hwnd_; }
    void SetText(const std::wstring& text) { ::SetWindowTextW(hwnd_, text.c_str()); }
    std::wstring Text() const;
    void SetFont(Font font);
    void Move(const PixelRect& r) const;
    void Show(bool visible) const { ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
    void SetColours(Rgb fore, Rgb back);
    void SetTransparent(Rgb fore);
    // Right-to-left reading order for Arabic and Hebrew text; the label stays where it is.
    void SetReadingOrder(bool rightToLeft);
    // The answer to the parent's WM_CTLCOLORSTATIC for this label.
    HBRUSH Colour(HDC dc) const;

private:
    HWND hwnd_ = nullptr;
    Font font_;
    Rgb fore_ = colour::kWhite;
    Rgb back_ = colour::kWindow;
    bool transparent_ = false;
    bool rightToLeft_ = false;
    Brush brush_;
};

}  // namespace pell::ui
