// Loading and scaling the window's pictures.
#include "ui/artwork.h"

#include "ui/main_window_layout.h"
#include "ui/resource_ids.h"

namespace pell::ui {

namespace {

Picture Load(int id) {
    Picture p;
    p.bitmap.reset(static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP,
                                                     0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (p.valid() && ::GetObjectW(p.bitmap.get(), sizeof(info), &info) != 0) {
        p.width = info.bmWidth;
        p.height = info.bmHeight;
    }
    return p;
}

// Scaled once with the smoothing filter; drawing later only copies.
Picture Scaled(const Picture& source, int width, int height) {
    Picture out;
    if (!source.valid() || width <= 0 || height <= 0) return out;
    HDC screen = ::GetDC(nullptr);
    HDC from = ::CreateCompatibleDC(screen);
    HDC to = ::CreateCompatibleDC(screen);
    out.bitmap.reset(::CreateCompatibleBitmap(screen, width, height));
    out.width = width;
    out.height = height;
    HGDIOBJ oldFrom = ::SelectObject(from, source.bitmap.get());
    HGDIOBJ oldTo = ::SelectObject(to, out.bitmap.get());
    ::SetStretchBltMode(to, HALFTONE);
    ::SetBrushOrgEx(to, 0, 0, nullptr);
    ::StretchBlt(to, 0, 0, width, height, from, 0, 0, source.width, source.height, SRCCOPY);
    ::SelectObject(from, oldFrom);
    ::SelectObject(to, oldTo);
    ::DeleteDC(from);
    ::DeleteDC(to);
    ::ReleaseDC(nullptr, screen);
    return out;
}

Picture LoadFor(const Scale& scale, int id1x, int id2x, int width, int height, bool keepWidth) {
    Picture source = Load(scale.dpi > 96 ? id2x : id1x);
    if (!source.valid()) source = Load(id1x);
    if (keepWidth) width = source.width;
    if (source.width == width && source.height == height) return source;
    return Scaled(source, width, height);
}

}  // namespace

void Picture::Draw(HDC dc, const PixelRect& target) const {
    if (!valid() || target.width <= 0 || target.height <= 0) return;
    HDC from = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(from, bitmap.get());
    if (target.width == width && target.height == height) {
        ::BitBlt(dc, target.left, target.top, width, height, from, 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, target.left, target.top, target.width, target.height, from, 0, 0, width, height, SRCCOPY);
    }
    ::SelectObject(from, old);
    ::DeleteDC(from);
}

void Picture::DrawColumn(HDC dc, int column, const PixelRect& target) const {
    if (!valid() || target.width <= 0 || target.height <= 0 || column < 0 || column >= width) return;
    HDC from = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(from, bitmap.get());
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, target.left, target.top, target.width, target.height, from, column, 0, 1, height, SRCCOPY);
    ::SelectObject(from, old);
    ::DeleteDC(from);
}

Artwork LoadArtwork(const Scale& scale) {
    const PixelRect banner = scale.Rect(mainwin::kBanner);
    const bar::Geometry g = bar::Layout(1, 50);
    const PixelRect corner = scale.Rect(g.trackLeft), cap = scale.Rect(g.fillLeftCap), fill = scale.Rect(g.fill);
    Artwork a;
    a.banner = LoadFor(scale, PELL_BMP_BANNER, PELL_BMP_BANNER_2X, banner.width, banner.height, false);
    a.trackLeft = LoadFor(scale, PELL_BMP_TRACK_LEFT, PELL_BMP_TRACK_LEFT_2X, corner.width, corner.height, false);
    a.trackStrip = LoadFor(scale, PELL_BMP_TRACK_STRIP, PELL_BMP_TRACK_STRIP_2X, 0, corner.height, true);
    a.trackRight = LoadFor(scale, PELL_BMP_TRACK_RIGHT, PELL_BMP_TRACK_RIGHT_2X, corner.width, corner.height, false);
    a.fillLeft = LoadFor(scale, PELL_BMP_FILL_LEFT, PELL_BMP_FILL_LEFT_2X, cap.width, cap.height, false);
    a.fillStrip = LoadFor(scale, PELL_BMP_FILL_STRIP, PELL_BMP_FILL_STRIP_2X, 0, fill.height, true);
    a.fillRight = LoadFor(scale, PELL_BMP_FILL_RIGHT, PELL_BMP_FILL_RIGHT_2X, cap.width, cap.height, false);
    return a;
}

}  // namespace pell::ui
