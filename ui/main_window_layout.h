// The main window's table: its controls in twips of its client area, the Chinese lift of two labels,
// the squeeze on a small screen, its fonts, and the two progress bars.
#pragma once

#include "ui/twips.h"

namespace pell::ui {

// The main window, in twips of its client area.
namespace mainwin {
constexpr double kClientWidth = 7260, kClientHeight = 6420;
constexpr TwipRect kBanner{0, 0, 7170, 1425};  // 478 x 95 pixels at 96 dpi
constexpr TwipRect kStart{2100, 5580, 1215, 375};
constexpr TwipRect kClose{3810, 5580, 1215, 375};
constexpr TwipRect kAbout{5280, 1080, 1695, 375};
constexpr TwipRect kLanguageBox{2760, 1110, 1560, 330};  // where the language picker stands
constexpr TwipRect kLabel3{120, 1665, 3000, 240};         // "Current Operation:"
constexpr TwipRect kLabel4{120, 2520, 3000, 240};         // "Total Progress:"
constexpr TwipRect kLabel6{120, 3360, 3000, 210};         // "Details:", ending where the details box starts
constexpr TwipRect kDetails{105, 3570, 7050, 1815};
constexpr TwipRect kLabel1{-15, 6120, 825, 375};  // "Status:  "
constexpr TwipRect kLabel2{795, 6120, 6780, 375};  // the update-check status line
// Tops of "Total Progress:" and "Details:": the Chinese character sets (134, 136) lift them.
double Label4Top(int charset);
double Label6Top(int charset);
// A screen too small for the window at its DPI (144 dpi on 800 x 600): the details box gives up height,
// never below kMinDetailsHeight, and what lies below it (START, CLOSE, the status line) moves up by as
// much, so the window fits the work area with every control at its size. `frameHeight` is the caption
// and borders in pixels; the result is in twips (0 when the window fits as designed).
constexpr double kMinDetailsHeight = 600;
double Squeeze(int dpi, int frameHeight, int workHeight);
// A control's place once the details box gave up `squeeze` twips.
TwipRect Squeezed(const TwipRect& r, double squeeze);
// Label fonts, in points.
constexpr double kSectionFontPoints = 8.25;  // Arial bold
constexpr double kStatusFontPoints = 9.75;   // Arial
constexpr double kButtonFontPoints = 8.25;   // "MS Sans Serif", bold
constexpr double kDetailsFontPoints = 8.25;  // "MS Sans Serif"
}  // namespace mainwin

// The two progress bars: a track of three pictures and a fill of three, bar 2 840 twips below bar 1.
namespace bar {
constexpr double kTrackTop = 1920, kBarSpacing = 840, kFillTopOffset = 30;
constexpr double kTrackLeft = 120, kCornerSize = 480, kStripLeft = 480, kStripWidth = 6255, kRightCornerLeft = 6720;
constexpr double kFillLeft = 300, kCapWidth = 60, kFillHeight = 375;
// The full scale is the strip of bar 1 plus 400 twips (6655 with the design sizes), for both bars.
constexpr double kFullScaleExtra = 400;

struct Geometry {
    bool fillVisible;
    TwipRect trackLeft, trackStrip, trackRight;
    TwipRect fillLeftCap, fill, fillRightCap;
};
// Width of the fill for `value` percent, in single precision as the bars compute it; nothing clamps it.
double FillWidth(double value, double stripWidth = kStripWidth);
// Bar 1 (current operation) or 2 (total) showing `value`; 0 hides the fill.
Geometry Layout(int which, double value);
}  // namespace bar

}  // namespace pell::ui
