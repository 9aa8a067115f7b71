// Reading and checking a translation source against the line rules.
#include "i18n/translation_source.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/text.h"
#include "i18n/translation.h"

namespace pell {
namespace {

constexpr int kLines = Translation::kLineCount;
constexpr std::array kArgLines = {19, 22, 23, 24, 29, 30, 31, 32, 37, textline::RunRecord, textline::LeftBehindCount};
constexpr std::array kBreakLines = {12, 13, 14, 16, 18, textline::LeftBehindBox, textline::RestoreQuestion,
                                   textline::RecordUnwritable, textline::RecordFailed};
constexpr int kSiteLine = 13;

template <std::size_t N>
bool In(const std::array<int, N>& set, int n) {
    return std::find(set.begin(), set.end(), n) != set.end();
}

// Non-overlapping occurrences, scanning left to right as the placeholder replacement does.
int Count(std::u32string_view text, std::u32string_view needle) {
    int count = 0;
    for (std::size_t at = text.find(needle); at != std::u32string_view::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

std::u32string Ascii(std::string_view s) { return std::u32string(s.begin(), s.end()); }

void CheckPlaceholder(const std::u32string& line, int n, std::string_view shown, bool wanted,
                      std::vector<SourceProblem>& problems) {
    const int count = Count(line, Ascii(shown));
    const int expected = wanted ? 1 : 0;
    if (count != expected)
        problems.push_back({n, "\"" + std::string(shown) + "\" " + (count == 1 ? "appears once" : "appears " + std::to_string(count) + " times") +
                                   ", the English line has it " + (wanted ? "once" : "nowhere")});
}

}  // namespace

std::string DescribeCodePoint(char32_t c) {
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(c));
    if (c < 0x20 || c == 0x7F) return number;
    return "'" + EncodeUtf8(std::u32string(1, c)) + "' (" + number + ")";
}

TranslationSource ReadTranslationSource(std::string_view utf8) {
    TranslationSource source;
    auto& problems = source.problems;
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") {
        problems.push_back({1, "starts with a byte-order mark"});
        utf8.remove_prefix(3);
    }

    std::u32string line;
    bool lineBroken = false;  // a problem already reported for this line's characters
    int n = 1;
    auto endLine = [&] {
        source.lines.push_back(std::move(line));
        line.clear();
        lineBroken = false;
        ++n;
    };
    for (std::size_t at = 0; at < utf8.size();) {
        const Utf8Sequence sequence = DecodeUtf8(utf8, at);
        if (!sequence.valid) {
            if (!lineBroken) problems.push_back({n, "invalid UTF-8 at byte " + std::to_string(at)});
            lineBroken = true;
            at += sequence.length;
            continue;
        }
        at += sequence.length;
        const char32_t c = sequence.codePoint;
        if (c == U'\n') {
            endLine();
        } else if (c == U'\r') {
            if (at < utf8.size() && utf8[at] == '\n') continue;  // CR LF: the LF ends the line
            if (!lineBroken) problems.push_back({n, "a CR without LF inside the line"});
            lineBroken = true;
        } else if (c < 0x20 || c == 0x7F) {
            if (!lineBroken) problems.push_back({n, "control character " + DescribeCodePoint(c)});
            lineBroken = true;
        } else {
            line += c;
        }
    }
    // Text after the last break is a line; a break after the last line ends it and adds none.
    if (!line.empty() || lineBroken) endLine();

    const int count = static_cast<int>(source.lines.size());
    for (int i = 1; i <= std::min(count, kLines); ++i) {
        const std::u32string& text = source.lines[static_cast<std::size_t>(i - 1)];
        if (text.empty()) problems.push_back({i, "empty line"});
        CheckPlaceholder(text, i, "%%", In(kArgLines, i), problems);
        CheckPlaceholder(text, i, " >> ", In(kBreakLines, i), problems);
        CheckPlaceholder(text, i, kMakerSiteMarker, i == kSiteLine, problems);
    }
    if (count != kLines)
        problems.push_back({count > kLines ? kLines + 1 : 0,
                            "the file has " + std::to_string(count) + " lines, a translation has exactly " +
                                std::to_string(kLines)});
    std::stable_sort(problems.begin(), problems.end(),
                     [](const SourceProblem& a, const SourceProblem& b) { return a.line < b.line; });
    return source;
}

}  // namespace pell
