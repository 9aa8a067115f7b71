// The about box: its controls in the skin, the scroller's timer and pause, links, the tune and the keys
// that close it.
#include "ui/about_box.h"

#include "base/product.h"
#include "ui/resource_ids.h"

namespace pell::ui {

namespace {

constexpr UINT_PTR kScrollTimer = 1;  // tmrScroll
// What a click opens reads as a link; the credits that open nothing are a quieter white.
constexpr Rgb kLinkColour{122, 178, 232};
constexpr Rgb kPlainCredit{214, 220, 224};
constexpr Rgb kEdgeColour{104, 116, 124};
constexpr double kTextPoints = 8.25;

POINT PointOf(LPARAM lparam) { return {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))}; }

}  // namespace

AboutBox::AboutBox(const std::wstring& aboutCaption, std::wstring okCaption, int charset, System& sys,
                   about::HiddenTune& tune)
    : title_(about::TitleText(aboutCaption)), okCaption_(std::move(okCaption)), charset_(charset), sys_(sys),
      tune_(tune) {}

void AboutBox::Build(HWND owner) {
    scale_.dpi = DpiOf(owner);
    const about::Layout& l = about::BoxLayout();

    // Centred over the owner, at the owner's DPI like the main window.
    const int width = scale_.Px(l.clientWidth), height = scale_.Px(l.clientHeight);
    RECT around{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (owner != nullptr) ::GetWindowRect(owner, &around);
    CreateArgs args;
    args.className = L"PellworthAboutBox";
    args.parent = owner;
    args.style = WS_POPUP | WS_CLIPCHILDREN;  // borderless: the client area is the whole box
    args.rect = {around.left + (around.right - around.left - width) / 2,
                 around.top + (around.bottom - around.top - height) / 2, width, height};
    args.text = title_;
    if (!Create(args)) return;

    titleStrip_.Create(hwnd(), title_, SS_LEFTNOWORDWRAP | SS_CENTERIMAGE);
    titleStrip_.SetColours(colour::kWhite, colour::kStatusStrip);
    description_.Create(hwnd(), about::DescriptionText());
    disclaimer_.Create(hwnd(), about::DisclaimerText());
    sponsoredBy_.Create(hwnd(), about::kSponsoredByText);
    sponsorSite_.Create(hwnd(), about::kSponsorSite);
    siteCredit_.Create(hwnd(), about::SiteCreditText());
    makerSite_.Create(hwnd(), kMakerSite);
    for (Label* plain : {&description_, &disclaimer_, &sponsoredBy_, &makerSite_})
        plain->SetColours(colour::kWhite, colour::kWindow);
    for (Label* link : {&sponsorSite_, &siteCredit_}) link->SetColours(kLinkColour, colour::kWindow);

    CreateArgs icon;
    icon.parent = hwnd();
    icon.className = L"PellworthAboutIcon";
    icon.style = WS_CHILD | WS_VISIBLE;
    icon.rect = scale_.Rect(l.icon);
    icon.id = aboutbox::kIdIcon;
    icon_.Create(icon);
    icon_.icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(PELL_ICON_MAIN),
                                                 IMAGE_ICON, icon.rect.width, icon.rect.height, LR_DEFAULTCOLOR));
    icon_.onClick = [this] { tune_.Play(); };

    BuildScroller(l);

    ok_.Create(hwnd(), aboutbox::kIdOk, L"");
    FontSpec button;
    button.bold = true;
    button.charset = charset_;
    ok_.SetFont(button);
    ok_.Place(l.okButton, scale_);
    ok_.SetForeColour(colour::kWhite);
    WriteButtonText(ok_, okCaption_, charset_, Overlays{});
    ok_.DrawBorder(colour::kBlack);
    ok_.SetPressHandler([this] { Close(); });

    titleStrip_.Move(scale_.Rect(l.titleStrip));
    description_.Move(scale_.Rect(l.description));
    disclaimer_.Move(scale_.Rect(l.disclaimer));
    sponsoredBy_.Move(scale_.Rect(l.sponsoredBy));
    sponsorSite_.Move(scale_.Rect(l.sponsorSite));
    siteCredit_.Move(scale_.Rect(l.siteCredit));
    makerSite_.Move(scale_.Rect(l.makerSite));
    // The description's last line ("Translators:") stands beside the scroller's top, so the two overlap:
    // the scroller stays on top and the description never paints over it.
    ::SetWindowLongPtrW(description_.hwnd(), GWL_STYLE,
                        ::GetWindowLongPtrW(description_.hwnd(), GWL_STYLE) | WS_CLIPSIBLINGS);
    ::SetWindowPos(container_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ApplyFonts();

    ::SetTimer(hwnd(), kScrollTimer, about::Scroller::kTickMilliseconds, nullptr);
}

