// Case folding, substring tests, fields and code-page conversions every room, the fake and the tools share.
#include "base/text.h"

#include <algorithm>
#include <array>
#include <limits>

namespace pell {
namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five undefined positions (kept as the C1 control).
constexpr std::array<wchar_t, 32> kHigh1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

template <typename Char>
std::vector<TextLine<Char>> SplitLinesOf(std::basic_string_view<Char> text, LineBreaks breaks) {
    using View = std::basic_string_view<Char>;
    constexpr Char kCr = '\r', kLf = '\n';
    const Char lineEnds[] = {kLf, kCr};
    const View ends(lineEnds, breaks == LineBreaks::LfOrCr ? 2 : 1);
    std::vector<TextLine<Char>> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find_first_of(ends, start);
        if (at == View::npos) {
            // Only a split at LF can end here in a CR: a split at CR as well took it as a break.
            const bool crEnds = text.size() > start && text.back() == kCr;
            const std::size_t length = text.size() - start - (crEnds ? 1 : 0);
            lines.push_back({text.substr(start, length), text.substr(start + length)});
            return lines;
        }
        std::size_t breakAt = at, breakLength = 1;
        if (text[at] == kCr && at + 1 < text.size() && text[at + 1] == kLf)
            breakLength = 2;
        else if (text[at] == kLf && at > start && text[at - 1] == kCr)
            breakAt = at - 1, breakLength = 2;
        lines.push_back({text.substr(start, breakAt - start), text.substr(breakAt, breakLength)});
        start = breakAt + breakLength;
    }
}

template <typename Char>
std::basic_string_view<Char> TrimBlanksOf(std::basic_string_view<Char> text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return text.substr(b, e - b);
}

}  // namespace

wchar_t UpperChar(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 32);
    if (c < 0xE0) return c;
    if (c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 32);
    switch (c) {
        case 0xFF: return 0x178;
        case 0x161: return 0x160;
        case 0x153: return 0x152;
        case 0x17E: return 0x17D;
        default: return c;
    }
}

wchar_t LowerChar(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
    if (c < 0xC0) return c;
    if (c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
    switch (c) {
        case 0x178: return 0xFF;
        case 0x160: return 0x161;
        case 0x152: return 0x153;
        case 0x17D: return 0x17E;
        default: return c;
    }
}

std::wstring UpperCase(std::wstring_view text) {
    std::wstring out(text);
    for (auto& c : out) c = UpperChar(c);
    return out;
}

std::wstring LowerCase(std::wstring_view text) {
    std::wstring out(text);
    for (auto& c : out) c = LowerChar(c);
    return out;
}

std::size_t FindNoCase(std::wstring_view text, std::wstring_view needle, std::size_t start) {
    if (start == 0) start = 1;
    if (needle.empty()) return start <= text.size() + 1 ? start : 0;
    if (needle.size() > text.size()) return 0;
    for (std::size_t i = start - 1; i + needle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && UpperChar(text[i + k]) == UpperChar(needle[k])) ++k;
        if (k == needle.size()) return i + 1;
    }
    return 0;
}

bool Contains(std::wstring_view text, std::wstring_view needle) {
    return FindNoCase(text, needle) != 0;
}

bool Equals(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && Contains(a, b);
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to) {
    if (from.empty()) return std::wstring(text);
    std::wstring out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(from, pos);
        if (hit == std::wstring_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::wstring CutAfterExtension(std::wstring_view text, std::initializer_list<std::wstring_view> markers) {
    for (std::wstring_view marker : markers) {
        const std::size_t at = FindNoCase(text, marker);
        if (at != 0) return std::wstring(text.substr(0, at - 1 + marker.size() - 1));
    }
    return std::wstring(text);
}

std::wstring TrimBlanks(std::wstring_view text) { return std::wstring(TrimBlanksOf(text)); }
std::string_view TrimBlanks(std::string_view text) { return TrimBlanksOf(text); }

std::vector<std::wstring> SplitAtCrLf(std::wstring_view text) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(L"\r\n", start);
        parts.emplace_back(text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
        if (end == std::wstring_view::npos) return parts;
        start = end + 2;
    }
}

std::vector<TextLine<char>> SplitLines(std::string_view text, LineBreaks breaks) {
    return SplitLinesOf(text, breaks);
}

std::vector<TextLine<wchar_t>> SplitLines(std::wstring_view text, LineBreaks breaks) {
    return SplitLinesOf(text, breaks);
}

std::wstring Cp1252ToWide(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) {
        if (b >= 0x80 && b <= 0x9F && kHigh1252[b - 0x80] != 0)
            out.push_back(kHigh1252[b - 0x80]);
        else
            out.push_back(static_cast<wchar_t>(b));
    }
    return out;
}

