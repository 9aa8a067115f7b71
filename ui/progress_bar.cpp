// Painting the progress bars.
#include "ui/progress_bar.h"

#include "ui/main_window_layout.h"

namespace pell::ui {

void ProgressBar::Create(HWND parent, const Artwork* art) {
    art_ = art;
    CreateArgs args;
    args.parent = parent;
    args.className = L"PellworthProgressBar";
    args.style = WS_CHILD | WS_VISIBLE;
    args.rect = {0, 0, 1, 1};
    args.text = which_ == 1 ? L"Current Operation" : L"Total Progress";
    Window::Create(args);
}

void ProgressBar::Place(const Scale& scale, int clientWidth) {
    scale_ = scale;
    const bar::Geometry g = bar::Layout(which_, 0);
    const PixelRect track = scale.Rect(g.trackLeft);
    origin_ = {track.left, track.top, clientWidth - track.left, scale.Rect(g.trackRight).bottom() - track.top};
    Move(origin_);
    shownEdge_ = FillEdge(value_);
    Invalidate();
}

PixelRect ProgressBar::Local(const TwipRect& r) const {
    PixelRect p = scale_.Rect(r);
    p.left -= origin_.left;
    p.top -= origin_.top;
    return p;
}

int ProgressBar::FillEdge(double value) const {
    if (value == 0) return -1;
    return scale_.Rect(bar::Layout(which_, value).fillRightCap).right();
}

void ProgressBar::Show() {
    const int edge = FillEdge(value_);
    if (edge == shownEdge_ || hwnd() == nullptr) return;
    shownEdge_ = edge;
    Invalidate();
}

void ProgressBar::OnPaint(HDC dc, const RECT& client) {
    FillRectColour(dc, client, colour::kWindow);
    if (art_ == nullptr) return;
    const bar::Geometry g = bar::Layout(which_, value_);
    // The corners overlap the strip's ends and lie over them.
    art_->trackStrip.Draw(dc, Local(g.trackStrip));
    art_->trackLeft.Draw(dc, Local(g.trackLeft));
    art_->trackRight.Draw(dc, Local(g.trackRight));
    if (!g.fillVisible) return;
    PixelRect fill = Local(g.fill);
    if (fill.width > 0) art_->fillStrip.Draw(dc, fill);
    art_->fillLeft.Draw(dc, Local(g.fillLeftCap));
    art_->fillRight.Draw(dc, Local(g.fillRightCap));
}

}  // namespace pell::ui
