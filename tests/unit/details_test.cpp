// The details channel: status codes to lines, placeholders, restarts and the caret.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/text.h"
#include "i18n/details.h"
#include "tests/fake/test_host.h"

namespace pell {
namespace {

Translation English() {
    std::ifstream in(PELL_SOURCE_DIR "/resources/lang/english.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    Translation t;
    std::wstring error;
    EXPECT_TRUE(Translation::Parse(Utf8ToWide(ss.str()), t, error)) << WideToUtf8(error);
    return t;
}

TEST(Details, RestartLeavesTwoLinesWithoutLeadingBreak) {
    Translation t = English();
    test::TestHost host;
    WriteDetails(host, t, 7, L"");
    WriteDetails(host, t, 21, L"");
    WriteDetails(host, t, 1, L"");
    EXPECT_EQ(host.details, L"Starting Scan...\r\nSmartScanning Processes...");
    EXPECT_EQ(host.caret, host.details.size());
}

TEST(Details, PlaceholdersAndFixedLines) {
    Translation t = English();
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

}  // namespace
}  // namespace pell
