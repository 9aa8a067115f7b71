// Static child windows in the skin's colours.
#include "ui/label.h"

namespace pell::ui {

void Label::Create(HWND parent, const std::wstring& text, DWORD align) {
    // Without SS_NOTIFY a label lets clicks through to the window under it, as the window's own clicks.
    hwnd_ = ::CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX | align, 0, 0, 0, 0,
                              parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    SetColours(fore_, back_);
}

std::wstring Label::Text() const {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Label::SetFont(Font font) {
    font_ = std::move(font);
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

void Label::Move(const PixelRect& r) const {
    ::SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Label::SetColours(Rgb fore, Rgb back) {
    fore_ = fore;
    back_ = back;
    transparent_ = false;
    brush_.reset(::CreateSolidBrush(ToColorRef(back)));
    if (hwnd_ != nullptr) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Label::SetTransparent(Rgb fore) {
    fore_ = fore;
    transparent_ = true;
    if (hwnd_ != nullptr) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Label::SetReadingOrder(bool rightToLeft) {
    rightToLeft_ = rightToLeft;
    pell::ui::SetReadingOrder(hwnd_, rightToLeft);
}

HBRUSH Label::Colour(HDC dc) const {
    ::SetTextColor(dc, ToColorRef(fore_));
    // Wine's static control draws without looking at WS_EX_RTLREADING; the DC it draws with does count.
    ::SetTextAlign(dc, rightToLeft_ ? TA_RTLREADING : 0);
    if (transparent_) {
        ::SetBkMode(dc, TRANSPARENT);
        return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    }
    ::SetBkColor(dc, ToColorRef(back_));
    return brush_.get();
}

}  // namespace pell::ui
