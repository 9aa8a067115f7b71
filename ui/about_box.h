// The about box: a borderless modal window in the skin with the description, the credits scroller,
// links to the maker's pages and the hidden tune behind the program icon.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "base/system.h"
#include "ui/about_layout.h"
#include "ui/about_tune.h"
#include "ui/drawn_button.h"
#include "ui/label.h"
#include "ui/window.h"

namespace pell::ui {

// Child ids, so the box's parts can be told apart from outside (the labels have none).
namespace aboutbox {
constexpr int kIdOk = 1;          // Picture1
constexpr int kIdIcon = 2;        // picIcon
constexpr int kIdContainer = 3;   // ScrollContainer
constexpr int kIdContents = 4;    // ScrollContents
}  // namespace aboutbox

class AboutBox : public Window {
public:
    // `aboutCaption` and `okCaption` come from the selected language and are printed in `charset`; the
    // rest of the box is English whatever the language.
    AboutBox(const std::wstring& aboutCaption, std::wstring okCaption, int charset, System& sys,
             about::HiddenTune& tune);

    // Shows the box over `owner` (disabled meanwhile) and returns when it is closed.
    void ShowModal(HWND owner);

protected:
    void OnPaint(HDC dc, const RECT& client) override;
    void OnTimer(UINT_PTR id) override;
    void OnClick() override;
    bool OnClose() override;
    void OnMessage(WindowMessage& m) override;

private:
    using Hover = about::Scroller::Hover;

    // picIcon: the program's icon; a click plays the tune.
    class IconPicture : public Window {
    public:
        HICON icon = nullptr;
        std::function<void()> onClick;

    protected:
        void OnPaint(HDC dc, const RECT& client) override;
        void OnClick() override {
            if (onClick) onClick();
        }
    };

    // ScrollContainer and ScrollContents: plain skin-coloured windows that pass the mouse to the box,
    // which tells them apart by handle.
    class Panel : public Window {
    public:
        explicit Panel(AboutBox& box) : box_(box) {}

    protected:
        void OnPaint(HDC dc, const RECT& client) override { FillRectColour(dc, client, colour::kWindow); }
        void OnClick() override { box_.ClickIn(hwnd()); }
        void OnMessage(WindowMessage& m) override { box_.PanelMessage(hwnd(), m); }

    private:
        AboutBox& box_;
    };

    // A row of the scroller: LangList(row) and the lblTranslator credit beside it.
    struct CreditRowLabels {
        Label language, credit;
        int translator = -1;
    };

    void Build(HWND owner);
    void BuildScroller(const about::Layout& l);
    void ApplyFonts();
    // What the mouse is over, from the window that received it and the point in that window.
    Hover HoverAt(HWND where, POINT p) const;
    // The label under a point of `where` (labels let the mouse through to their parent), or nullptr.
    HWND LabelAt(HWND where, POINT p) const;
    void MouseOver(Hover what);
    void ClickIn(HWND where);
    void PanelMessage(HWND panel, WindowMessage& m);
    // The answer to WM_CTLCOLORSTATIC for one of the box's labels, or nullptr when it is not one.
    HBRUSH LabelColour(HWND label, HDC dc) const;
    bool Clickable(HWND label) const;
    void OpenLink(int link);
    void Close() { done_ = true; }

    std::wstring title_, okCaption_;
    int charset_;
    System& sys_;
    about::HiddenTune& tune_;
    Scale scale_;
    about::Scroller scroller_{1, 1};

    Label titleStrip_;   // Picture2
    IconPicture icon_;   // picIcon
    Label description_;  // lblDescription
    Label disclaimer_;   // lblDisclaimer
    Label sponsoredBy_;  // Label1
    Label sponsorSite_;  // Label2
    Label siteCredit_;   // Label11
    Label makerSite_;    // Label5
    Panel container_{*this};  // ScrollContainer
    Panel contents_{*this};   // ScrollContents
    std::array<CreditRowLabels, about::kCreditRows> rows_;
    DrawnButton ok_{ButtonRole::Picture1};  // Picture1
    Font stripFont_;  // shared by the scroller's 38 labels

    HWND pressed_ = nullptr;  // the label a left press went down on
    bool done_ = false;
};

}  // namespace pell::ui
