// The details channel: status codes to lines, placeholders, restarts and the caret.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "i18n/details.h"
#include "tests/fake/test_host.h"
#include "tests/unit/english_translation.h"

namespace pell {
namespace {

using test::EnglishTranslation;

// A translation whose every line is "L<n> %%", so a test sees which line a code chose and whether its
// placeholder was filled.
Translation NumberedTranslation(const std::wstring& line18 = L"L18 %%") {
    std::wstring text;
    for (int n = 1; n <= Translation::kLineCount; ++n)
        text += (n == 18 ? line18 : L"L" + std::to_wstring(n) + L" %%") + L"\r\n";
    Translation t;
    std::wstring error;
    EXPECT_TRUE(Translation::Parse(text, t, error)) << WideToUtf8(error);
    return t;
}

std::wstring LineAfter(const Translation& t, float code, std::wstring_view arg) {
    test::TestHost host;
    host.details = L"before";
    WriteDetails(host, t, code, arg);
    EXPECT_EQ(host.caret, host.details.size());
    EXPECT_EQ(host.details.rfind(L"before\r\n", 0), 0u) << "code " << code;
    return host.details.substr(8);
}

TEST(Details, RestartLeavesTwoLinesWithoutLeadingBreak) {
    Translation t = EnglishTranslation();
    test::TestHost host;
    WriteDetails(host, t, 7, L"");
    WriteDetails(host, t, 21, L"");
    WriteDetails(host, t, 1, L"ignored");
    EXPECT_EQ(host.details, L"Starting Scan...\r\nSmartScanning Processes...");
    EXPECT_EQ(host.caret, host.details.size());
}

TEST(Details, PlaceholdersAndFixedLines) {
    Translation t = EnglishTranslation();
    test::TestHost host;
    WriteDetails(host, t, 4, L"abc");
    WriteDetails(host, t, 13, L"");
    WriteDetails(host, t, 7, L"ignored");
    WriteDetails(host, t, 2.75f, L"x");
    WriteDetails(host, t, 23, L"x");
    WriteDetails(host, t, 2.25f, L"x");
    EXPECT_EQ(host.details,
              L"\r\nFound \"abc\"\r\nFound  ...Unable To Remove!!\r\nLooking For Virus Processes...\r\n"
              L"SmartScanning AutoRuns...\r\n\r\n");
    EXPECT_EQ(host.caret, host.details.size());
}

// Code N from 3 to 22 reads line N + 18; only the lines that take an argument have it filled in.
TEST(Details, EveryCodeChoosesItsLineAndFillsOnlyItsPlaceholders) {
    Translation t = NumberedTranslation();
    struct Case {
        float code;
        std::wstring line;
    };
    std::vector<Case> cases = {{2, L"L19 x"}, {2.5f, L"L20 %%"}};
    for (int n = 3; n <= 22; ++n) {
        bool takesArg = n == 4 || n == 5 || n == 6 || n == 11 || n == 12 || n == 13 || n == 14 || n == 19;
        cases.push_back({static_cast<float>(n), L"L" + std::to_wstring(n + 18) + (takesArg ? L" x" : L" %%")});
    }
    for (const auto& c : cases) EXPECT_EQ(LineAfter(t, c.code, L"x"), c.line) << "code " << c.code;
}

TEST(Details, CodesWithoutALineAppendAnEmptyLine) {
    Translation t = NumberedTranslation();
    for (float code : {0.0f, -1.0f, 1.5f, 2.25f, 2.7f, 3.0001f, 21.5f, 22.5f, 23.0f, 40.0f})
        EXPECT_EQ(LineAfter(t, code, L"x"), L"") << "code " << code;
}

TEST(Details, FixedAutoRunsLineInEveryLanguage) {
    EXPECT_EQ(LineAfter(NumberedTranslation(), 2.75f, L"x"), L"SmartScanning AutoRuns...");
}

// The argument goes in as it is: no quoting, no shortening, not scanned again for placeholders or breaks.
TEST(Details, ArgumentInsertedUnchanged) {
    Translation t = EnglishTranslation();
    const std::wstring longArg(5000, L'w');
    struct Case {
        float code;
        std::wstring arg, line;
    } cases[] = {
        {4, L"%%", L"Found \"%%\""},
        {19, L"a >> b", L"Found Entry a >> b"},
        {14, L"\"q\" = C:\\x.exe", L"Found \"q\" = C:\\x.exe ...Removed"},
        {2, longArg, longArg + L" ...Identified"},
    };
    for (const auto& c : cases) EXPECT_EQ(LineAfter(t, c.code, c.arg), c.line) << "code " << c.code;
}

TEST(Details, EveryPlaceholderOfALineIsReplacedLeftToRight) {
    Translation t = NumberedTranslation(L"A >> B >> C");
    std::wstring text;
    for (int n = 1; n <= Translation::kLineCount; ++n)
        text += (n == 22 ? std::wstring(L"%%%<%%>%%") : L"L" + std::to_wstring(n)) + L"\n";
    Translation multi;
    std::wstring error;
    ASSERT_TRUE(Translation::Parse(text, multi, error));
    EXPECT_EQ(LineAfter(multi, 4, L"ab"), L"ab%<ab>ab");

    test::TestHost host;
    WriteDetails(host, t, 1, L"");
    EXPECT_EQ(host.details, L"A\r\nB\r\nC");
}

TEST(Details, EmptyBoxAfterRestartPutsTheCaretAtOne) {
    Translation t = NumberedTranslation(L"");
    test::TestHost host;
    host.details = L"old run";
    WriteDetails(host, t, 1, L"");
    EXPECT_EQ(host.details, L"");
    EXPECT_EQ(host.caret, 1u);
}

TEST(Details, FixedLineAppendedLikeAStatusLine) {
    test::TestHost host;
    AppendDetailsLine(host, L"Unable to save Log");
    EXPECT_EQ(host.details, L"\r\nUnable to save Log");
    EXPECT_EQ(host.caret, host.details.size());
}

}  // namespace
}  // namespace pell
