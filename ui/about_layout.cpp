// The about box's texts, layout, credit rows, links, scroller and tune file name.
#include "ui/about_layout.h"

#include "base/product.h"

namespace pell::about {

std::wstring TitleText(const std::wstring& aboutCaption) {
    return L"    " + aboutCaption + L"    " + kProductName;
}

std::wstring DescriptionText() {
    return L"Pellworth remover is a FREE tool designed to help you remove those pesky instant-messenger worms "
           L"that send links to your contacts from your account.\r\n"
           L"\r\n"
           L"Program: Hauke Brodersen\r\n"
           L"\r\n"
           L"Site: Wiebke Jensen\r\n"
           L"\r\n"
           L"Progress Bars: Okke Martens\r\n"
           L"\r\n"
           L"Translators:";
}

std::wstring DisclaimerText() {
    return L"Copyright (C) Pellworth Software. All rights reserved.\r\n"
           L"Feel free to mirror this program and redistribute it for FREE.";
}

std::wstring SiteCreditText() { return L"Web site designed by Wiebke Jensen"; }

const Layout& BoxLayout() {
    // The box is 5745 x 5700. The description's last line, "Translators:", stands at the left of the
    // scroller's top; the icon sits under it in the column the scroller leaves free.
    static const Layout layout = {
        5745, 5700,
        {0, 0, 5745, 330},         // title strip
        {630, 2880, 480, 480},     // icon
        {120, 420, 5505, 2070},    // description
        {1740, 2280, 2895, 1935},  // scroller window
        5760,                      // scroller strip height
        {120, 4335, 5505, 420},    // disclaimer
        {120, 4860, 1080, 240},    // "Sponsored by:"
        {1320, 4860, 3000, 240},   // sponsor's address, a blank's width after "Sponsored by:"
        {120, 5100, 3600, 240},    // web-site credit
        {120, 5400, 3000, 240},    // maker's address
        {4410, 5205, 1215, 375},   // OK
    };
    return layout;
}

const std::array<CreditRow, kCreditRows>& CreditRows() {
    static const std::array<CreditRow, kCreditRows> rows = {{
        {L"Albanian", 0},  {L"Arabic", 1},   {L"Brazilian", 2},   {L"Dutch", 3},       {L"Estonian", 4},
        {L"French", 5},    {L"German", 6},   {L"Greek", 7},       {L"Hebrew", 17},     {L"Hungarian", 18},
        {L"Italian", 8},   {L"Korean", 16},  {L"Norwegian", 9},   {L"Polish", 10},     {L"Portuguese", 11},
        {L"Russian", 12},  {L"Spanish", 13}, {L"Swedish", 14},    {L"Turkish", 15},
    }};
    return rows;
}

RowPlacement PlaceRow(int row) {
    constexpr int kRowPitch = 285, kRowHeight = 255;
    // From Italian down, both columns stand 15 twips further right.
    const double shift = row >= 10 ? 15 : 0;
    const double top = kRowPitch * row;
    const double creditLeft = 1200 + shift;
    return {{120 + shift, top, creditLeft - 120 - shift - 45, kRowHeight},
            {creditLeft, top, BoxLayout().scrollContainer.width - creditLeft - 60, kRowHeight}};
}

std::wstring TranslatorCredit(int index) {
    // By lblTranslator index, not by row.
    static const wchar_t* const credits[kCreditRows] = {
        L"Dritan Kola",     L"Samir Haddad",  L"Lucas Moreira", L"Joost van Dam", L"Kadri Tamm",
        L"Elodie Marchand", L"Jonas Albers",  L"Nikos Pappas",  L"Giulia Ferri",  L"Ingrid Solberg",
        L"Marek Wolski",    L"Rui Tavares",   L"Pavel Orlov",   L"Lucia Herrero", L"Anna Lindqvist",
        L"Emre Aydin",      L"Min-jun Seo",   L"Noa Peretz",    L"Bence Varga",
    };
    return index >= 0 && index < kCreditRows ? credits[index] : L"";
}

int TranslatorLink(int index) {
    struct Entry {
        int index, link;
    };
    static constexpr Entry links[] = {{1, 10}, {3, 8}, {4, 7}, {5, 2}, {8, 3}, {15, 5}};
    for (const auto& e : links)
        if (e.index == index) return e.link;
    return 0;
}

Scroller::Scroller(int containerHeight, int contentsHeight)
    : containerHeight_(containerHeight), contentsHeight_(contentsHeight), top_(containerHeight) {}

void Scroller::Tick() {
    if (!running_) return;
    --top_;
    if (top_ <= -contentsHeight_) top_ = containerHeight_ + kReentryGap;
}

bool Scroller::MouseOver(Hover what) {
    bool run = running_;
    switch (what) {
    case Hover::Credit: run = false; break;
    case Hover::Description:
    case Hover::Box:
    case Hover::Container:
    case Hover::Contents: run = true; break;
    case Hover::Language:
    case Hover::Other: break;
    }
    const bool changed = run != running_;
    running_ = run;
    return changed;
}

std::wstring TuneFileName(const std::wstring& tempFolder, std::uintptr_t windowHandle) {
    return tempFolder + std::to_wstring(windowHandle) + L".mid";
}

}  // namespace pell::about
