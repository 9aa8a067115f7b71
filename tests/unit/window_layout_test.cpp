// The windows' tables and the skin: twips at several DPIs, the message box's layout, the bars, the frame,
// the glow, caption placement by character set, the language picker and the window in the work area.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "ui/language_picker_layout.h"
#include "ui/main_window_layout.h"
#include "ui/message_box_layout.h"
#include "ui/skin.h"
#include "ui/twips.h"

namespace pell::ui {
namespace {

TEST(WindowLayout, TwipsToPixelsAtCommonDpis) {
    struct Case {
        double twips;
        int dpi, pixels;
    } cases[] = {
        {7260, 96, 484}, {6420, 96, 428}, {7260, 120, 605}, {6420, 120, 535}, {7260, 144, 726}, {6420, 144, 642},
        {375, 96, 25},   {375, 144, 38},  {15, 96, 1},      {1215, 120, 101}, {-15, 96, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    // The track's pieces overlap in twips and leave no gap in pixels, at every DPI; the fill starts
    // right after its cap.
    for (int dpi : {96, 120, 144, 192}) {
        const bar::Geometry g = bar::Layout(1, 50);
        EXPECT_GE(ToPixels(g.trackLeft, dpi).right(), ToPixels(g.trackStrip, dpi).left) << dpi;
        EXPECT_GE(ToPixels(g.trackStrip, dpi).right(), ToPixels(g.trackRight, dpi).left) << dpi;
        EXPECT_EQ(ToPixels(g.fillLeftCap, dpi).right(), ToPixels(g.fill, dpi).left) << dpi;
        EXPECT_EQ(ToPixels(g.fill, dpi).right(), ToPixels(g.fillRightCap, dpi).left) << dpi;
    }
}

TEST(WindowLayout, MessageBoxSizes) {
    struct Case {
        const char* what;
        double labelWidth, labelHeight;
        int lines;
        bool okOnly;
        double width, height, button1Left, button2Left, buttonTop;
    } cases[] = {
        // One short English line: 3000 x 1800 with OK centred, tops at 675.
        {"one line, OK", 1200, 195, 1, true, 3000, 1800, 1500 - 607.5, 1508, 675},
        {"one line, Yes and No", 1200, 195, 1, false, 3000, 1800, 1500 - 52.5 - 1215, 1500 + 52.5, 675},
        // Two lines: label top + height + 360 + the design top of the buttons + their height.
        {"two lines", 2000, 390, 2, false, 3000, 240 + 390 + 360 + 480 + 375, 1500 - 52.5 - 1215, 1552.5, 870},
        // Wider than 3480: left + width + 360.
        {"wide", 6000, 195, 1, true, 6600, 1800, 3300 - 607.5, 1508, 675},
        {"wide, five lines", 9000, 975, 5, false, 9600, 240 + 975 + 360 + 855, 4800 - 1267.5, 4852.5, 1455},
        // A label that would reach past the right edge of a 3000 box still gets its margin.
        {"between", 3100, 195, 1, true, 3700, 1800, 1850 - 607.5, 1508, 675},
    };
    for (const Case& c : cases) {
        const msgbox::Layout l = msgbox::Arrange(c.labelWidth, c.labelHeight, c.lines, c.okOnly);
        EXPECT_DOUBLE_EQ(l.width, c.width) << c.what;
        EXPECT_DOUBLE_EQ(l.height, c.height) << c.what;
        EXPECT_DOUBLE_EQ(l.button1.left, c.button1Left) << c.what;
        EXPECT_DOUBLE_EQ(l.button2.left, c.button2Left) << c.what;
        EXPECT_DOUBLE_EQ(l.button1.top, c.buttonTop) << c.what;
        EXPECT_DOUBLE_EQ(l.button2.top, c.buttonTop) << c.what;
        EXPECT_DOUBLE_EQ(l.label.left, 240) << c.what;
        EXPECT_DOUBLE_EQ(l.label.top, 240) << c.what;
        // Nothing is cut: the label ends inside the box with room to spare.
        EXPECT_LE(l.label.right() + 360, l.width) << c.what;
        if (!c.okOnly) EXPECT_DOUBLE_EQ(l.button2.left - l.button1.right(), 105) << c.what;
    }
    // Narrow labels all give the same box.
    EXPECT_DOUBLE_EQ(msgbox::Arrange(45, 195, 1, true).width, 3000);
    EXPECT_DOUBLE_EQ(msgbox::Arrange(2400, 195, 1, true).width, 3000);
}

TEST(WindowLayout, BarWidthsFollowTheValueUnclamped) {
    struct Case {
        double value, width;
        bool visible;
    } cases[] = {{0, 0, false}, {50, 3327.5, true}, {100, 6655, true}, {130, 8651.5, true}, {0.5, 33.275, true}};
    for (int which : {1, 2}) {
        for (const Case& c : cases) {
            const bar::Geometry g = bar::Layout(which, c.value);
            EXPECT_EQ(g.fillVisible, c.visible) << c.value;
            EXPECT_NEAR(g.fill.width, c.width, 0.01) << c.value;
            EXPECT_DOUBLE_EQ(g.fill.left, 300);
            EXPECT_DOUBLE_EQ(g.fillRightCap.left, 300 + g.fill.width);
            EXPECT_DOUBLE_EQ(g.fillLeftCap.left, 240);
            EXPECT_DOUBLE_EQ(g.fill.top, which == 1 ? 1950 : 2790);
            EXPECT_DOUBLE_EQ(g.trackStrip.top, which == 1 ? 1920 : 2760);
        }
    }
    // Single precision, as the bars compute it: 1/3 of the scale is the float result, not the double one.
    EXPECT_EQ(bar::FillWidth(100.0 / 3.0), static_cast<double>(static_cast<float>(100.0 / 3.0) / 100.0f * 6655.0f));
}

TEST(WindowLayout, ButtonFrameLinesStayInsideTheBox) {
    for (int dpi : {96, 120, 144}) {
        for (int line : {1, 2, 3}) {
            const BorderLines b = BorderLinesFor(1215, 375, dpi, line);
            const int w = TwipsToPixels(1215, dpi), h = TwipsToPixels(375, dpi);
            for (const PixelRect& r : {b.top, b.bottom, b.left, b.right}) {
                EXPECT_GE(r.left, 0);
                EXPECT_GE(r.top, 0);
                EXPECT_LE(r.right(), w) << dpi;
                EXPECT_LE(r.bottom(), h) << dpi;
            }
            EXPECT_EQ(b.top.top, 0);
            EXPECT_EQ(b.bottom.bottom(), h) << "the bottom line is the box's last row at " << dpi;
            EXPECT_EQ(b.right.right(), w);
            EXPECT_EQ(b.top.height, line);
        }
    }
    // The left line has a fixed length of 368 twips: on a taller box it stops short of the bottom.
    const BorderLines tall = BorderLinesFor(1215, 1500, 96, 1);
    EXPECT_EQ(tall.left.height, TwipsToPixels(368, 96) + 1);
    EXPECT_EQ(tall.right.height, TwipsToPixels(1492, 96) + 1);
}

TEST(WindowLayout, GlowCyclesThroughTheColourWheel) {
    GlowState s;
    std::vector<Rgb> seen;
    for (int i = 0; i < 6 * 51; ++i) seen.push_back(GlowStep(s));
    EXPECT_EQ(seen[0], (Rgb{255, 5, 0}));  // the first tick after start-up
    EXPECT_EQ(seen[1], (Rgb{255, 10, 0}));
    EXPECT_EQ(seen[50], (Rgb{250, 255, 0}));  // green reached 255: phase 1 handled in the same tick
    EXPECT_EQ(seen[100], (Rgb{0, 255, 5}));   // red reached 0: blue starts rising
    EXPECT_EQ(seen[150], (Rgb{0, 250, 255}));
    EXPECT_EQ(seen[200], (Rgb{5, 0, 255}));
    EXPECT_EQ(seen[250], (Rgb{255, 0, 250}));
    EXPECT_EQ(seen[300], (Rgb{255, 5, 0}));  // round the wheel and back to the start
    for (std::size_t i = 1; i < seen.size(); ++i) {
        const Rgb& a = seen[i - 1];
        const Rgb& b = seen[i];
        const int moved = std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
        EXPECT_LE(moved, 10) << "tick " << i;  // a smooth wheel: one channel moves 5, rarely two
        EXPECT_GT(moved, 0) << "tick " << i;
    }
}

TEST(WindowLayout, CaptionPlacementByCharacterSet) {
    using Action = CaptionPlacement::Action;
    const double w = 1215, h = 375, tw = 400, th = 200;
    struct Case {
        int charset;
        ButtonRole role;
        Action action;
        bool positioned, hide, clear;
        double y;
    } cases[] = {
        {0, ButtonRole::Start, Action::Print, true, true, false, h / 2 - th / 2},
        {0, ButtonRole::Close, Action::Print, true, true, false, h / 2 - th / 2},
        {204, ButtonRole::Other, Action::Print, true, true, false, h / 2 - th / 2},
        {136, ButtonRole::Close, Action::ShowLabel5, true, false, false, h / 2 - th / 2},
        {136, ButtonRole::Start, Action::Print, true, false, false, h / 2 - th / 4},
        {136, ButtonRole::Picture1, Action::Print, true, false, false, h / 2 - th / 4},
        {136, ButtonRole::Other, Action::Print, true, false, false, h / 2 - th / 2},
        {134, ButtonRole::Close, Action::ShowLabel5, true, false, false, h / 2 - th / 2},
        {134, ButtonRole::Start, Action::ShowLabel8, true, false, true, h / 2 - th / 2},
        {134, ButtonRole::Picture1, Action::Print, false, false, false, h / 2 - th / 2},
        {134, ButtonRole::Other, Action::Print, true, false, false, h / 2 - th / 2},
    };
    for (const Case& c : cases) {
        const CaptionPlacement p = PlaceCaption(c.charset, c.role, w, h, tw, th);
        const auto where = ::testing::Message() << "charset " << c.charset << " role " << static_cast<int>(c.role);
        EXPECT_EQ(p.action, c.action) << where;
        EXPECT_EQ(p.positioned, c.positioned) << where;
        EXPECT_EQ(p.hideOverlays, c.hide) << where;
        EXPECT_EQ(p.clearFace, c.clear) << where;
        if (p.positioned) {
            EXPECT_DOUBLE_EQ(p.x, w / 2 - tw / 2) << where;
            EXPECT_DOUBLE_EQ(p.y, c.y) << where;
        }
    }
}

TEST(WindowLayout, LanguagePickerPanelAndArrow) {
    // 13 entries in the left column and 10 in the right, both from the top, each row 8 twips below the
    // bottom of the one above; the panel hangs under the box and ends 30 twips under the left column.
    int leftColumn = 0, rightColumn = 0, selectable = 0;
    for (int i = 0; i < picker::kEntryCount; ++i) {
        const TwipRect r = picker::EntryRect(i);
        (r.left == 8 ? leftColumn : rightColumn) += 1;
        EXPECT_EQ(r.width, picker::kPanelWidth / 2 - 32) << i;
        EXPECT_EQ(r.height, 330) << i;
        EXPECT_EQ(r.top, (i == 0 || i == 13) ? 0 : picker::EntryRect(i - 1).bottom() + 8) << i;
        selectable += picker::Selectable(i) ? 1 : 0;
    }
    EXPECT_EQ(leftColumn, 13);
    EXPECT_EQ(rightColumn, 10);
    EXPECT_EQ(picker::EntryRect(13).left, 1208);
    EXPECT_EQ(selectable, 20);
    EXPECT_FALSE(picker::Selectable(14));
    EXPECT_FALSE(picker::EntryHasOwnCharset(17)) << "Polish keeps set 0 in the panel";
    for (int charset : {0, 128, 129, 134, 136, 161, 162, 177, 178, 204, 238})
        EXPECT_EQ(RightToLeftReading(charset), charset == 177 || charset == 178) << charset;
    const TwipRect panel = picker::PanelRect(mainwin::kLanguageBox);
    EXPECT_EQ(panel.left, 2760);
    EXPECT_EQ(panel.top, 1440);
    EXPECT_EQ(panel.height, picker::EntryRect(12).bottom() + 30);

    // The arrow at 96 dpi: a 15-pixel line at y 5 from x 85, columns down from it (to y 7 at x 86, to
    // y 17 at x 91 to 93, back to y 7 at x 98) and the tip (92, 18): a triangle symmetric about x 92.
    std::set<std::pair<int, int>> pixels;
    for (const PixelRect& r : picker::DropArrow(96))
        for (int x = r.left; x < r.right(); ++x)
            for (int y = r.top; y < r.bottom(); ++y) pixels.insert({x, y});
    const int lowest[] = {7, 9, 11, 13, 15, 17, 17, 17, 15, 13, 11, 9, 7};
    std::set<std::pair<int, int>> expected{{92, 18}};
    for (int x = 85; x < 100; ++x) expected.insert({x, 5});
    for (int i = 0; i < 13; ++i)
        for (int y = 5; y <= lowest[i]; ++y) expected.insert({86 + i, y});
    EXPECT_EQ(pixels, expected);
    for (const auto& [x, y] : pixels)
        if (y > 5) EXPECT_TRUE(pixels.count({184 - x, y})) << x << "," << y;
    // At every DPI the arrow stays inside the arrow area of the box.
    for (int dpi : {96, 120, 144, 192}) {
        const PixelRect box = ToPixels(mainwin::kLanguageBox, dpi);
        for (const PixelRect& r : picker::DropArrow(dpi)) {
            EXPECT_GT(r.left, TwipsToPixels(picker::kNameWidth, dpi)) << dpi;
            EXPECT_LE(r.right(), box.width - 1) << dpi;
            EXPECT_LE(r.bottom(), box.height - 1) << dpi;
            EXPECT_GT(r.width, 0) << dpi;
            EXPECT_GT(r.height, 0) << dpi;
        }
    }
}

TEST(WindowLayout, PickerArrowKeysPassOverGreyedEntries) {
    using picker::Arrow;
    struct Case {
        int from;
        Arrow key;
        int to;
    } cases[] = {
        {-1, Arrow::Down, 0},  {2, Arrow::Down, 5},   {5, Arrow::Up, 2},    {12, Arrow::Down, 13},
        {13, Arrow::Down, 15}, {15, Arrow::Up, 13},   {13, Arrow::Up, 12},  {22, Arrow::Down, 22},
        {0, Arrow::Up, 0},     {0, Arrow::Right, 13}, {1, Arrow::Right, 13}, {6, Arrow::Right, 19},
        {12, Arrow::Right, 22}, {19, Arrow::Left, 6}, {16, Arrow::Left, 2},  {6, Arrow::Left, 6},
        {19, Arrow::Right, 19},
    };
    for (const Case& c : cases)
        EXPECT_EQ(picker::MoveHighlight(c.from, c.key), c.to) << c.from << " key " << static_cast<int>(c.key);
    EXPECT_FALSE(picker::Selectable(-1));
    EXPECT_FALSE(picker::Selectable(picker::kEntryCount));
    // Every key from every selectable entry lands on a selectable one.
    for (int i = 0; i < picker::kEntryCount; ++i)
        for (Arrow key : {Arrow::Up, Arrow::Down, Arrow::Left, Arrow::Right})
            if (picker::Selectable(i)) EXPECT_TRUE(picker::Selectable(picker::MoveHighlight(i, key))) << i;
}

TEST(WindowLayout, TheWindowFitsTheWorkArea) {
    // 144 dpi with a 34-pixel frame on 600 pixels: the details box gives up what the window lacks, and
    // START, CLOSE and the status line move up by as much; at 96 dpi nothing changes.
    EXPECT_EQ(mainwin::Squeeze(96, 25, 600), 0);
    EXPECT_EQ(mainwin::Squeeze(144, 34, 1024), 0);
    const double squeeze = mainwin::Squeeze(144, 34, 600);
    EXPECT_EQ(TwipsToPixels(mainwin::kClientHeight - squeeze, 144) + 34, 600);
    EXPECT_EQ(ToPixels(mainwin::Squeezed(mainwin::kStart, squeeze), 144).top, ToPixels(mainwin::kStart, 144).top - 76);
    EXPECT_EQ(mainwin::Squeezed(mainwin::kLabel2, squeeze).top, mainwin::kLabel2.top - squeeze);
    EXPECT_EQ(mainwin::Squeezed(mainwin::kDetails, squeeze).height, mainwin::kDetails.height - squeeze);
    EXPECT_EQ(mainwin::Squeezed(mainwin::kAbout, squeeze).top, mainwin::kAbout.top);
    // A screen far too small: the details box keeps its least height.
    EXPECT_EQ(mainwin::Squeeze(192, 40, 480), mainwin::kDetails.height - mainwin::kMinDetailsHeight);

    struct Case {
        PixelRect work;
        int width, height, x, y;
    } cases[] = {
        {{0, 0, 1280, 1024}, 490, 453, 395, 285},  // centred
        {{0, 0, 800, 600}, 732, 600, 34, 0},       // just fits
        {{0, 0, 800, 600}, 732, 700, 34, 0},       // too tall: the caption stays in view
        {{0, 0, 640, 480}, 900, 700, 0, 0},        // too wide too: the left edge stays in view
        {{100, 40, 800, 560}, 732, 600, 134, 40},  // a work area beside a task bar
    };
    for (const Case& c : cases) {
        const Point p = PlaceInWorkArea(c.work, c.width, c.height);
        EXPECT_EQ(p.x, c.x) << c.width << "x" << c.height;
        EXPECT_EQ(p.y, c.y) << c.width << "x" << c.height;
    }
}

}  // namespace
}  // namespace pell::ui
