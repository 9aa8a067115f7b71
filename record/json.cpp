// JSON quoting, the object writer, and a small recursive-descent parser with a depth bound.
#include "record/json.h"

#include <cmath>
#include <cstdlib>
#include <unordered_set>

#include "base/text.h"


namespace pell {
namespace {

constexpr int kMaxDepth = 32;
// Objects with more members than this look their names up in a set: a crafted line with a million
// members must not cost a million squared comparisons.
constexpr std::size_t kLinearNameCheck = 8;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One character, or a surrogate pair where wchar_t has 16 bits.
void AppendCodePoint(std::wstring& out, std::uint32_t v) {
    if (v >= 0x10000 && sizeof(wchar_t) == 2) {
        out += static_cast<wchar_t>(0xD800 + ((v - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
    } else {
        out += static_cast<wchar_t>(v);
    }
}

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    bool Document(JsonValue& out, std::wstring& error) {
        if (!Value(out, 0)) {
            error = error_ + L" at byte " + std::to_wstring(pos_ + 1);
            return false;
        }
        Blank();
        if (pos_ != s_.size()) {
            error = L"text after the value at byte " + std::to_wstring(pos_ + 1);
            return false;
        }
        return true;
    }

private:
    bool Fail(const wchar_t* why) {
        error_ = why;
        return false;
    }
    void Blank() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n')) ++pos_;
    }
    bool Literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) return Fail(L"unknown word");
        pos_ += word.size();
        return true;
    }
    bool Hex4(std::uint32_t& v) {
        if (pos_ + 4 > s_.size()) return Fail(L"short \\u escape");
        v = 0;
        for (int i = 0; i < 4; ++i) {
            char c = s_[pos_++];
            v <<= 4;
            if (c >= '0' && c <= '9') v |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f') v |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') v |= static_cast<std::uint32_t>(c - 'A' + 10);
            else return Fail(L"bad \\u escape");
        }
        return true;
    }
    bool String(std::wstring& out) {
        ++pos_;  // the opening quote
        out.clear();
        for (;;) {
            if (pos_ >= s_.size()) return Fail(L"unterminated string");
            const char c = s_[pos_];
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return Fail(L"control character in a string");
            if (c != '\\') {
                // Refused, not replaced: lenient readers read malformed bytes in different ways, and a path
                // that two readers see differently must not pass a check made on one of them.
                const Utf8Sequence sequence = DecodeUtf8(s_, pos_);
                if (!sequence.valid) return Fail(L"invalid UTF-8 in a string");
                AppendCodePoint(out, sequence.codePoint);
                pos_ += sequence.length;
                continue;
            }
            if (++pos_ >= s_.size()) return Fail(L"unterminated string");
            const char e = s_[pos_++];
            switch (e) {
                case '"': out += L'"'; break;
                case '\\': out += L'\\'; break;
                case '/': out += L'/'; break;
                case 'b': out += L'\b'; break;
                case 'f': out += L'\f'; break;
                case 'n': out += L'\n'; break;
                case 'r': out += L'\r'; break;
                case 't': out += L'\t'; break;
                case 'u': {
                    std::uint32_t v = 0;
                    if (!Hex4(v)) return false;
                    // A pair of escapes is one character; a surrogate escaped alone is kept as the one
                    // UTF-16 unit it is, as the writer wrote it from a name Windows allowed.
                    if (v >= 0xD800 && v <= 0xDBFF && s_.substr(pos_, 2) == "\\u") {
                        const std::size_t back = pos_;
                        std::uint32_t lo = 0;
                        pos_ += 2;
                        if (!Hex4(lo)) return false;
                        if (lo >= 0xDC00 && lo <= 0xDFFF) {
                            v = 0x10000 + ((v - 0xD800) << 10) + (lo - 0xDC00);
                        } else {
                            pos_ = back;
                        }
                    }
                    AppendCodePoint(out, v);
                    break;
                }
                default: return Fail(L"unknown escape");
            }
        }
    }
    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)? and nothing else: no "+1", "01", ".5" or "1.".
    bool Number(double& out) {
        const std::size_t start = pos_;
        auto digits = [&] {
            const std::size_t from = pos_;
            while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
            return pos_ > from;
        };
        if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
        if (pos_ < s_.size() && s_[pos_] == '0') {
            ++pos_;
        } else if (pos_ >= s_.size() || !IsDigit(s_[pos_]) || !digits()) {
            return Fail(L"bad number");
        }
        if (pos_ < s_.size() && s_[pos_] == '.' && (++pos_, !digits())) return Fail(L"bad number");
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
            if (!digits()) return Fail(L"bad number");
        }
        const std::string text(s_.substr(start, pos_ - start));
        out = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(out)) return Fail(L"bad number");
        return true;
    }
    bool Value(JsonValue& out, int depth) {
        if (depth > kMaxDepth) return Fail(L"nested too deep");
        Blank();
        if (pos_ >= s_.size()) return Fail(L"missing value");
        char c = s_[pos_];
        if (c == '{') {
            out.type = JsonValue::Type::Object;
            ++pos_;
            Blank();
            if (pos_ < s_.size() && s_[pos_] == '}') {
                ++pos_;
                return true;
            }
            std::unordered_set<std::wstring> names;
            for (;;) {
                Blank();
                if (pos_ >= s_.size() || s_[pos_] != '"') return Fail(L"expected a member name");
                std::wstring key;
                if (!String(key)) return false;
                if (!FirstName(out, names, key)) return Fail(L"a member named twice");
                Blank();
                if (pos_ >= s_.size() || s_[pos_] != ':') return Fail(L"expected ':'");
                ++pos_;
                JsonValue member;
                if (!Value(member, depth + 1)) return false;
                out.members.emplace_back(std::move(key), std::move(member));
                Blank();
                if (pos_ < s_.size() && s_[pos_] == ',') { ++pos_; continue; }
                if (pos_ < s_.size() && s_[pos_] == '}') { ++pos_; return true; }
                return Fail(L"expected ',' or '}'");
            }
        }
        if (c == '[') {
            out.type = JsonValue::Type::Array;
            ++pos_;
            Blank();
            if (pos_ < s_.size() && s_[pos_] == ']') {
                ++pos_;
                return true;
            }
            for (;;) {
                JsonValue item;
                if (!Value(item, depth + 1)) return false;
                out.items.push_back(std::move(item));
                Blank();
                if (pos_ < s_.size() && s_[pos_] == ',') { ++pos_; continue; }
                if (pos_ < s_.size() && s_[pos_] == ']') { ++pos_; return true; }
                return Fail(L"expected ',' or ']'");
            }
        }
        if (c == '"') {
            out.type = JsonValue::Type::String;
            return String(out.text);
        }
        if (c == 't' || c == 'f') {
            out.type = JsonValue::Type::Bool;
            out.boolean = c == 't';
            return Literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            out.type = JsonValue::Type::Null;
            return Literal("null");
        }
        out.type = JsonValue::Type::Number;
        return Number(out.number);
    }

    // False when the object already has a member of this name.
    static bool FirstName(const JsonValue& object, std::unordered_set<std::wstring>& names, const std::wstring& key) {
        if (object.members.size() < kLinearNameCheck) {
            for (const auto& member : object.members)
                if (member.first == key) return false;
            return true;
        }
        if (names.empty())
            for (const auto& member : object.members) names.insert(member.first);
        return names.insert(key).second;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    std::wstring error_;
};

}  // namespace

