// The translated message box's table: its label and buttons in twips, and its size for a message.
#pragma once

#include "ui/twips.h"

namespace pell::ui {

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

}  // namespace pell::ui
