// The translated message box's size and the places of its buttons for a message.
#include "ui/message_box_layout.h"

#include <algorithm>

namespace pell::ui {

namespace msgbox {

Layout Arrange(double labelWidth, double labelHeight, int lines, bool okOnly) {
    Layout l{};
    l.label = {kLabelDesign.left, kLabelDesign.top, labelWidth, labelHeight};
    l.button1 = kButton1Design;
    l.button2 = kButton2Design;
    // A label wider than the box would be cut at its right edge; every label gets its margin.
    l.width = std::max(kWidth, l.label.left + labelWidth + kMargin);
    if (lines > 1)
        l.height = l.label.top + labelHeight + kMargin + l.button1.top + l.button1.height;
    else
        l.height = l.button1.height + 1425;
    l.button1.top = labelHeight + kButton1Design.top;
    l.button2.top = l.button1.top;
    if (okOnly) {
        l.button1.left = l.width / 2 - l.button1.width / 2;
    } else {
        l.button1.left = l.width / 2 - kButtonGap / 2 - l.button1.width;
        l.button2.left = l.width / 2 + kButtonGap / 2;
    }
    return l;
}

}  // namespace msgbox

}  // namespace pell::ui
