// Reading a registry export line by line as the registry editor does, accepting only the shapes the
// editor's own export writes: its header, key lines, value lines and the continuations of hex data.
#include "record/reg_export_check.h"

#include <string_view>

#include "base/text.h"
#include "record/record_places.h"

namespace pell {
namespace {

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

std::wstring_view TrimSpaceAndTab(std::wstring_view s) {
    while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
    return s;
}

// The export's text: UTF-16LE after its byte order mark, as the editor writes it, or plain ASCII (which
// every code page reads alike). Anything else could be read by the editor as other characters.
bool DecodeExport(const std::string& bytes, std::wstring& text) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) return false;
        for (std::size_t i = 2; i < bytes.size(); i += 2)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return true;
    }
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
        text.push_back(static_cast<wchar_t>(c));
    }
    return true;
}

// A quoted string at the start of `s` with the escapes the editors write; `s` is left after it.
bool TakeQuoted(std::wstring_view& s) {
    if (s.empty() || s.front() != L'"') return false;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] == L'"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (s[i] == L'\\') {
            if (++i >= s.size()) return false;
            const wchar_t e = s[i];
            if (e != L'\\' && e != L'"' && e != L'n' && e != L'r' && e != L'0') return false;
        }
    }
    return false;
}

// Comma-separated pairs of hex digits, optionally ending in a comma and a backslash that continues them
// on the next line. True when the list is well formed; `continues` tells whether it goes on.
bool HexList(std::wstring_view s, bool& continues) {
    s = TrimSpaceAndTab(s);
    continues = !s.empty() && s.back() == L'\\';
    if (continues) s = TrimSpaceAndTab(s.substr(0, s.size() - 1));
    while (!s.empty()) {
        if (s.size() < 2 || !IsHexDigit(s[0]) || !IsHexDigit(s[1])) return false;
        s.remove_prefix(2);
        s = TrimSpaceAndTab(s);
        if (s.empty()) break;
        if (s.front() != L',') return false;
        s = TrimSpaceAndTab(s.substr(1));
    }
    return true;
}

// The data after "=": a string, dword:XXXXXXXX, hex:..., hex(N):..., or "-" (the value is not there).
bool ValueData(std::wstring_view s, bool& continues) {
    continues = false;
    s = TrimSpaceAndTab(s);
    if (s == L"-") return true;
    if (!s.empty() && s.front() == L'"') return TakeQuoted(s) && TrimSpaceAndTab(s).empty();
    if (s.substr(0, 6) == L"dword:") {
        s.remove_prefix(6);
        if (s.size() != 8) return false;
        for (wchar_t c : s)
            if (!IsHexDigit(c)) return false;
        return true;
    }
    if (s.substr(0, 4) == L"hex(") {
        const std::size_t close = s.find(L"):");
        if (close == std::wstring_view::npos || close == 4 || close > 12) return false;
        for (wchar_t c : s.substr(4, close - 4))
            if (!IsHexDigit(c)) return false;
        return HexList(s.substr(close + 2), continues);
    }
    if (s.substr(0, 4) == L"hex:") return HexList(s.substr(4), continues);
    return false;
}

bool IsOwnKey(std::wstring_view key, const std::wstring& own) {
    if (Equals(key, own)) return true;
    return key.size() > own.size() + 1 && Equals(key.substr(0, own.size()), own) && key[own.size()] == L'\\';
}

std::wstring AtLine(std::size_t number, const std::wstring& why) {
    return L"line " + std::to_wstring(number) + L" " + why;
}

}  // namespace

std::wstring ExportRefusal(const std::string& bytes, const std::wstring& service) {
    std::wstring text;
    if (!DecodeExport(bytes, text)) return L"is neither UTF-16 with its byte order mark nor plain ASCII";
    for (wchar_t c : text)
        if (c < 0x20 && c != L'\t' && c != L'\r' && c != L'\n') return L"holds a control character";
    const std::wstring own = ServiceKeyEditorName(service);

    bool header = false, anyKey = false, continues = false;
    std::size_t number = 0;
    for (const TextLine<wchar_t>& raw : SplitLines(text, LineBreaks::LfOrCr)) {
        ++number;
        const std::wstring_view line = TrimSpaceAndTab(raw.text);
        if (continues) {
            // A continuation is hex data and nothing else: an editor that read it as a new line must
            // find nothing it would act on.
            if (!HexList(line, continues)) return AtLine(number, L"continues hex data with something else");
            continue;
        }
        if (line.empty()) continue;
        if (!header) {
            if (line != L"Windows Registry Editor Version 5.00" && line != L"REGEDIT4")
                return L"does not start with the registry editor's header";
            header = true;
            continue;
        }
        if (line.front() == L';') continue;
        if (line.front() == L'[') {
            if (line.back() != L']') return AtLine(number, L"is a key line that does not end in \"]\"");
            const std::wstring_view key = line.substr(1, line.size() - 2);
            if (key.find_first_of(L"[]") != std::wstring_view::npos) return AtLine(number, L"names a key with brackets");
            if (!IsOwnKey(key, own)) return AtLine(number, L"names a key outside the service's own: " + std::wstring(key));
            anyKey = true;
            continue;
        }
        if (!anyKey) return AtLine(number, L"holds a value before any key");
        std::wstring_view rest = line;
        if (rest.front() == L'@') {
            rest.remove_prefix(1);
        } else if (!TakeQuoted(rest)) {
            return AtLine(number, L"cannot be parsed");
        }
        rest = TrimSpaceAndTab(rest);
        if (rest.empty() || rest.front() != L'=' || !ValueData(rest.substr(1), continues))
            return AtLine(number, L"cannot be parsed");
    }
    if (continues) return L"ends inside hex data";
    if (!anyKey) return L"names no key";
    return {};
}

}  // namespace pell
