// Twips to pixels and the placement of a window in the work area.
#include "ui/twips.h"

#include <algorithm>
#include <cmath>

namespace pell::ui {

int TwipsToPixels(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double PixelsToTwips(int pixels, int dpi) { return pixels * kTwipsPerInch / dpi; }

PixelRect ToPixels(const TwipRect& r, int dpi) {
    int left = TwipsToPixels(r.left, dpi), top = TwipsToPixels(r.top, dpi);
    return {left, top, TwipsToPixels(r.right(), dpi) - left, TwipsToPixels(r.bottom(), dpi) - top};
}

Point PlaceInWorkArea(const PixelRect& work, int width, int height) {
    auto place = [](int start, int room, int size) {
        const int centred = start + (room - size) / 2;
        return std::max(start, std::min(centred, start + room - size));
    };
    return {place(work.left, work.width, width), place(work.top, work.height, height)};
}

}  // namespace pell::ui
