// The main window's arithmetic: label tops by character set, the squeeze, the bars' geometry.
#include "ui/main_window_layout.h"

#include <algorithm>

namespace pell::ui {

namespace mainwin {
namespace {
bool Chinese(int charset) { return charset == 134 || charset == 136; }
}  // namespace
double Label4Top(int charset) { return Chinese(charset) ? 2280 : 2520; }
double Label6Top(int charset) { return Chinese(charset) ? 3120 : 3360; }

double Squeeze(int dpi, int frameHeight, int workHeight) {
    const double most = kDetails.height - kMinDetailsHeight;
    double squeeze = 0;
    // One pixel at a time from the rounded twips: the client's pixel height is what must fit.
    while (TwipsToPixels(kClientHeight - squeeze, dpi) + frameHeight > workHeight && squeeze < most)
        squeeze = std::min(most, squeeze + PixelsToTwips(1, dpi));
    return squeeze;
}

TwipRect Squeezed(const TwipRect& r, double squeeze) {
    TwipRect out = r;
    if (r.top >= kDetails.bottom()) out.top -= squeeze;
    else if (r.top <= kDetails.top && r.bottom() >= kDetails.bottom()) out.height -= squeeze;
    return out;
}

}  // namespace mainwin

namespace bar {

double FillWidth(double value, double stripWidth) {
    const float scale = static_cast<float>(stripWidth + kFullScaleExtra);
    return static_cast<double>(static_cast<float>(value) / 100.0f * scale);
}

Geometry Layout(int which, double value) {
    const double top = kTrackTop + (which == 2 ? kBarSpacing : 0.0);
    const double fillTop = top + kFillTopOffset;
    const double width = FillWidth(value);
    Geometry g{};
    g.fillVisible = value != 0;
    g.trackLeft = {kTrackLeft, top, kCornerSize, kCornerSize};
    g.trackStrip = {kStripLeft, top, kStripWidth, kCornerSize};
    g.trackRight = {kRightCornerLeft, top, kCornerSize, kCornerSize};
    g.fillLeftCap = {kFillLeft - kCapWidth, fillTop, kCapWidth, kFillHeight};
    g.fill = {kFillLeft, fillTop, width, kFillHeight};
    g.fillRightCap = {kFillLeft + width, fillTop, kCapWidth, kFillHeight};
    return g;
}

}  // namespace bar

}  // namespace pell::ui
