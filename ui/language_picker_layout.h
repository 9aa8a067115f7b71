// The language picker's table: the box on the main window, the panel of entries under it, which entries
// can be chosen, the drop arrow and the arrow keys' walk through the entries.
#pragma once

#include <vector>

#include "ui/skin.h"
#include "ui/twips.h"

namespace pell::ui {

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

}  // namespace pell::ui
