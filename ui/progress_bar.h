// A progress bar of the main window: the track and the fill drawn from the bar pictures, the fill's
// width following the value unclamped (0 hides it). Redrawn only when its pixels change, when shown.
#pragma once

#include <functional>

#include "ui/artwork.h"
#include "ui/window.h"

namespace pell::ui {

class ProgressBar : public Window {
public:
    explicit ProgressBar(int which) : which_(which) {}

    void Create(HWND parent, const Artwork* art);
    // Covers the track and, to the right of it, whatever a fill above 100 reaches within the client.
    void Place(const Scale& scale, int clientWidth);
    // Takes the value; the bar is redrawn at the next Show, since a run sets tens of thousands of values
    // between two pumps and each redraw request is a round trip to the window system.
    void SetValue(double value) { value_ = value; }
    // Asks for a redraw when the fill's pixels have moved since the last one.
    void Show();
    double Value() const { return value_; }
    // Clicks on the bar count as clicks on the window.
    void SetClickHandler(std::function<void()> onClick) { onClick_ = std::move(onClick); }

protected:
    void OnPaint(HDC dc, const RECT& client) override;
    void OnClick() override {
        if (onClick_) onClick_();
    }

private:
    PixelRect Local(const TwipRect& r) const;
    // What the fill looks like in pixels: hidden, or its right edge.
    int FillEdge(double value) const;

    int which_;
    const Artwork* art_ = nullptr;
    Scale scale_;
    PixelRect origin_{0, 0, 0, 0};
    double value_ = 0;
    int shownEdge_ = -1;
    std::function<void()> onClick_;
};

}  // namespace pell::ui
