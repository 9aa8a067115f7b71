// The line rules every translation source keeps: the shipped files, and broken copies of English.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "i18n/translation_source.h"

namespace pell {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const std::filesystem::path kLangDir = PELL_SOURCE_DIR "/resources/lang";

std::string Problems(const TranslationSource& s) {
    std::string all;
    for (const auto& p : s.problems) all += std::to_string(p.line) + ": " + p.message + "\n";
    return all;
}

TEST(TranslationSource, EveryShippedTranslationKeepsTheRules) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kLangDir)) {
        if (entry.path().extension() != ".txt") continue;
        ++files;
        TranslationSource s = ReadTranslationSource(ReadFile(entry.path()));
        EXPECT_TRUE(s.Ok()) << entry.path().filename() << "\n" << Problems(s);
        EXPECT_EQ(s.lines.size(), 48u) << entry.path().filename();
    }
    EXPECT_EQ(files, 22);
}

// Replaces the first `from` in line n (1-based) of `text` by `to`.
std::string EditLine(std::string text, int n, const std::string& from, const std::string& to) {
    std::size_t start = 0;
    for (int i = 1; i < n; ++i) start = text.find('\n', start) + 1;
    const std::size_t at = text.find(from, start);
    EXPECT_LT(at, text.find('\n', start)) << "line " << n << " has no '" << from << "'";
    return text.replace(at, from.size(), to);
}

// Where the 41st line starts: the end of the captions and the message table.
std::size_t FortyLinesEnd(const std::string& text) {
    std::size_t at = 0;
    for (int i = 0; i < 40; ++i) at = text.find('\n', at) + 1;
    return at;
}

TEST(TranslationSource, BrokenCopiesOfEnglishAreRefusedAtTheirLine) {
    const std::string english = ReadFile(kLangDir / "english.txt");
    ASSERT_TRUE(ReadTranslationSource(english).Ok());
    std::string crlf;
    for (char c : english) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(ReadTranslationSource(crlf).Ok()) << "CR LF line ends are as good as LF";
    const std::string withoutFinalBreak = english.substr(0, english.size() - 1);
    EXPECT_TRUE(ReadTranslationSource(withoutFinalBreak).Ok());

    struct Case {
        const char* what;
        std::string text;
        int line;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"49 lines", english + "Extra line\n", 49, "49 lines"},
        {"an empty line after the last", english + "\n", 49, "49 lines"},
        {"47 lines", english.substr(0, english.rfind('\n', english.size() - 2) + 1), 0, "47 lines"},
        {"the older 40 lines", english.substr(0, FortyLinesEnd(english)), 0, "40 lines, a translation has exactly 48"},
        {"a lost %%", EditLine(english, 31, "%%", "%"), 31, "\"%%\" appears 0 times, the English line has it once"},
        {"a second %%", EditLine(english, 19, "%%", "%% %%"), 19, "\"%%\" appears 2 times"},
        {"%% in a line without one", EditLine(english, 20, "Items", "%%"), 20, "has it nowhere"},
        {"a lost >>", EditLine(english, 16, " >> ", ">> "), 16, "\" >> \" appears 0 times"},
        {"a lost %% in a later line", EditLine(english, 46, "%%", "some"), 46, "\"%%\" appears 0 times"},
        {"a lost >> in a later line", EditLine(english, 44, " >> ", " "), 44, "\" >> \" appears 0 times"},
        {"%% in a later line without one", EditLine(english, 42, "cleaning", "%%"), 42, "has it nowhere"},
        {">> in a line without one", EditLine(english, 15, " detected", " >> detected"), 15, "\" >> \" appears once"},
        {"no site in line 13", EditLine(english, 13, "@MAKER_SITE@", "www.example"), 13, "\"@MAKER_SITE@\""},
        {"a site outside line 13", EditLine(english, 10, "Remover", "@MAKER_SITE@"), 10, "\"@MAKER_SITE@\""},
        {"a byte-order mark", "\xEF\xBB\xBF" + english, 1, "byte-order mark"},
        {"an empty line", EditLine(english, 5, "START", ""), 5, "empty line"},
        {"a lone CR", EditLine(english, 7, "Yes", "Y\res"), 7, "CR without LF"},
        {"a tab", EditLine(english, 8, "No", "N\to"), 8, "control character U+0009"},
        {"broken UTF-8", EditLine(english, 9, "About", "Ab\xC3out"), 9, "invalid UTF-8"},
        {"an overlong encoding", EditLine(english, 9, "About", "Ab\xC0\xAFout"), 9, "invalid UTF-8"},
    };
    for (const auto& c : cases) {
        TranslationSource s = ReadTranslationSource(c.text);
        ASSERT_FALSE(s.Ok()) << c.what;
        EXPECT_EQ(s.problems.front().line, c.line) << c.what << "\n" << Problems(s);
        EXPECT_NE(s.problems.front().message.find(c.message), std::string::npos) << c.what << "\n" << Problems(s);
    }
}

TEST(TranslationSource, ACharacterIsDescribedByItselfAndItsNumber) {
    EXPECT_EQ(DescribeCodePoint(U'\u0151'), "'\xC5\x91' (U+0151)");
    EXPECT_EQ(DescribeCodePoint(U'\x1F'), "U+001F");
    EXPECT_EQ(EncodeUtf8(U"a\u00E9\u4E2D\U0001F600"), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace pell