void AboutBox::BuildScroller(const about::Layout& l) {
    const PixelRect window = scale_.Rect(l.scrollContainer);
    const int stripHeight = scale_.Px(l.scrollContentsHeight);
    scroller_ = about::Scroller(window.height, stripHeight);

    CreateArgs args;
    args.parent = hwnd();
    args.className = L"PellworthAboutPanel";
    args.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    args.rect = window;
    args.id = aboutbox::kIdContainer;
    container_.Create(args);
    // The strip starts just below the visible area.
    args.parent = container_.hwnd();
    args.rect = {0, scroller_.Top(), window.width, stripHeight};
    args.id = aboutbox::kIdContents;
    contents_.Create(args);

    for (int row = 0; row < about::kCreditRows; ++row) {
        const about::CreditRow& r = about::CreditRows()[row];
        const about::RowPlacement place = about::PlaceRow(row);
        CreditRowLabels& labels = rows_[row];
        labels.translator = r.translator;
        labels.language.Create(contents_.hwnd(), r.language, SS_LEFTNOWORDWRAP);
        labels.language.SetColours(colour::kWhite, colour::kWindow);
        labels.language.Move(scale_.Rect(place.language));
        labels.credit.Create(contents_.hwnd(), about::TranslatorCredit(r.translator), SS_LEFTNOWORDWRAP);
        labels.credit.SetColours(about::TranslatorLink(r.translator) != 0 ? kLinkColour : kPlainCredit,
                                 colour::kWindow);
        labels.credit.Move(scale_.Rect(place.credit));
    }
}

void AboutBox::ApplyFonts() {
    // The English texts in a face every system has with the same widths: the substitute for the
    // default face changes with the system's language, and a wider one would spill out of the labels.
    FontSpec text;
    text.face = L"Arial";
    text.points = kTextPoints;
    for (Label* l : {&description_, &disclaimer_, &sponsoredBy_, &sponsorSite_, &siteCredit_, &makerSite_})
        l->SetFont(MakeFont(text, scale_.dpi));
    FontSpec title;  // the buttons' face: it follows the language's character set
    title.points = kTextPoints;
    title.bold = true;
    title.charset = charset_;
    titleStrip_.SetFont(MakeFont(title, scale_.dpi));
    stripFont_ = MakeFont(text, scale_.dpi);
    for (CreditRowLabels& row : rows_)
        for (Label* l : {&row.language, &row.credit})
            ::SendMessageW(l->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(stripFont_.get()), FALSE);
}

void AboutBox::ShowModal(HWND owner) {
    Build(owner);
    if (hwnd() == nullptr) return;
    // Esc and Enter close the box like OK, wherever the focus is inside it.
    RunModal(*this, owner, ok_.hwnd(), done_, [this](WPARAM key) {
        if (key != VK_ESCAPE && key != VK_RETURN) return false;
        Close();
        return true;
    });
    if (icon_.icon != nullptr) ::DestroyIcon(icon_.icon);
    icon_.icon = nullptr;
}

void AboutBox::OnPaint(HDC dc, const RECT& client) {
    FillRectColour(dc, client, colour::kWindow);
    // Borderless over a window of the same colour: a one-pixel edge shows where the box ends.
    const RECT edges[] = {{client.left, client.top, client.right, client.top + 1},
                          {client.left, client.bottom - 1, client.right, client.bottom},
                          {client.left, client.top, client.left + 1, client.bottom},
                          {client.right - 1, client.top, client.right, client.bottom}};
    for (const RECT& edge : edges) FillRectColour(dc, edge, kEdgeColour);
}

void AboutBox::IconPicture::OnPaint(HDC dc, const RECT& client) {
    FillRectColour(dc, client, colour::kWindow);
    if (icon != nullptr)
        ::DrawIconEx(dc, 0, 0, icon, client.right - client.left, client.bottom - client.top, 0, nullptr, DI_NORMAL);
}

