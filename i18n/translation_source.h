// The rules a translation source (UTF-8, one of resources/lang/*.txt) must keep, shared by the build's
// converter and the unit tests so both judge a file the same way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pell {

// Where line 13 names the maker's site; the build fills in the one named constant.
inline constexpr std::string_view kMakerSiteMarker = "@MAKER_SITE@";

struct SourceProblem {
    int line;             // 1-based; 0 for the file as a whole
    std::string message;  // UTF-8
};

struct TranslationSource {
    std::vector<std::u32string> lines;  // its lines, without their line ends
    std::vector<SourceProblem> problems;
    bool Ok() const { return problems.empty(); }
};

// Reads a source and checks every rule: valid UTF-8 without a byte-order mark; lines ended by LF or
// CR LF (one break after the last line is allowed, an empty line behind the last is not); exactly
// Translation::kLineCount lines, none empty and none holding control characters; "%%" once in each of
// lines 19, 22, 23, 24, 29, 30, 31, 32, 37, 45 and 46 and nowhere else; " >> " once in each of lines
// 12, 13, 14, 16, 18, 41, 44, 47 and 48 and nowhere else; the site marker once in line 13 and nowhere else.
// Every problem found is reported, in line order.
TranslationSource ReadTranslationSource(std::string_view utf8);

// A code point as a reader can find it in a message: the character itself and its U+ number.
std::string DescribeCodePoint(char32_t c);

}  // namespace pell
