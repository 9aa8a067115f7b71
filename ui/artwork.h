// The window's pictures (banner, bar pieces) loaded from the program's resources and scaled once to
// the window's DPI, from the 2x pictures above 96 dpi so they stay sharp.
#pragma once

#include "ui/window.h"

namespace pell::ui {

// A picture scaled to the pixel size it is drawn at.
struct Picture {
    Bitmap bitmap;
    int width = 0, height = 0;
    bool valid() const { return bitmap.get() != nullptr; }
    // Copies the picture to `dc`, stretched to `target` (the strips are stretched along their length).
    void Draw(HDC dc, const PixelRect& target) const;
    // Copies one column of the picture, stretched across `target`.
    void DrawColumn(HDC dc, int column, const PixelRect& target) const;
};

struct Artwork {
    Picture banner;
    Picture trackLeft, trackStrip, trackRight;
    Picture fillLeft, fillStrip, fillRight;
};

// The pictures for `dpi`: corners, caps and the banner at their exact size, strips at their height.
Artwork LoadArtwork(const Scale& scale);

}  // namespace pell::ui
