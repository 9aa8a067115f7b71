// The skin every window shares: its colours, the reading order by character set, the drawn buttons'
// frame, the START glow and where a button's caption goes by character set.
#pragma once

#include "ui/twips.h"

namespace pell::ui {

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

}  // namespace pell::ui
