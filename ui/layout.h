// The window arithmetic that needs no window system: twips to pixels, the layout tables of the main window
// and the message box, the progress-bar fill, the button frame, the START glow, the placement of a
// button's caption by character set, the main window's state rules and the pacing of the run's yields.
#pragma once

#include <cstdint>
#include <vector>

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

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb&) const = default;
};

// The skin's colours.
namespace colour {
constexpr Rgb kWindow{46, 52, 58};
constexpr Rgb kStatusStrip{19, 23, 26};
constexpr Rgb kDisabled{153, 168, 172};
constexpr Rgb kStartText{7, 173, 65};
constexpr Rgb kCloseText{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kButtonFace{30, 35, 40};
}  // namespace colour

// Arabic (178) and Hebrew (177) text reads right to left: its punctuation and mixed-in Latin words
// take their places from that order. Where the text stands stays as laid out.
bool RightToLeftReading(int charset);

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

// The language picker: the box on the main window (the current language's name, then the arrow area)
// and the panel under it, one entry per language in two columns; twips of the box or the panel.
namespace picker {
constexpr int kEntryCount = 23, kLeftColumnCount = 13;  // indices 0..12 left, 13..22 right
constexpr double kNameWidth = 1215;    // the name part of the box; a release right of it toggles the panel
constexpr double kNameCentre = 603.5;  // the name is centred here
constexpr double kPanelWidth = 2400;
constexpr double kEntryHeight = 330, kEntryGap = 8;
constexpr double kFontPoints = 9.75;   // "Times New Roman"
constexpr Rgb kNameFill = colour::kStatusStrip;
constexpr Rgb kArrowFill = colour::kWindow;
constexpr Rgb kArrowEnabled = colour::kStatusStrip;  // greyed with colour::kDisabled
constexpr Rgb kHighlight = colour::kWindow;
constexpr Rgb kPanel = colour::kBlack;
// The Chinese and Japanese entries are listed but can never be chosen.
bool Selectable(int index);
// Entries written in a script of their own get their language's character set; the others (Polish
// among them) keep set 0.
bool EntryHasOwnCharset(int index);
TwipRect EntryRect(int index);  // in the panel
// The panel directly under the box, as high as the left column needs.
TwipRect PanelRect(const TwipRect& box);
// The drop arrow at `dpi`, in pixels of the box: a horizontal line over columns that shrink towards
// the tip, a downward triangle. At 96 dpi these are the arrow's exact pixels; at other DPIs each
// pixel grows with the box, so the arrow stays in its area.
std::vector<PixelRect> DropArrow(int dpi);
// The entry the highlight goes to from `from` (-1: none yet) for an arrow key: Up and Down walk the
// entries in order, Left and Right go to the same row of the other column (its last row when it is
// shorter); greyed entries are passed over, and at either end the highlight stays.
enum class Arrow { Up, Down, Left, Right };
int MoveHighlight(int from, Arrow key);
}  // namespace picker

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

// A drawn button's frame: four lines in the box's own twips (the left one a fixed 368 long), each
// `lineWidth` pixels thick and kept inside the box.
struct BorderLines {
    PixelRect top, bottom, left, right;
};
BorderLines BorderLinesFor(double widthTwips, double heightTwips, int dpi, int lineWidth);

// The START glow: a colour wheel in steps of 5, one step per tick.
struct GlowState {
    int phase = 0, red = 0, green = 0, blue = 0;
};
Rgb GlowStep(GlowState& state);

// Where WriteButtonText puts a caption. Boxes are known by role: the main window's CLOSE ("Command1")
// and START ("Command2"), the first button of the message box and the about box ("Picture1"), or
// any other.
enum class ButtonRole { Close, Start, Picture1, Other };
struct CaptionPlacement {
    enum class Action { Print, ShowLabel5, ShowLabel8 } action = Action::Print;
    bool positioned = true;      // false: print at the box's current text cursor
    double x = 0, y = 0;         // the text cursor, twips of the box, when positioned
    bool hideOverlays = false;   // Label5 and Label8 hidden (every set but the two Chinese ones)
    bool clearFace = false;      // the box's face is cleared (START under Simplified Chinese)
};
CaptionPlacement PlaceCaption(int charset, ButtonRole role, double boxWidth, double boxHeight, double textWidth,
                              double textHeight);

// The translated message box, in twips; the box's width and height are outer sizes.
namespace msgbox {
constexpr TwipRect kLabelDesign{240, 240, 45, 195};
constexpr TwipRect kButton1Design{188, 480, 1215, 375};
constexpr TwipRect kButton2Design{1508, 480, 1215, 375};
constexpr double kWidth = 3000, kMargin = 360, kButtonGap = 105;

struct Layout {
    double width, height;
    TwipRect label, button1, button2;
};
// The layout for a message whose label measures `labelWidth` x `labelHeight` and holds `lines` lines
// (lines break only at CR LF). `okOnly` centres the one button.
Layout Arrange(double labelWidth, double labelHeight, int lines, bool okOnly);
}  // namespace msgbox

// What the main window lets happen in each of its states.
enum class Request { Start, Close, About, CloseFromSystem, PickLanguage };
struct MainState {
    bool term = false;           // the window may be closed
    bool startEnabled = false;
    bool closeEnabled = false;
    bool pickerEnabled = false;
    bool glowRunning = false;    // Timer3
    bool running = false;        // a run is executing inside the START handler
    bool closePending = false;   // a permitted close arrived during the run; carried out after it
};
namespace state {
void DisableGUI(MainState& s);
void EnableGUI(MainState& s);  // also starts the glow
// The update check's last step (run at once until the update check exists).
void Finish(MainState& s);
// START pressed: the glow stops, the window is disabled and the run begins.
void BeginRun(MainState& s);
// The run driver returned (whatever it set on the way stays).
void EndRun(MainState& s);
bool Accepts(const MainState& s, Request r);
}  // namespace state

// Serves pending window messages at the rate a person can see, not once per call: the run reports
// progress tens of thousands of times and every pump is a round trip to the window system.
class PumpPacer {
public:
    explicit PumpPacer(std::uint64_t intervalMs = 15) : interval_(intervalMs) {}
    // True when a pump is due at `nowMs` (and counts it as done).
    bool Due(std::uint64_t nowMs);

private:
    std::uint64_t interval_;
    std::uint64_t last_ = 0;
    bool first_ = true;
};

}  // namespace pell::ui
