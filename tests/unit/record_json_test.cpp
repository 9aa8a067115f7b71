// The record's JSON against hostile lines: what the reader takes, what it refuses and why, and that the
// writer's every text comes back as it went in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "record/json.h"

namespace pell {
namespace {

struct Case {
    const char* name;
    std::string line;
    const wchar_t* refusal;  // the reason's start; null when the line is taken
    std::wstring text;       // for a taken line: member "a" as text, or empty when it is not one
};

std::string Nested(std::size_t levels) { return std::string(levels, '[') + std::string(levels, ']'); }

TEST(RecordJson, TakesStrictJsonAndRefusesWhatReadersCouldReadTwoWays) {
    const std::vector<Case> cases = {
        {"a plain object", R"({"a":"x","b":1})", nullptr, L"x"},
        {"blanks around members", " {\t\"a\" : \"x\" }\r\n", nullptr, L"x"},
        // Depth: 32 levels below the line's object are the most; 200,000 are refused at once, without
        // recursing that deep.
        {"32 levels below the object", "{\"a\":\"x\",\"b\":" + Nested(32) + "}", nullptr, L"x"},
        {"33 levels below the object", "{\"a\":\"x\",\"b\":" + Nested(33) + "}", L"nested too deep", L""},
        {"200,000 levels", Nested(200000), L"nested too deep", L""},
        // Length: a long text is only long; a number too large for a double is refused.
        {"a text of 100,000 characters", "{\"a\":\"" + std::string(100000, 'x') + "\"}", nullptr,
         std::wstring(100000, L'x')},
        {"a number beyond a double", "{\"a\":1" + std::string(400, '0') + "}", L"bad number", L""},
        // Invalid UTF-8: overlong forms, encoded surrogates, stray continuations, cut sequences, beyond U+10FFFF.
        {"two-byte UTF-8", "{\"a\":\"\xC3\xA9\"}", nullptr, L"\u00E9"},
        {"four-byte UTF-8", "{\"a\":\"\xF0\x9F\x98\x80\"}", nullptr, L"\U0001F600"},
        {"an overlong slash", "{\"a\":\"\xC0\xAF\"}", L"invalid UTF-8", L""},
        {"an overlong three-byte form", "{\"a\":\"\xE0\x80\xAF\"}", L"invalid UTF-8", L""},
        {"a surrogate encoded in UTF-8", "{\"a\":\"\xED\xA0\x80\"}", L"invalid UTF-8", L""},
        {"a lead byte eating the quote", "{\"a\":\"\xC3\"}", L"invalid UTF-8", L""},
        {"a lead byte eating a letter", "{\"a\":\"\xC3" "A\"}", L"invalid UTF-8", L""},
        {"a stray continuation byte", "{\"a\":\"\x80\"}", L"invalid UTF-8", L""},
        {"beyond U+10FFFF", "{\"a\":\"\xF4\x90\x80\x80\"}", L"invalid UTF-8", L""},
        {"a byte no UTF-8 has", "{\"a\":\"\xFF\"}", L"invalid UTF-8", L""},
        // Surrogate escapes: a pair is one character; one alone is the unit the writer escaped.
        {"a surrogate pair", R"({"a":"\ud83d\ude00"})", nullptr, L"\U0001F600"},
        {"a lone high surrogate", R"({"a":"\ud800x"})", nullptr, std::wstring{wchar_t(0xD800), L'x'}},
        {"a lone low surrogate", R"({"a":"\udc00"})", nullptr, std::wstring(1, wchar_t(0xDC00))},
        {"a high surrogate before another escape", R"({"a":"\ud800\u0041"})", nullptr,
         std::wstring{wchar_t(0xD800), L'A'}},
        {"a short escape", R"({"a":"\u12)", L"short \\u escape", L""},
        {"an escape that is no hex", R"({"a":"\u12g4"})", L"bad \\u escape", L""},
        {"an unknown escape", R"({"a":"\x41"})", L"unknown escape", L""},
        {"a raw control character", "{\"a\":\"\x01\"}", L"control character", L""},
        // Numbers as the grammar writes them, and nothing a lenient reader would also take.
        {"numbers", R"({"a":"x","n":[0,-0,12,1.5,-2e3,4E+2,5e-1]})", nullptr, L"x"},
        {"a plus sign", R"({"n":+1})", L"bad number", L""},
        {"a leading zero", R"({"n":01})", L"expected ',' or '}'", L""},
        {"a bare fraction", R"({"n":.5})", L"bad number", L""},
        {"a dot without digits", R"({"n":1.})", L"bad number", L""},
        {"an exponent without digits", R"({"n":1e})", L"bad number", L""},
        {"infinity", R"({"n":Infinity})", L"bad number", L""},
        {"hexadecimal", R"({"n":0x10})", L"expected ',' or '}'", L""},
        // Duplicates: readers differ on which one counts, so neither does.
        {"a member named twice", R"({"a":"x","a":"y"})", L"a member named twice", L""},
        {"a member named twice among many",
         R"({"m0":0,"m1":1,"m2":2,"m3":3,"m4":4,"m5":5,"m6":6,"m7":7,"m8":8,"m9":9,"m3":3})", L"a member named twice", L""},
        {"a member named twice, once escaped", R"({"a":"x","\u0061":"y"})", L"a member named twice", L""},
        {"the same name in two objects", R"({"a":"x","b":{"a":"y"}})", nullptr, L"x"},
        // The rest of the grammar.
        {"two values", R"({"a":"x"} {})", L"text after the value", L""},
        {"nothing", "", L"missing value", L""},
        {"a cut object", R"({"a":"x")", L"expected ',' or '}'", L""},
        {"a cut string", R"({"a":"x)", L"unterminated string", L""},
        {"an unknown word", R"({"a":nul})", L"unknown word", L""},
        {"a member without a name", R"({1:"x"})", L"expected a member name", L""},
    };
    for (const Case& c : cases) {
        JsonValue value;
        std::wstring error;
        const bool taken = ParseJson(c.line, value, error);
        if (c.refusal) {
            EXPECT_FALSE(taken) << c.name;
            EXPECT_EQ(error.rfind(c.refusal, 0), 0u) << c.name << ": " << WideToUtf8(error);
            continue;
        }
        ASSERT_TRUE(taken) << c.name << ": " << WideToUtf8(error);
        std::wstring text;
        value.Text(L"a", text);
        EXPECT_TRUE(text == c.text) << c.name;
    }
}

TEST(RecordJson, EveryTextTheWriterWritesIsReadBackAsItWas) {
    const std::vector<std::wstring> texts = {
        L"C:\\WINDOWS\\system32\\drivers\\etc\\hosts",
        L"quote \" backslash \\ slash / tab \t line\r\n",
        std::wstring(L"nul \0 and \x1F", 11),
        L"\u00E9\u4E2D\U0001F600",
        std::wstring{L'a', wchar_t(0xD800), L'b'},   // a name Windows allows with half a pair
        std::wstring{wchar_t(0xDC00), wchar_t(0xD800)},  // the halves in the wrong order
    };
    JsonObject object;
    object.TextArray(L"texts", texts).Number(L"n", 18446744073709551615ull).Flag(L"f", false).Null(L"z");
    const std::string line = object.Json();
    // Every byte is ASCII or valid UTF-8 and nothing breaks the line.
    EXPECT_EQ(line.find('\n'), std::string::npos);
    JsonValue value;
    std::wstring error;
    ASSERT_TRUE(ParseJson(line, value, error)) << WideToUtf8(error);
    const JsonValue* read = value.Find(L"texts");
    ASSERT_TRUE(read && read->items.size() == texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_TRUE(read->items[i].text == texts[i]) << i;
    EXPECT_EQ(value.Find(L"f")->type, JsonValue::Type::Bool);
    EXPECT_EQ(value.Find(L"z")->type, JsonValue::Type::Null);
}

}  // namespace
}  // namespace pell
