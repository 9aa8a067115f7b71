// JSON for the run's record: the writer of one line's object, and the bounded, strict parser that reads
// lines back. A record comes from a share others may write to, so the parser takes exactly the JSON the
// writer makes and refuses anything that could be read two ways.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pell {

// `text` as a JSON string in UTF-8, quotes included.
std::string JsonQuote(std::wstring_view text);

// One JSON object, its members in the order they are added.
class JsonObject {
public:
    JsonObject& Text(std::wstring_view name, std::wstring_view text) { return Member(name, JsonQuote(text)); }
    JsonObject& Number(std::wstring_view name, std::uint64_t number) { return Member(name, std::to_string(number)); }
    JsonObject& Flag(std::wstring_view name, bool value) { return Member(name, value ? "true" : "false"); }
    JsonObject& Null(std::wstring_view name) { return Member(name, "null"); }
    JsonObject& Object(std::wstring_view name, const JsonObject& inner) { return Member(name, inner.Json()); }
    JsonObject& TextArray(std::wstring_view name, const std::vector<std::wstring>& items);
    // The object's text on one line.
    std::string Json() const { return text_ + "}"; }

private:
    JsonObject& Member(std::wstring_view name, const std::string& json);
    std::string text_ = "{";
};

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::wstring text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::wstring, JsonValue>> members;

    // The member of an object; null when absent or when this is not an object.
    const JsonValue* Find(std::wstring_view key) const;
    // Shortcuts that read a member of the expected type; false (output untouched) otherwise.
    bool Text(std::wstring_view key, std::wstring& out) const;
    bool Unsigned(std::wstring_view key, std::uint64_t& out) const;
    // A member that is the JSON literal true (a flag the writer sets only when it holds).
    bool IsTrue(std::wstring_view key) const;
};

// Parses one JSON text (a whole line). False with a short reason on anything but exactly one value of
// strict JSON: nested at most 32 deep, valid UTF-8, no lone surrogate escape, numbers as the grammar
// writes them, and no object naming a member twice (readers would differ on which one counts).
bool ParseJson(std::string_view utf8, JsonValue& out, std::wstring& error);

}  // namespace pell
