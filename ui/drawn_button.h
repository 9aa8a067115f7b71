// The skin's button: a child window whose text is its caption, painted by the two skin routines
// (DrawBorder, WriteButtonText), reachable with Tab, pressed by a click, Enter or Space.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "ui/label.h"
#include "ui/window.h"

namespace pell::ui {

class DrawnButton : public Window {
public:
    explicit DrawnButton(ButtonRole role) : role_(role) {}

    void Create(HWND parent, int id, const std::wstring& caption);
    void SetPressHandler(std::function<void()> onPress) { onPress_ = std::move(onPress); }
    ButtonRole role() const { return role_; }

    // Size in twips at the parent's scale; the frame and the caption are placed in the box's twips.
    void Place(const TwipRect& r, const Scale& scale);
    // The font the next caption is printed with.
    void SetFont(const FontSpec& wanted);
    void SetForeColour(Rgb colour) { fore_ = colour; }
    Rgb ForeColour() const { return fore_; }

    // The face forgotten: no caption, no frame.
    void ClearFace();
    // DrawBorder: four lines in `colour`.
    void DrawBorder(Rgb colour);
    // Prints `text` at the cursor (twips of the box) in the current colour and font; the window text
    // becomes the caption either way. `positioned` false keeps the cursor where the last print left it.
    void PrintCaption(const std::wstring& text, bool positioned, double x, double y);
    void SetCaption(const std::wstring& text) { SetText(text); }
    // Width and height of `text` in the current font, twips.
    void MeasureText(const std::wstring& text, double& width, double& height) const;
    double WidthTwips() const { return box_.width; }
    double HeightTwips() const { return box_.height; }

    // The overlay label inside this box (Label5 in CLOSE, Label8 in START), made on first use.
    Label& Overlay();
    bool HasOverlay() const { return overlay_.hwnd() != nullptr; }
    void SetOverlayFont(const FontSpec& wanted);

    std::optional<Rgb> BorderColour() const { return border_; }

    void Press();

protected:
    void OnPaint(HDC dc, const RECT& client) override;
    void OnClick() override { Press(); }
    void OnMessage(WindowMessage& m) override;

private:
    struct Print {
        std::wstring text;
        double x, y;
        Rgb colour;
    };

    ButtonRole role_;
    std::function<void()> onPress_;
    Scale scale_;
    TwipRect box_{0, 0, 1215, 375};
    FontSpec fontSpec_;
    Font font_;
    int fontDpi_ = 0;
    Rgb fore_ = colour::kWhite;
    std::optional<Rgb> border_;
    std::optional<Print> print_;
    double cursorX_ = 0, cursorY_ = 0;
    Label overlay_;
    FontSpec overlayFontSpec_;
};

// The overlay labels of the main window a caption may be shown through (none in other windows).
struct Overlays {
    DrawnButton* close = nullptr;  // holds Label5
    DrawnButton* start = nullptr;  // holds Label8
};

// WriteButtonText: the caption printed into the box, or, for the Chinese character sets, shown by an
// overlay label, as PlaceCaption decides.
void WriteButtonText(DrawnButton& box, const std::wstring& text, int charset, const Overlays& overlays);

}  // namespace pell::ui
