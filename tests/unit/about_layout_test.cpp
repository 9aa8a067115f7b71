// The about box's portable side: scroller motion and pause, credit rows and their links, texts, tune file.
#include <gtest/gtest.h>

#include <set>

#include "base/product.h"
#include "base/text.h"
#include "ui/about_layout.h"

namespace pell::about {
namespace {

int Pixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }  // rounded, as the window converts

TEST(AboutScroller, MovesUpOnePixelPerTickAndComesBackTwentyPixelsBelowTheBottom) {
    for (int dpi : {96, 120, 144}) {
        const int hc = Pixels(BoxLayout().scrollContainer.height, dpi);
        const int hs = Pixels(BoxLayout().scrollContentsHeight, dpi);
        const int gap = Scroller::kReentryGap;
        // The first pass starts at the bottom edge; later passes start 20 pixels lower and take 20 ticks
        // (1.6 s) more.
        struct Case {
            long ticks;
            int top;
        } cases[] = {
            {0, hc},
            {1, hc - 1},
            {hc, 0},
            {hc + hs - 1, -hs + 1},
            {hc + hs, hc + gap},
            {hc + hs + gap, hc},
            {hc + hs + gap + 1, hc - 1},
            {2L * (hc + hs) + gap - 1, -hs + 1},
            {2L * (hc + hs) + gap, hc + gap},
        };
        Scroller s(hc, hs);
        long done = 0;
        for (const auto& c : cases) {
            for (; done < c.ticks; ++done) {
                s.Tick();
                ASSERT_GT(s.Top(), -hs) << dpi << " dpi, tick " << done;
                ASSERT_LE(s.Top(), hc + gap) << dpi << " dpi, tick " << done;
            }
            EXPECT_EQ(s.Top(), c.top) << dpi << " dpi after " << c.ticks << " ticks";
        }
    }
    EXPECT_EQ(Scroller::kReentryGap * Scroller::kTickMilliseconds, 1600);
}

TEST(AboutScroller, ACreditUnderTheMousePausesItAndTheDescriptionBoxOrStripResumeIt) {
    using H = Scroller::Hover;
    struct Step {
        H over;
        bool changed, running;
    } steps[] = {
        {H::Box, false, true},         {H::Credit, true, false},     {H::Credit, false, false},
        {H::Language, false, false},   {H::Other, false, false},     {H::Description, true, true},
        {H::Credit, true, false},      {H::Container, true, true},   {H::Credit, true, false},
        {H::Contents, true, true},     {H::Credit, true, false},     {H::Box, true, true},
        {H::Language, false, true},    {H::Other, false, true},
    };
    Scroller s(129, 384);
    for (const auto& step : steps) {
        const int before = s.Top();
        EXPECT_EQ(s.MouseOver(step.over), step.changed) << static_cast<int>(step.over);
        EXPECT_EQ(s.Running(), step.running) << static_cast<int>(step.over);
        for (int i = 0; i < 5; ++i) s.Tick();
        // Paused, it stands still; resumed, it goes on from where it stood.
        EXPECT_EQ(s.Top(), step.running ? before - 5 : before) << static_cast<int>(step.over);
    }
}

TEST(AboutCredits, RowsLinksAndPlacesFollowTheTranslatorIndex) {
    struct Expected {
        const wchar_t* language;
        int link;
    } withLinks[] = {{L"Arabic", 10}, {L"Dutch", 8}, {L"Estonian", 7}, {L"French", 2}, {L"Italian", 3}, {L"Turkish", 5}};
    std::set<int> indices;
    std::set<std::wstring> credits;
    const auto& rows = CreditRows();
    for (int k = 0; k < kCreditRows; ++k) {
        const CreditRow& row = rows[k];
        int link = 0;
        for (const auto& e : withLinks)
            if (std::wstring(e.language) == row.language) link = e.link;
        EXPECT_EQ(TranslatorLink(row.translator), link) << WideToUtf8(row.language);
        if (k > 0) EXPECT_LT(std::wstring(rows[k - 1].language), row.language) << "rows are sorted by name";
        indices.insert(row.translator);
        EXPECT_FALSE(TranslatorCredit(row.translator).empty());
        credits.insert(TranslatorCredit(row.translator));

        const RowPlacement p = PlaceRow(k);
        EXPECT_EQ(p.language.top, 285 * k);
        EXPECT_EQ(p.credit.top, 285 * k);
        EXPECT_EQ(p.language.left, k <= 9 ? 120 : 135);
        EXPECT_EQ(p.credit.left, k <= 9 ? 1200 : 1215);
        EXPECT_LE(p.language.left + p.language.width, p.credit.left);
        EXPECT_LE(p.credit.left + p.credit.width, BoxLayout().scrollContainer.width);
        EXPECT_LE(p.credit.top + p.credit.height, BoxLayout().scrollContentsHeight);
    }
    EXPECT_EQ(indices.size(), 19u);
    EXPECT_EQ(*indices.begin(), 0);
    EXPECT_EQ(*indices.rbegin(), 18);
    EXPECT_EQ(credits.size(), 19u) << "every translator is credited once";

    // The Dutch row's credit opens link 8, the Hebrew row's nothing: looked up by index, not by row.
    EXPECT_EQ(rows[3].language, std::wstring(L"Dutch"));
    EXPECT_EQ(rows[8].language, std::wstring(L"Hebrew"));
    EXPECT_EQ(TranslatorLink(rows[3].translator), 8);
    EXPECT_EQ(TranslatorLink(rows[8].translator), 0);
    EXPECT_EQ(TranslatorLink(8), 3);
    for (int outside : {-1, 19, 1000}) {
        EXPECT_EQ(TranslatorLink(outside), 0);
        EXPECT_TRUE(TranslatorCredit(outside).empty());
    }
    EXPECT_EQ(RedirectLink(TranslatorLink(3)), std::wstring(L"http://") + kRedirectHost + L"/?id=8");
    EXPECT_EQ(RedirectLink(kSponsorLink), std::wstring(L"http://") + kRedirectHost + L"/?id=9");
    EXPECT_EQ(RedirectLink(kSiteCreditLink), std::wstring(L"http://") + kRedirectHost + L"/?id=1");
}

TEST(AboutTexts, TitleDescriptionDisclaimerAndTuneFile) {
    struct {
        std::wstring caption, title;
    } titles[] = {
        {L"About", L"    About    Pellworth Remover"},
        {L"\x041E \x043F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x0435",
         L"    \x041E \x043F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x0435    Pellworth Remover"},
        {L"", L"        Pellworth Remover"},
    };
    for (const auto& t : titles) EXPECT_EQ(TitleText(t.caption), t.title);

    const auto lines = SplitAtCrLf(DescriptionText());
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0].rfind(L"Pellworth remover is a FREE tool designed to help you remove those pesky ", 0), 0u);
    const wchar_t* heads[] = {L"Program: ", L"Site: ", L"Progress Bars: "};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(lines[1 + 2 * i].empty());
        EXPECT_EQ(lines[2 + 2 * i].rfind(heads[i], 0), 0u) << WideToUtf8(heads[i]);
        EXPECT_GT(lines[2 + 2 * i].size(), std::wstring(heads[i]).size());
    }
    EXPECT_TRUE(lines[7].empty());
    EXPECT_EQ(lines[8], L"Translators:");

    const auto disclaimer = SplitAtCrLf(DisclaimerText());
    ASSERT_EQ(disclaimer.size(), 2u);
    EXPECT_EQ(disclaimer[1], L"Feel free to mirror this program and redistribute it for FREE.");

    EXPECT_EQ(TuneFileName(L"C:\\users\\me\\Temp\\", 0x10074), L"C:\\users\\me\\Temp\\65652.mid");
    EXPECT_EQ(TuneFileName(L"C:\\T\\", 0x7FFFFFFF), L"C:\\T\\2147483647.mid");
}

TEST(AboutLayout, EveryControlLiesInsideTheBox) {
    const Layout& l = BoxLayout();
    EXPECT_EQ(l.clientWidth, 5745);
    EXPECT_EQ(l.clientHeight, 5700);
    const TwipRect s = l.scrollContainer;
    EXPECT_EQ(s.left, 1740);
    EXPECT_EQ(s.top, 2280);
    EXPECT_EQ(s.width, 2895);
    EXPECT_EQ(s.height, 1935);
    EXPECT_EQ(l.scrollContentsHeight, 5760);
    for (const TwipRect& r : {l.titleStrip, l.icon, l.description, l.scrollContainer, l.disclaimer, l.sponsoredBy,
                               l.sponsorSite, l.siteCredit, l.makerSite, l.okButton}) {
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.left + r.width, l.clientWidth);
        EXPECT_LE(r.top + r.height, l.clientHeight);
    }
}

}  // namespace
}  // namespace pell::about
