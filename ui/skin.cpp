// The skin's rules: reading order, button frame, glow and caption placement.
#include "ui/skin.h"

#include <algorithm>

namespace pell::ui {

bool RightToLeftReading(int charset) { return charset == 177 || charset == 178; }

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

}  // namespace pell::ui
