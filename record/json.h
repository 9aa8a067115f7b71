// JSON for the run's record: quoting text for one line, and a bounded parser for reading lines back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pell {

// `text` as a JSON string in UTF-8, quotes included.
std::string JsonQuote(std::wstring_view text);

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
};

// Parses one JSON text (a whole line). False with a short reason on anything but exactly one value,
// nested at most 32 deep.
bool ParseJson(std::string_view utf8, JsonValue& out, std::wstring& error);

}  // namespace pell
