// The drawn button: its face, frame, caption, focus mark and keys; and WriteButtonText.
#include "ui/drawn_button.h"

#include <algorithm>

namespace pell::ui {

namespace {
// The frame's lines: 30 twips (two pixels at 96 dpi) read as a frame and let the START glow show.
constexpr double kFrameLineTwips = 30;
constexpr Rgb kFaceTop{40, 46, 53}, kFaceBottom{24, 28, 32};

void FillGradient(HDC dc, const RECT& r, Rgb top, Rgb bottom) {
    const int h = std::max(1L, r.bottom - r.top);
    for (int y = 0; y < h; ++y) {
        auto mix = [&](int a, int b) { return a + (b - a) * y / std::max(1, h - 1); };
        RECT line{r.left, r.top + y, r.right, r.top + y + 1};
        FillRectColour(dc, line, {mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue)});
    }
}
}  // namespace

void DrawnButton::Create(HWND parent, int id, const std::wstring& caption) {
    CreateArgs args;
    args.parent = parent;
    args.className = L"PellworthDrawnButton";
    args.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    args.rect = {0, 0, 1, 1};
    args.text = caption;
    args.id = id;
    Window::Create(args);
}

void DrawnButton::Place(const TwipRect& r, const Scale& scale) {
    scale_ = scale;
    box_ = {0, 0, r.width, r.height};
    Move(scale.Rect(r));
    SetFont(fontSpec_);
    if (HasOverlay()) {
        overlay_.Move({0, 0, scale.Px(r.width), scale.Px(r.height)});
        SetOverlayFont(overlayFontSpec_);
    }
    Invalidate();
}

void DrawnButton::SetFont(const FontSpec& wanted) {
    // The faces are redrawn at every change of state with the same font: making one is costly.
    if (font_.get() != nullptr && fontDpi_ == scale_.dpi && SameFont(wanted, fontSpec_)) return;
    fontSpec_ = wanted;
    fontDpi_ = scale_.dpi;
    font_ = MakeFont(wanted, scale_.dpi);
}

void DrawnButton::ClearFace() {
    border_.reset();
    print_.reset();
    cursorX_ = cursorY_ = 0;
    Invalidate();
}

void DrawnButton::DrawBorder(Rgb colour) {
    if (border_ && *border_ == colour) return;
    border_ = colour;
    // Only the frame changes: the glow repaints it a hundred times a second.
    const BorderLines lines = BorderLinesFor(box_.width, box_.height, scale_.dpi, scale_.Px(kFrameLineTwips));
    for (const PixelRect& p : {lines.top, lines.bottom, lines.left, lines.right}) {
        RECT r = ToRect(p);
        ::InvalidateRect(hwnd(), &r, FALSE);
    }
}

void DrawnButton::PrintCaption(const std::wstring& text, bool positioned, double x, double y) {
    if (!positioned) {
        x = cursorX_;
        y = cursorY_;
    }
    double tw = 0, th = 0;
    MeasureText(text, tw, th);
    print_ = Print{text, x, y, fore_};
    cursorX_ = 0;
    cursorY_ = y + th;
    SetText(text);
    Invalidate();
}

void DrawnButton::MeasureText(const std::wstring& text, double& width, double& height) const {
    HDC dc = ::GetDC(hwnd());
    HGDIOBJ old = ::SelectObject(dc, font_.get());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(hwnd(), dc);
    width = scale_.Twips(size.cx);
    height = scale_.Twips(std::max(size.cy, tm.tmHeight));
}

Label& DrawnButton::Overlay() {
    if (!HasOverlay()) {
        overlay_.Create(hwnd(), L"", SS_CENTER | SS_CENTERIMAGE);
        overlay_.SetTransparent(colour::kWhite);
        overlay_.Show(false);
        overlay_.Move({0, 0, scale_.Px(box_.width), scale_.Px(box_.height)});
        SetOverlayFont(overlayFontSpec_);
    }
    return overlay_;
}

void DrawnButton::SetOverlayFont(const FontSpec& wanted) {
    overlayFontSpec_ = wanted;
    if (HasOverlay()) overlay_.SetFont(MakeFont(wanted, scale_.dpi));
}

void DrawnButton::Press() {
    if (!Enabled() || !onPress_) return;
    auto handler = onPress_;  // the handler may run a whole cleaning; keep it alive on its own
    handler();
}

void DrawnButton::OnPaint(HDC dc, const RECT& client) {
    FillGradient(dc, client, kFaceTop, kFaceBottom);
    if (print_) {
        HGDIOBJ old = ::SelectObject(dc, font_.get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ToColorRef(print_->colour));
        ::TextOutW(dc, scale_.Px(print_->x), scale_.Px(print_->y), print_->text.c_str(),
                   static_cast<int>(print_->text.size()));
        ::SelectObject(dc, old);
    }
    if (border_) {
        const BorderLines lines = BorderLinesFor(box_.width, box_.height, scale_.dpi, scale_.Px(kFrameLineTwips));
        for (const PixelRect& p : {lines.top, lines.bottom, lines.left, lines.right}) FillRectColour(dc, ToRect(p), *border_);
    }
    if (::GetFocus() == hwnd()) {
        const int inset = scale_.Px(kFrameLineTwips) + std::max(1, scale_.Px(30));
        DrawFocusMark(dc, {client.left + inset, client.top + inset, client.right - inset, client.bottom - inset});
    }
    // A transparent overlay label shows through the face only if it paints after it.
    if (HasOverlay() && ::IsWindowVisible(overlay_.hwnd())) ::InvalidateRect(overlay_.hwnd(), nullptr, FALSE);
}

void DrawnButton::OnMessage(WindowMessage& m) {
    switch (m.msg) {
    case WM_KEYDOWN:
        if (m.wparam == VK_RETURN || m.wparam == VK_SPACE) {
            if ((m.lparam & (1 << 30)) == 0) Press();  // not the key's auto-repeat
        } else if (m.wparam == VK_TAB) {
            MoveFocusOnTab(::GetParent(hwnd()), hwnd());
        } else {
            ::SendMessageW(::GetParent(hwnd()), m.msg, m.wparam, m.lparam);  // Esc and the like: the window's
        }
        return;
    case WM_GETDLGCODE:
        m.result = DLGC_WANTALLKEYS;
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        Invalidate();
        return;
    case WM_CTLCOLORSTATIC:
        m.result = reinterpret_cast<LRESULT>(overlay_.Colour(reinterpret_cast<HDC>(m.wparam)));
        return;
    default:
        m.handled = false;
    }
}

void WriteButtonText(DrawnButton& box, const std::wstring& text, int charset, const Overlays& overlays) {
    using Action = CaptionPlacement::Action;
    double tw = 0, th = 0;
    box.MeasureText(text, tw, th);
    const CaptionPlacement p = PlaceCaption(charset, box.role(), box.WidthTwips(), box.HeightTwips(), tw, th);
    if (p.action != Action::Print) {
        DrawnButton* holder = p.action == Action::ShowLabel5 ? overlays.close : overlays.start;
        box.SetCaption(text);
        if (holder != nullptr) {
            FontSpec wanted;
            wanted.charset = charset;
            holder->SetOverlayFont(wanted);
            Label& label = holder->Overlay();
            label.SetText(text);
            label.Show(true);
        }
        if (p.clearFace) box.ClearFace();
        return;
    }
    if (p.hideOverlays) {
        for (DrawnButton* holder : {overlays.close, overlays.start})
            if (holder != nullptr && holder->HasOverlay()) holder->Overlay().Show(false);
    }
    box.PrintCaption(text, p.positioned, p.x, p.y);
}

}  // namespace pell::ui
