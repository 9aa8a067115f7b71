// Lengths in twips, the unit every window's table is written in, and their pixels at a window's DPI;
// where a window stands in a monitor's work area.
#pragma once

namespace pell::ui {

// 1440 twips are one inch; at 96 dpi one pixel is 15 twips.
constexpr double kTwipsPerInch = 1440.0;
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

struct TwipRect {
    double left, top, width, height;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};
struct PixelRect {
    int left, top, width, height;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};
// Both edges are converted, so pieces that touch in twips touch in pixels.
PixelRect ToPixels(const TwipRect& r, int dpi);

// A window's top-left corner: centred in the work area, then moved inside it; when it is taller or
// wider than the work area, its caption and left edge stay in view.
struct Point {
    int x, y;
};
Point PlaceInWorkArea(const PixelRect& work, int width, int height);

}  // namespace pell::ui
