// JSON quoting and a small recursive-descent parser with a depth bound.
#include "engine/json.h"

#include <cmath>
#include <cstdlib>

#include "base/text.h"

namespace pell {
namespace {

constexpr int kMaxDepth = 32;

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
        std::string bytes;
        for (;;) {
            if (pos_ >= s_.size()) return Fail(L"unterminated string");
            char c = s_[pos_++];
            if (c == '"') break;
            if (static_cast<unsigned char>(c) < 0x20) return Fail(L"control character in a string");
            if (c != '\\') {
                bytes.push_back(c);
                continue;
            }
            if (pos_ >= s_.size()) return Fail(L"unterminated string");
            char e = s_[pos_++];
            switch (e) {
                case '"': bytes.push_back('"'); break;
                case '\\': bytes.push_back('\\'); break;
                case '/': bytes.push_back('/'); break;
                case 'b': bytes.push_back('\b'); break;
                case 'f': bytes.push_back('\f'); break;
                case 'n': bytes.push_back('\n'); break;
                case 'r': bytes.push_back('\r'); break;
                case 't': bytes.push_back('\t'); break;
                case 'u': {
                    std::uint32_t v = 0;
                    if (!Hex4(v)) return false;
                    if (v >= 0xD800 && v <= 0xDBFF && s_.substr(pos_, 2) == "\\u") {
                        const std::size_t next = pos_;
                        pos_ += 2;
                        std::uint32_t lo = 0;
                        if (!Hex4(lo)) return false;
                        if (lo >= 0xDC00 && lo <= 0xDFFF) v = 0x10000 + ((v - 0xD800) << 10) + (lo - 0xDC00);
                        else pos_ = next;  // not its pair: the next escape is read on its own
                    }
                    // One character, or a surrogate pair where wchar_t has 16 bits. It joins the text
                    // as it is: a lone surrogate (Windows allows one in a name) has no UTF-8 form.
                    out += Utf8ToWide(bytes);
                    bytes.clear();
                    if (v >= 0x10000 && sizeof(wchar_t) == 2) {
                        out += static_cast<wchar_t>(0xD800 + ((v - 0x10000) >> 10));
                        out += static_cast<wchar_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
                    } else {
                        out += static_cast<wchar_t>(v);
                    }
                    break;
                }
                default: return Fail(L"unknown escape");
            }
        }
        out += Utf8ToWide(bytes);
        return true;
    }
    bool Number(double& out) {
        std::size_t start = pos_;
        while (pos_ < s_.size() && std::string_view("+-0123456789.eE").find(s_[pos_]) != std::string_view::npos) ++pos_;
        std::string text(s_.substr(start, pos_ - start));
        char* end = nullptr;
        out = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(out)) return Fail(L"bad number");
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
            for (;;) {
                Blank();
                if (pos_ >= s_.size() || s_[pos_] != '"') return Fail(L"expected a member name");
                std::wstring key;
                if (!String(key)) return false;
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

    std::string_view s_;
    std::size_t pos_ = 0;
    std::wstring error_;
};

}  // namespace

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view utf8) {
    for (char c : utf8) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
}

}  // namespace

std::string JsonQuote(std::wstring_view text) {
    std::string out = "\"";
    // A lone surrogate has no UTF-8 form: it is written as its \u escape, which the reader takes back.
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (c < 0xD800 || c > 0xDFFF) continue;
        const bool paired = c <= 0xDBFF && i + 1 < text.size() && static_cast<std::uint32_t>(text[i + 1]) >= 0xDC00 &&
                            static_cast<std::uint32_t>(text[i + 1]) <= 0xDFFF;
        if (paired) {
            ++i;
            continue;
        }
        AppendQuoted(out, WideToUtf8(text.substr(run, i - run)));
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 15];
        run = i + 1;
    }
    AppendQuoted(out, WideToUtf8(text.substr(run)));
    return out + "\"";
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