std::string JsonQuote(std::wstring_view text) {
    static const char kHex[] = "0123456789abcdef";
    auto escape = [&](std::string& out, std::uint32_t unit) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 15];
    };
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        const bool paired = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                            text[i + 1] <= 0xDFFF;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (!paired && c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            // Control characters, and a surrogate without its other half, which UTF-8 cannot carry.
            escape(out, c > 0x10FFFF ? 0xFFFD : c);
        } else {
            out += WideToUtf8(text.substr(i, paired ? 2 : 1));
            i += paired ? 1 : 0;
        }
    }
    return out + "\"";
}

JsonObject& JsonObject::Member(std::wstring_view name, const std::string& json) {
    if (text_.size() > 1) text_ += ',';
    text_ += JsonQuote(name) + ":" + json;
    return *this;
}

JsonObject& JsonObject::TextArray(std::wstring_view name, const std::vector<std::wstring>& items) {
    std::string list = "[";
    for (const auto& item : items) {
        if (list.size() > 1) list += ',';
        list += JsonQuote(item);
    }
    return Member(name, list + "]");
}

const JsonValue* JsonValue::Find(std::wstring_view key) const {
    if (type != Type::Object) return nullptr;
    for (const auto& [name, value] : members)
        if (name == key) return &value;
    return nullptr;
}

bool JsonValue::Text(std::wstring_view key, std::wstring& out) const {
    const JsonValue* v = Find(key);
    if (!v || v->type != Type::String) return false;
    out = v->text;
    return true;
}

bool JsonValue::IsTrue(std::wstring_view key) const {
    const JsonValue* v = Find(key);
    return v != nullptr && v->type == Type::Bool && v->boolean;
}

bool JsonValue::Unsigned(std::wstring_view key, std::uint64_t& out) const {
    const JsonValue* v = Find(key);
    if (!v || v->type != Type::Number || v->number < 0 || v->number > 9007199254740992.0 ||
        v->number != std::floor(v->number))
        return false;
    out = static_cast<std::uint64_t>(v->number);
    return true;
}

bool ParseJson(std::string_view utf8, JsonValue& out, std::wstring& error) {
    JsonValue parsed;
    if (!Parser(utf8).Document(parsed, error)) return false;
    out = std::move(parsed);
    return true;
}

}  // namespace pell
