// The language picker's entries, panel, arrow and keyboard walk.
#include "ui/language_picker_layout.h"

#include <algorithm>

namespace pell::ui {

namespace picker {

bool Selectable(int index) { return index >= 0 && index < kEntryCount && index != 3 && index != 4 && index != 14; }

bool EntryHasOwnCharset(int index) {
    switch (index) {
    case 1: case 3: case 4: case 10: case 11: case 14: case 15: case 19: case 22:
        return true;
    default:
        return false;
    }
}

TwipRect EntryRect(int index) {
    const bool left = index < kLeftColumnCount;
    const int row = left ? index : index - kLeftColumnCount;
    return {left ? 8 : kPanelWidth / 2 + 8, row * (kEntryHeight + kEntryGap), kPanelWidth / 2 - 32, kEntryHeight};
}

TwipRect PanelRect(const TwipRect& box) {
    return {box.left, box.bottom(), kPanelWidth, EntryRect(kLeftColumnCount - 1).bottom() + 30};
}

std::vector<PixelRect> DropArrow(int dpi) {
    // Lines drawn as the platform draws them: the end point is left out, hence the tip's own pixel.
    struct Column {
        int x, end;
    };
    constexpr int kTop = 5;
    constexpr Column kColumns[] = {{86, 8},  {87, 10}, {88, 12}, {89, 14}, {90, 16}, {91, 18}, {92, 18},
                                   {93, 18}, {94, 16}, {95, 14}, {96, 12}, {97, 10}, {98, 8}};
    std::vector<PixelRect> at96{{85, kTop, 100 - 85, 1}};
    for (const Column& c : kColumns) at96.push_back({c.x, kTop, 1, c.end - kTop});
    at96.push_back({92, 18, 1, 1});
    std::vector<PixelRect> out;
    for (const PixelRect& p : at96) {
        auto scale = [dpi](int v) { return static_cast<int>((static_cast<long long>(v) * dpi + 48) / 96); };
        const int left = scale(p.left), top = scale(p.top);
        out.push_back({left, top, scale(p.right()) - left, scale(p.bottom()) - top});
    }
    return out;
}

int MoveHighlight(int from, Arrow key) {
    if (from < 0 || from >= kEntryCount) {
        for (int i = 0; i < kEntryCount; ++i)
            if (Selectable(i)) return i;
        return -1;
    }
    if (key == Arrow::Up || key == Arrow::Down) {
        const int step = key == Arrow::Down ? 1 : -1;
        for (int i = from + step; i >= 0 && i < kEntryCount; i += step)
            if (Selectable(i)) return i;
        return from;
    }
    const bool left = from < kLeftColumnCount;
    if (left != (key == Arrow::Left)) {
        // Into the other column, same row or the nearest selectable one above it.
        const int row = left ? from : from - kLeftColumnCount;
        const int first = left ? kLeftColumnCount : 0, last = left ? kEntryCount - 1 : kLeftColumnCount - 1;
        for (int i = std::min(first + row, last); i >= first; --i)
            if (Selectable(i)) return i;
    }
    return from;
}

}  // namespace picker

}  // namespace pell::ui
