// The one UTF-8 codec and the one decimal parser of base/text.h, as tables of hostile and ordinary inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "base/text.h"
#include "record/json.h"

namespace pell {
namespace {

constexpr char32_t R = kReplacementCharacter;

std::u32string CodePoints(std::string_view bytes) {
    std::u32string out;
    for (std::size_t at = 0; at < bytes.size();) {
        const Utf8Sequence s = DecodeUtf8(bytes, at);
        EXPECT_GE(s.length, 1u);
        out += s.valid ? s.codePoint : U'?';
        at += s.length;
    }
    return out;
}

TEST(TextCodec, DecodesStrictlyWithOneReplacementForEachBadSequence) {
    struct Case {
        const char* what;
        std::string bytes;
        std::u32string expected;
    };
    const Case cases[] = {
        {"ASCII", "A~", U"A~"},
        {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", U"\u00E9\u20AC\U0001F600"},
        {"the smallest and largest of each length", "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         U"\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"},
        {"a cut sequence keeps the letter after it", "\xC3" "A", {R, U'A'}},
        {"a four-byte start cut short", "\xF0\x9F\x98" "A", {R, U'A'}},
        {"cut at the end", "a\xE2\x82", {U'a', R}},
        {"a stray continuation byte", "\x80" "b", {R, U'b'}},
        {"overlong NUL", "\xC0\x80", {R, R}},
        {"overlong three bytes", "\xE0\x80\xAF", {R, R, R}},
        {"overlong four bytes", "\xF0\x80\x80\xAF", {R, R, R, R}},
        {"an encoded surrogate", "\xED\xA0\x80", {R, R, R}},
        {"the last character before the surrogates", "\xED\x9F\xBF", U"\uD7FF"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
        {"bytes that never start a sequence", "\xF5\x80\xFF\xFE", {R, R, R, R}},
        {"the replacement character itself", "\xEF\xBF\xBD", {R}},
    };
    for (const Case& c : cases) {
        std::u32string replaced = CodePoints(c.bytes);
        std::replace(replaced.begin(), replaced.end(), U'?', R);
        EXPECT_EQ(replaced, c.expected) << c.what;
        EXPECT_EQ(WideToUtf8(Utf8ToWide(c.bytes)), EncodeUtf8(c.expected)) << c.what;
    }
}

TEST(TextCodec, EncodesWhatUtf8CannotSayAsTheReplacementCharacter) {
    EXPECT_EQ(WideToUtf8(std::wstring{L'a', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}),
              "a\xF0\x9F\x98\x80");  // a UTF-16 surrogate pair is one character
    EXPECT_EQ(WideToUtf8(std::wstring{static_cast<wchar_t>(0xD800), L'b', static_cast<wchar_t>(0xDC00)}),
              "\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    EXPECT_EQ(EncodeUtf8(std::u32string{0xD800, 0x110000, U'c'}), "\xEF\xBF\xBD\xEF\xBF\xBD" "c");
}

// JSON can say what UTF-8 cannot: a name with a lone surrogate (Windows allows one) goes through a record.
TEST(TextCodec, JsonCarriesALoneSurrogate) {
    const std::wstring name{L'R', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(1), L'\u00E9',
                            static_cast<wchar_t>(0xDC00)};
    JsonValue parsed;
    std::wstring error;
    ASSERT_TRUE(ParseJson(JsonQuote(name), parsed, error)) << WideToUtf8(error);
    EXPECT_EQ(parsed.text, name);
}

TEST(TextCodec, ParsesDecimalsWithinTheirBounds) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    struct Case {
        std::string text;
        std::int64_t lowest, highest;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {"0", 0, 100, 0},
        {"25", 0, kMax, 25},
        {"007", 0, 100, 7},
        {"", 0, 100, std::nullopt},
        {" 5", 0, 100, std::nullopt},
        {"5 ", 0, 100, std::nullopt},
        {"5x", 0, 100, std::nullopt},
        {"0x10", 0, 100, std::nullopt},
        {"+5", 0, 100, std::nullopt},  // a count has no sign
        {"-0", 0, 100, std::nullopt},
        {"-5", -100, 100, -5},
        {"+5", -100, 100, 5},
        {"-", -100, 100, std::nullopt},
        {"--5", -100, 100, std::nullopt},
        {"65535", 0, 65535, 65535},
        {"65536", 0, 65535, std::nullopt},
        {"-101", -100, 100, std::nullopt},
        {"9223372036854775807", 0, kMax, kMax},
        {"9223372036854775808", 0, kMax, std::nullopt},
        {"-9223372036854775808", kMin, kMax, kMin},
        {"-9223372036854775809", kMin, kMax, std::nullopt},
        {"00000000000000000000000000000042", 0, 100, 42},
        {"184467440737095516160000000000000", 0, kMax, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDecimal(c.text, c.lowest, c.highest), c.expected) << "\"" << c.text << "\"";
        EXPECT_EQ(ParseDecimal(Utf8ToWide(c.text), c.lowest, c.highest), c.expected) << "\"" << c.text << "\"";
    }
    EXPECT_EQ(ParseDecimal(std::wstring_view(L"\u0663"), 0, 9), std::nullopt);  // an Arabic-Indic three
}

}  // namespace
}  // namespace pell