std::string WideToCp1252(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (std::size_t i = 0; i < kHigh1252.size(); ++i) {
            if (kHigh1252[i] == c || (kHigh1252[i] == 0 && c == static_cast<wchar_t>(0x80 + i))) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

Utf8Sequence DecodeUtf8(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) return {lead, 1, true};
    // The lead byte fixes the length and the range of the second byte: that range is what keeps out
    // overlong forms (E0, F0), encoded surrogates (ED) and code points past U+10FFFF (F4).
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {kReplacementCharacter, 1, false};  // a continuation byte, C0, C1 or F5..FF
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= bytes.size()) return {kReplacementCharacter, i, false};
        const auto b = static_cast<unsigned char>(bytes[at + i]);
        if (b < low || b > high) return {kReplacementCharacter, i, false};
        c = (c << 6) | (b & 0x3F);
        low = 0x80, high = 0xBF;
    }
    return {c, length, true};
}

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

template <typename Char>
std::optional<std::int64_t> ParseDecimalOf(std::basic_string_view<Char> text, std::int64_t lowest,
                                           std::int64_t highest) {
    bool negative = false;
    if (lowest < 0 && !text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    // The magnitude may not pass what the range allows on its side; checked before each step, so no digit
    // count can overflow it.
    const std::uint64_t limit = negative ? (lowest < 0 ? 0 - static_cast<std::uint64_t>(lowest) : 0)
                                         : (highest < 0 ? 0 : static_cast<std::uint64_t>(highest));
    std::uint64_t magnitude = 0;
    for (Char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (digit > limit || magnitude > (limit - digit) / 10) return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    const auto value = static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

}  // namespace

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        // A surrogate pair (wchar_t is 16 bits on Windows) is one character; a lone half is none.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const auto low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) AppendUtf8(out, c);
    return out;
}

std::wstring Utf8ToWide(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Sequence sequence = DecodeUtf8(bytes, i);
        i += sequence.length;
        char32_t c = sequence.codePoint;
        if (c >= 0x10000 && sizeof(wchar_t) == 2) {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t lowest, std::int64_t highest) {
    return ParseDecimalOf(text, lowest, highest);
}

std::optional<std::int64_t> ParseDecimal(std::wstring_view text, std::int64_t lowest, std::int64_t highest) {
    return ParseDecimalOf(text, lowest, highest);
}

std::wstring FileNameOf(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::optional<std::wstring> FolderOf(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring_view::npos) return std::nullopt;
    return std::wstring(path.substr(0, slash));
}

std::int16_t CountFields(std::wstring_view text, std::wstring_view delimiter) {
    if (text.empty()) return 0;
    if (delimiter.empty()) return 1;
    std::wstring joined(text);
    joined += delimiter;
    long count = 0;
    for (std::size_t pos = joined.find(delimiter); pos != std::wstring::npos;
         pos = joined.find(delimiter, pos + delimiter.size()))
        ++count;
    return static_cast<std::int16_t>(std::min<long>(count, std::numeric_limits<std::int16_t>::max()));
}

std::wstring GetField(std::wstring_view text, std::wstring_view delimiter, int row, int columns, int index) {
    long position = columns == 0 ? index : static_cast<long>(row) * columns + index;
    if (delimiter.empty()) return position <= 0 ? std::wstring(text) : std::wstring();
    std::wstring rest(text);
    rest += delimiter;
    for (long skipped = 0; skipped < position; ++skipped) {
        std::size_t pos = rest.find(delimiter);
        if (pos == std::wstring::npos) return {};
        rest.erase(0, pos + delimiter.size());
        if (rest.empty()) return {};
    }
    return rest.substr(0, rest.find(delimiter));
}

}  // namespace pell