void AboutBox::OnTimer(UINT_PTR id) {
    if (id != kScrollTimer) return;
    scroller_.Tick();
    const PixelRect window = scale_.Rect(about::BoxLayout().scrollContainer);
    contents_.Move({0, scroller_.Top(), window.width, scale_.Px(about::BoxLayout().scrollContentsHeight)});
}

HWND AboutBox::LabelAt(HWND where, POINT p) const {
    HWND child = ::ChildWindowFromPointEx(where, p, CWP_SKIPINVISIBLE);
    return child == where ? nullptr : child;
}

AboutBox::Hover AboutBox::HoverAt(HWND where, POINT p) const {
    const HWND label = LabelAt(where, p);
    if (where == hwnd()) {
        if (label == nullptr) return Hover::Box;
        return label == description_.hwnd() ? Hover::Description : Hover::Other;
    }
    if (label == nullptr) return where == contents_.hwnd() ? Hover::Contents : Hover::Container;
    for (const CreditRowLabels& row : rows_) {
        if (label == row.credit.hwnd()) return Hover::Credit;
        if (label == row.language.hwnd()) return Hover::Language;
    }
    return Hover::Other;
}

void AboutBox::MouseOver(Hover what) {
    if (!scroller_.MouseOver(what)) return;
    if (scroller_.Running())
        ::SetTimer(hwnd(), kScrollTimer, about::Scroller::kTickMilliseconds, nullptr);
    else
        ::KillTimer(hwnd(), kScrollTimer);
}

bool AboutBox::Clickable(HWND label) const {
    if (label == nullptr) return false;
    if (label == sponsorSite_.hwnd() || label == siteCredit_.hwnd()) return true;
    for (const CreditRowLabels& row : rows_)
        if (label == row.credit.hwnd()) return about::TranslatorLink(row.translator) != 0;
    return false;
}

void AboutBox::OpenLink(int link) {
    if (link != 0) sys_.ShellOpen(RedirectLink(link));  // the shell's answer is not looked at
}

// A click is a press and a release over the same label.
void AboutBox::ClickIn(HWND where) {
    POINT p;
    ::GetCursorPos(&p);
    ::ScreenToClient(where, &p);
    const HWND label = LabelAt(where, p);
    if (label == nullptr || label != pressed_) return;
    if (label == siteCredit_.hwnd()) return OpenLink(about::kSiteCreditLink);
    if (label == sponsorSite_.hwnd()) return OpenLink(about::kSponsorLink);
    for (const CreditRowLabels& row : rows_)
        if (label == row.credit.hwnd()) return OpenLink(about::TranslatorLink(row.translator));
}

void AboutBox::OnClick() { ClickIn(hwnd()); }

bool AboutBox::OnClose() {
    Close();
    return false;  // the modal loop ends and destroys the box
}

HBRUSH AboutBox::LabelColour(HWND label, HDC dc) const {
    for (const Label* l : {&titleStrip_, &description_, &disclaimer_, &sponsoredBy_, &sponsorSite_, &siteCredit_,
                           &makerSite_})
        if (l->hwnd() == label) return l->Colour(dc);
    for (const CreditRowLabels& row : rows_) {
        if (row.language.hwnd() == label) return row.language.Colour(dc);
        if (row.credit.hwnd() == label) return row.credit.Colour(dc);
    }
    return nullptr;
}

// The box and its two panels share the mouse handling: moves pause or resume the scroller, presses
// remember the label, links show the hand.
void AboutBox::PanelMessage(HWND panel, WindowMessage& m) {
    switch (m.msg) {
    case WM_MOUSEMOVE:
        MouseOver(HoverAt(panel, PointOf(m.lparam)));
        m.result = 0;
        return;
    case WM_LBUTTONDOWN:
        pressed_ = LabelAt(panel, PointOf(m.lparam));
        m.result = 0;
        return;
    case WM_SETCURSOR: {
        POINT p;
        ::GetCursorPos(&p);
        ::ScreenToClient(panel, &p);
        if (reinterpret_cast<HWND>(m.wparam) == panel && Clickable(LabelAt(panel, p))) {
            ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
            m.result = TRUE;
            return;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = LabelColour(reinterpret_cast<HWND>(m.lparam), reinterpret_cast<HDC>(m.wparam))) {
            m.result = reinterpret_cast<LRESULT>(brush);
            return;
        }
        break;
    default:
        break;
    }
    m.handled = false;
}

void AboutBox::OnMessage(WindowMessage& m) { PanelMessage(hwnd(), m); }

}  // namespace pell::ui
