// The modal message box of the skin.
#include "ui/message_box.h"

#include <algorithm>

#include "base/host.h"
#include "base/product.h"
#include "ui/message_box_layout.h"

namespace pell::ui {

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
    ::DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
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
