// The program's own resources (the English translation and the hidden tune as the build binds them) and
// the second-copy test.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/product.h"
#include "base/text.h"
#include "i18n/translation.h"
#include "platform/win32/program_resources.h"
#include "platform/win32/win32_system.h"

namespace pell::win32 {
namespace {

TEST(ProgramResources, TheEnglishTranslationIsBoundInItsCodePageWithTheMakersSite) {
    auto bytes = LoadResourceBytes(L"LANGUAGE", 106);
    ASSERT_TRUE(bytes.has_value());
    std::size_t breaks = 0;
    for (std::size_t i = bytes->find('\n'); i != std::string::npos; i = bytes->find('\n', i + 1), ++breaks)
        EXPECT_EQ((*bytes)[i - 1], '\r');  // lines end with CR LF
    EXPECT_EQ(breaks, static_cast<std::size_t>(Translation::kLineCount - 1));
    EXPECT_NE(bytes->substr(bytes->size() - 2), "\r\n");  // no break after the last line
    EXPECT_EQ(bytes->find("\n\n"), std::string::npos);
    Translation t;
    std::wstring error;
    ASSERT_TRUE(Translation::Parse(Cp1252ToWide(*bytes), t, error)) << WideToUtf8(error);
    EXPECT_EQ(t.Line(5), L"START");
    EXPECT_TRUE(Contains(t.Line(13), kMakerSite));
    EXPECT_EQ(t.Line(13).find(L"@MAKER_SITE@"), std::wstring::npos);
    EXPECT_EQ(t.Line(40), L"Enabling: Task Manager, Regedit, System Restore Config, Command Prompt, Folder Options, Run");
    EXPECT_EQ(t.Line(textline::RestoreMenu), L"Restore a previous cleaning...");
}

TEST(ProgramResources, TheHiddenTuneIsBoundAsBuilt) {
    auto bytes = LoadResourceBytes(L"EEGG", 1);
    ASSERT_TRUE(bytes.has_value());
    std::ifstream in(PELL_TUNE_FILE_WIN, std::ios::binary);
    ASSERT_TRUE(in) << PELL_TUNE_FILE_WIN;
    std::stringstream built;
    built << in.rdbuf();
    EXPECT_EQ(*bytes, built.str());
    EXPECT_EQ(bytes->substr(0, 4), "MThd");
}

TEST(ProgramResources, TwentyTwoTranslationsAreBoundWithoutAJapaneseOne) {
    for (int id = 100; id <= 122; ++id) {
        auto bytes = LoadResourceBytes(L"LANGUAGE", id);
        EXPECT_EQ(bytes.has_value(), id != 114) << id;
        if (!bytes) continue;
        EXPECT_NE(bytes->substr(0, 3), "\xEF\xBB\xBF") << id;
        EXPECT_EQ(std::count(bytes->begin(), bytes->end(), '\n'), Translation::kLineCount - 1) << id;
        EXPECT_NE(bytes->back(), '\n') << id;
    }
}

// Every bound translation, read back in its code page as the program reads it, is its source with
// the maker's site filled in: nothing was lost or replaced on the way through the code page.
TEST(ProgramResources, EveryTranslationReadsBackAsItsSource) {
    Win32System system;
    ProgramLanguageResources resources(system);
    for (const Language& l : Languages()) {
        if (l.resourceId == 0) continue;
        std::ifstream in("Z:" PELL_SOURCE_DIR "/resources/lang/" + std::string(l.stem) + ".txt", std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        std::wstring expected = ReplaceAll(Utf8ToWide(ss.str()), L"@MAKER_SITE@", kMakerSite);
        expected = ReplaceAll(expected, L"\n", L"\r\n");
        expected.resize(expected.size() - 2);  // the source's last break; the resource has none
        auto bytes = resources.Bytes(l.resourceId);
        ASSERT_TRUE(bytes.has_value()) << l.stem;
        EXPECT_EQ(resources.Decode(l.codePage, *bytes), expected) << l.stem;
    }
}

TEST(ProgramResources, AMissingResourceIsNothing) {
    EXPECT_FALSE(LoadResourceBytes(L"LANGUAGE", 114).has_value());
    EXPECT_FALSE(LoadResourceBytes(L"NOSUCHTYPE", 1).has_value());
}

TEST(InstanceGuard, ASecondHolderOfTheNameIsToldAnotherRuns) {
    const wchar_t* name = L"Local\\PellTest.InstanceGuard";
    {
        InstanceGuard first(name);
        EXPECT_FALSE(first.AnotherRunning());
        InstanceGuard second(name);
        EXPECT_TRUE(second.AnotherRunning());
    }
    InstanceGuard after(name);
    EXPECT_FALSE(after.AnotherRunning());
}

}  // namespace
}  // namespace pell::win32
