// The window arithmetic: layout tables, bars, frame, glow, caption placement, state rules, pacing.
#include "ui/layout.h"

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

bool RightToLeftReading(int charset) { return charset == 177 || charset == 178; }

namespace mainwin {
namespace {
bool Chinese(int charset) { return charset == 134 || charset == 136; }
}  // namespace
double Label4Top(int charset) { return Chinese(charset) ? 2280 : 2520; }
double Label6Top(int charset) { return Chinese(charset) ? 3120 : 3360; }

double Squeeze(int dpi, int frameHeight, int workHeight) {
    const double most = kDetails.height - kMinDetailsHeight;
    double squeeze = 0;
    // One pixel at a time from the rounded twips: the client's pixel height is what must fit.
    while (TwipsToPixels(kClientHeight - squeeze, dpi) + frameHeight > workHeight && squeeze < most)
        squeeze = std::min(most, squeeze + PixelsToTwips(1, dpi));
    return squeeze;
}

TwipRect Squeezed(const TwipRect& r, double squeeze) {
    TwipRect out = r;
    if (r.top >= kDetails.bottom()) out.top -= squeeze;
    else if (r.top <= kDetails.top && r.bottom() >= kDetails.bottom()) out.height -= squeeze;
    return out;
}

}  // namespace mainwin

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

namespace bar {

double FillWidth(double value, double stripWidth) {
    const float scale = static_cast<float>(stripWidth + kFullScaleExtra);
    return static_cast<double>(static_cast<float>(value) / 100.0f * scale);
}

Geometry Layout(int which, double value) {
    const double top = kTrackTop + (which == 2 ? kBarSpacing : 0.0);
    const double fillTop = top + kFillTopOffset;
    const double width = FillWidth(value);
    Geometry g{};
    g.fillVisible = value != 0;
    g.trackLeft = {kTrackLeft, top, kCornerSize, kCornerSize};
    g.trackStrip = {kStripLeft, top, kStripWidth, kCornerSize};
    g.trackRight = {kRightCornerLeft, top, kCornerSize, kCornerSize};
    g.fillLeftCap = {kFillLeft - kCapWidth, fillTop, kCapWidth, kFillHeight};
    g.fill = {kFillLeft, fillTop, width, kFillHeight};
    g.fillRightCap = {kFillLeft + width, fillTop, kCapWidth, kFillHeight};
    return g;
}

}  // namespace bar

BorderLines BorderLinesFor(double widthTwips, double heightTwips, int dpi, int lineWidth) {
    const int w = TwipsToPixels(widthTwips, dpi), h = TwipsToPixels(heightTwips, dpi);
    // A line drawn at the box's far edge would fall outside it: thick lines grow inwards from there.
    const int bottomY = std::min(TwipsToPixels(heightTwips - 8, dpi), h - 1);
    const int rightX = std::min(TwipsToPixels(widthTwips - 8, dpi), w - 1);
    const int leftLength = std::min(TwipsToPixels(368, dpi) + 1, h);
    BorderLines b{};
    b.top = {0, 0, w, lineWidth};
    b.bottom = {0, std::max(0, bottomY - lineWidth + 1), w, lineWidth};
    b.left = {0, 0, lineWidth, leftLength};
    b.right = {std::max(0, rightX - lineWidth + 1), 0, lineWidth, bottomY + 1};
    return b;
}

Rgb GlowStep(GlowState& s) {
    // Each phase may hand over to the next in the same tick; six hand-overs bring it back to the start.
    for (int handovers = 0; handovers < 6; ++handovers) {
        bool next = false;
        switch (s.phase) {
        case 0:
            s.red = 255;
            s.green += 5;
            if (s.green >= 255) next = true; else s.blue = 0;
            break;
        case 1:
            s.green = 255;
            s.red -= 5;
            if (s.red <= 0) next = true; else s.blue = 0;
            break;
        case 2:
            s.blue += 5;
            if (s.blue >= 255) next = true; else s.red = 0;
            break;
        case 3:
            s.blue = 255;
            s.green -= 5;
            if (s.green <= 0) next = true; else s.red = 0;
            break;
        case 4:
            s.blue = 255;
            s.red += 5;
            if (s.red >= 255) next = true; else s.green = 0;
            break;
        default:
            s.red = 255;
            s.blue -= 5;
            if (s.blue <= 0) next = true; else s.green = 0;
            break;
        }
        if (!next) break;
        s.phase = (s.phase + 1) % 6;
    }
    auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    return {clamp(s.red), clamp(s.green), clamp(s.blue)};
}

CaptionPlacement PlaceCaption(int charset, ButtonRole role, double w, double h, double tw, double th) {
    using Action = CaptionPlacement::Action;
    CaptionPlacement p;
    p.x = w / 2 - tw / 2;
    p.y = h / 2 - th / 2;
    const bool startOrPicture1 = role == ButtonRole::Start || role == ButtonRole::Picture1;
    if (charset == 136) {
        if (!startOrPicture1) {
            if (role == ButtonRole::Close) p.action = Action::ShowLabel5;
        } else {
            p.y = h / 2 - th / 4;
        }
    } else if (charset == 134) {
        if (!startOrPicture1) {
            if (role == ButtonRole::Close) p.action = Action::ShowLabel5;
        } else if (role == ButtonRole::Start) {
            p.action = Action::ShowLabel8;
            p.clearFace = true;
        } else {
            p.positioned = false;
        }
    } else {
        p.hideOverlays = true;
    }
    return p;
}

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

namespace state {

void DisableGUI(MainState& s) {
    s.startEnabled = false;
    s.closeEnabled = false;
    s.pickerEnabled = false;
}

void EnableGUI(MainState& s) {
    s.startEnabled = true;
    s.closeEnabled = true;
    s.pickerEnabled = true;
    s.glowRunning = true;
}

void Finish(MainState& s) {
    s.startEnabled = true;
    s.closeEnabled = true;
    s.term = true;
    EnableGUI(s);
}

void BeginRun(MainState& s) {
    s.glowRunning = false;
    DisableGUI(s);
    s.running = true;
    // From the press on a run is committed: a close granted in message box 2 or the picker would take
    // the window away from a run that still goes ahead.
    s.term = false;
}

void EndRun(MainState& s) { s.running = false; }

bool Accepts(const MainState& s, Request r) {
    switch (r) {
    case Request::Start: return s.startEnabled && !s.running;
    case Request::Close: return s.closeEnabled;
    case Request::About: return true;
    case Request::CloseFromSystem: return s.term;
    case Request::PickLanguage: return s.pickerEnabled;
    }
    return false;
}

}  // namespace state

bool PumpPacer::Due(std::uint64_t nowMs) {
    if (first_ || nowMs < last_ || nowMs - last_ >= interval_) {
        first_ = false;
        last_ = nowMs;
        return true;
    }
    return false;
}

}  // namespace pell::ui
