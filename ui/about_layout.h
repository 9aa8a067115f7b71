// The about box's portable side: its texts and addresses, its layout in twips, the credit rows and the
// links they open, the credits scroller's motion and the hidden tune's file name.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ui/twips.h"

namespace pell::about {

// The sponsor's address shown under "Sponsored by:"; a click opens link kSponsorLink instead, so the
// redirect host can follow the sponsor. The maker's address shown at the bottom is kMakerSite.
inline constexpr wchar_t kSponsorSite[] = L"www.tidewater-hosting.example";

inline constexpr int kSiteCreditLink = 1;  // Label11, the web-site author's credit
inline constexpr int kSponsorLink = 9;     // Label2, the sponsor's address

// "    " + the translated word for About + "    Pellworth Remover".
std::wstring TitleText(const std::wstring& aboutCaption);
std::wstring DescriptionText();  // lblDescription, CR LF line breaks
std::wstring DisclaimerText();   // lblDisclaimer: the rights line and the mirroring line
std::wstring SiteCreditText();   // Label11
inline constexpr wchar_t kSponsoredByText[] = L"Sponsored by:";  // Label1

// Rectangles are in twips of the box's client area (or, for the credit rows, of ScrollContents).
using ui::TwipRect;

// The box's controls. The box is borderless: its client area is the whole window.
struct Layout {
    int clientWidth, clientHeight;
    TwipRect titleStrip;       // Picture2
    TwipRect icon;             // picIcon
    TwipRect description;      // lblDescription
    TwipRect scrollContainer;  // ScrollContainer, the scroller's visible window
    int scrollContentsHeight;   // ScrollContents, as wide as its container
    TwipRect disclaimer;       // lblDisclaimer
    TwipRect sponsoredBy;      // Label1
    TwipRect sponsorSite;      // Label2
    TwipRect siteCredit;       // Label11
    TwipRect makerSite;        // Label5
    TwipRect okButton;         // Picture1
};
const Layout& BoxLayout();

inline constexpr int kCreditRows = 19;

// One row of the scroller: the language's English name (LangList) and the index of the translator
// credit beside it (lblTranslator). The indices are not in row order: languages added later were given
// the next free index and sorted into the list by name.
struct CreditRow {
    const wchar_t* language;
    int translator;
};
const std::array<CreditRow, kCreditRows>& CreditRows();

// Where row k's two labels stand inside ScrollContents.
struct RowPlacement {
    TwipRect language;
    TwipRect credit;
};
RowPlacement PlaceRow(int row);

// The credit of lblTranslator(index); empty outside 0..18.
std::wstring TranslatorCredit(int index);
// The link a click on lblTranslator(index) opens, or 0 for none.
int TranslatorLink(int index);

// The credits strip moving inside its window, in pixels: it starts just below the visible area, moves
// up one pixel per tmrScroll tick and, once it has left at the top, comes in again from 20 pixels below
// the bottom edge. A credit under the mouse pauses it so the credit can be clicked.
class Scroller {
public:
    static constexpr int kTickMilliseconds = 80;
    static constexpr int kReentryGap = 20;

    Scroller(int containerHeight, int contentsHeight);

    // What the mouse moved over.
    enum class Hover { Credit, Language, Description, Box, Container, Contents, Other };

    int Top() const { return top_; }
    bool Running() const { return running_; }

    // One tick of tmrScroll; nothing moves while paused.
    void Tick();
    // Pauses over a credit, resumes over the description, the box or the scroller itself; anything
    // else leaves it as it is. Returns whether the running state changed (the timer follows it).
    bool MouseOver(Hover what);

private:
    int containerHeight_;
    int contentsHeight_;
    int top_;
    bool running_ = true;
};

// The hidden tune's file: TempFolder (ending in a backslash), the main program window's handle in
// decimal, ".mid". The about box writes it and CLOSE deletes it, so both name it through here.
std::wstring TuneFileName(const std::wstring& tempFolder, std::uintptr_t windowHandle);

}  // namespace pell::about
