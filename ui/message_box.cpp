// The modal message box of the skin.
#include "ui/message_box.h"

#include <algorithm>
#include <cstdint>

#include "base/host.h"
#include "base/product.h"
#include "ui/message_box_layout.h"

namespace pell::ui {

namespace {
// How the static control draws a SS_LEFTNOWORDWRAP | SS_NOPREFIX label.
constexpr UINT kLabelFormat = DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS;
}  // namespace

MessageBoxWindow::MessageBoxWindow(std::wstring text, std::wstring button1, std::wstring button2, int charset)
    : text_(std::move(text)), button1Caption_(std::move(button1)), button2Caption_(std::move(button2)),
      charset_(charset) {}

void MessageBoxWindow::Build(HWND owner) {
    scale_.dpi = DpiOf(owner);
    CreateArgs args;
    args.className = L"PellworthMessageBox";
    args.parent = owner;
    args.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    args.exStyle = WS_EX_DLGMODALFRAME;
    args.rect = {0, 0, 100, 100};
    args.text = kProductName;
    args.icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    Create(args);

    message_.Create(hwnd(), text_, SS_LEFTNOWORDWRAP);  // lines break only at CR LF
    message_.SetColours(colour::kWhite, colour::kWindow);
    message_.SetReadingOrder(RightToLeftReading(charset_));
    FontSpec labelFont;
    labelFont.charset = charset_;
    message_.SetFont(MakeFont(labelFont, scale_.dpi));

    const Overlays none;
    FontSpec buttonFont;
    buttonFont.bold = true;
    buttonFont.charset = charset_;
    for (DrawnButton* b : {&picture1_, &picture2_}) {
        b->Create(hwnd(), b == &picture1_ ? 1 : 2, L"");
        b->SetFont(buttonFont);
        b->Place(b == &picture1_ ? msgbox::kButton1Design : msgbox::kButton2Design, scale_);
        b->SetForeColour(colour::kWhite);
    }
    WriteButtonText(picture2_, button2Caption_, charset_, none);
    WriteButtonText(picture1_, button1Caption_, charset_, none);
    picture1_.DrawBorder(colour::kBlack);
    picture2_.DrawBorder(colour::kBlack);
    if (button2Caption_.empty()) picture2_.Show(false);
    picture1_.SetPressHandler([this] { Answer(button2Caption_.empty() ? answer::Ok : answer::Yes); });
    picture2_.SetPressHandler([this] { Answer(button2Caption_.empty() ? answer::None : answer::No); });
    Arrange();
}

// The label takes the size of its text (lines break only at CR LF); the box follows the label.
void MessageBoxWindow::Arrange() {
    HDC dc = ::GetDC(message_.hwnd());
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(message_.hwnd(), WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    ::DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &r, kLabelFormat | DT_CALCRECT);
    r.right = r.left + std::max(static_cast<int>(r.right - r.left), InkWidth(dc, r));
    ::SelectObject(dc, old);
    ::ReleaseDC(message_.hwnd(), dc);
    int lines = 1;
    for (std::size_t at = text_.find(L"\r\n"); at != std::wstring::npos; at = text_.find(L"\r\n", at + 2)) ++lines;

    const msgbox::Layout l =
        msgbox::Arrange(scale_.Twips(r.right - r.left), scale_.Twips(r.bottom - r.top), lines, button2Caption_.empty());
    PixelRect label = scale_.Rect(l.label);
    // The label holds its whole text even where twips round down a pixel.
    label.width = std::max(label.width, static_cast<int>(r.right - r.left));
    label.height = std::max(label.height, static_cast<int>(r.bottom - r.top));
    message_.Move(label);
    picture1_.Place(l.button1, scale_);
    picture2_.Place(l.button2, scale_);

    // Outer size, centred in the work area of the owner's monitor and kept inside it.
    const int width = scale_.Px(l.width), height = scale_.Px(l.height);
    HMONITOR monitor = ::MonitorFromWindow(::GetParent(hwnd()) ? ::GetParent(hwnd()) : hwnd(), MONITOR_DEFAULTTOPRIMARY);
    const Point at = PlaceInWorkArea(WorkAreaOf(monitor), width, height);
    ::SetWindowPos(hwnd(), nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Wine draws some faces wider than their own metrics: Liberation Sans, which stands in for "MS Sans Serif",
// puts Cyrillic about a pixel per word further right than GetTextExtent and DT_CALCRECT count (Latin and
// Greek agree), and the label clipped the end of each line. So the text is drawn once off screen, with
// the label's font and DC settings, and the width it really covers is taken: where its ink ends, plus one
// clear column. 0 when that cannot be done (the measured size then stands).
int MessageBoxWindow::InkWidth(HDC labelDc, const RECT& measured) {
    const int height = measured.bottom - measured.top;
    // Room for a quarter more than was measured: what is drawn has never been off by that much.
    const int width = (measured.right - measured.left) * 5 / 4 + 16;
    if (height <= 0) return 0;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC mem = ::CreateCompatibleDC(labelDc);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(mem, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    int ink = 0;
    if (mem != nullptr && bitmap != nullptr && bits != nullptr) {
        HGDIOBJ oldBitmap = ::SelectObject(mem, bitmap);
        HGDIOBJ oldFont = ::SelectObject(mem, ::GetCurrentObject(labelDc, OBJ_FONT));
        RECT all{0, 0, width, height};
        FillRectColour(mem, all, colour::kWindow);
        message_.Colour(mem);  // the colours and reading order the label draws with
        ::GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        const std::uint32_t background = pixels[0];
        ::DrawTextW(mem, text_.c_str(), static_cast<int>(text_.size()), &all, kLabelFormat);
        ::GdiFlush();
        for (int y = 0; y < height; ++y)
            for (int x = width - 1; x >= ink; --x)
                if (pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] != background) {
                    ink = x + 2;
                    break;
                }
        ::SelectObject(mem, oldFont);
        ::SelectObject(mem, oldBitmap);
    }
    if (bitmap != nullptr) ::DeleteObject(bitmap);
    if (mem != nullptr) ::DeleteDC(mem);
    return ink;
}

int MessageBoxWindow::ShowModal(HWND owner) {
    Build(owner);
    if (hwnd() == nullptr) return answer::None;
    // Esc from anywhere in the box closes it without an answer.
    RunModal(*this, owner, picture1_.hwnd(), done_, [this](WPARAM key) {
        if (key != VK_ESCAPE) return false;
        Answer(answer::None);
        return true;
    });
    return returnVal_;
}

void MessageBoxWindow::Answer(int result) {
    returnVal_ = result;
    done_ = true;
}

bool MessageBoxWindow::OnClose() {
    Answer(answer::None);
    return false;  // the loop ends and the box is destroyed by ShowModal
}

void MessageBoxWindow::OnPaint(HDC dc, const RECT& client) { FillRectColour(dc, client, colour::kWindow); }

void MessageBoxWindow::OnMessage(WindowMessage& m) {
    if (m.msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(m.lparam) == message_.hwnd()) {
        m.result = reinterpret_cast<LRESULT>(message_.Colour(reinterpret_cast<HDC>(m.wparam)));
        return;
    }
    if (m.msg == WM_KEYDOWN && m.wparam == VK_ESCAPE) {
        Answer(answer::None);
        return;
    }
    m.handled = false;
}

int MultilingualMsgBox(HWND owner, const Translation& translation, int charset, int code, int buttons) {
    const bool yesNo = buttons == 4;
    MessageBoxWindow box(translation.MessageBoxText(code), yesNo ? translation.YesCaption() : translation.OkCaption(),
                         yesNo ? translation.NoCaption() : std::wstring(), charset);
    return box.ShowModal(owner);
}

}  // namespace pell::ui
