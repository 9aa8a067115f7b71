// The text tests and conversions every stage shares, so the fake and the real machine agree on them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pell {

// Upper and lower case as Windows folds the characters of the Windows-1252 repertoire (ASCII, Latin-1,
// and the few extra letters of 1252); other characters stay as they are.
wchar_t UpperChar(wchar_t c);
wchar_t LowerChar(wchar_t c);
std::wstring UpperCase(std::wstring_view text);
std::wstring LowerCase(std::wstring_view text);

// "contains": case-insensitive substring test. An empty needle is contained in every text.
bool Contains(std::wstring_view text, std::wstring_view needle);
// 1-based position of the first case-insensitive occurrence at or after 1-based `start`; 0 when absent
// (the InStr convention the rules are written in).
std::size_t FindNoCase(std::wstring_view text, std::wstring_view needle, std::size_t start = 1);
// "equals": case-insensitive equality (same length and contains).
bool Equals(std::wstring_view a, std::wstring_view b);

// Every occurrence of `from` replaced by `to`, scanning left to right, exact comparison.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to);
// `text` cut after the extension of the first of `markers` (such as ".exe ") that it holds, the markers
// tried in the order given and found in any case: up to and including the marker but its final blank, so
// the program stays and its arguments go. The whole text when it holds none of them.
std::wstring CutAfterExtension(std::wstring_view text, std::initializer_list<std::wstring_view> markers);
// Leading and trailing blanks (spaces only) removed.
std::wstring TrimBlanks(std::wstring_view text);
std::string_view TrimBlanks(std::string_view text);
// The parts of `text` between CR LF breaks; an empty text, or one ending in a break, ends in an empty part.
std::vector<std::wstring> SplitAtCrLf(std::wstring_view text);

// Where lines end: at an LF (a CR that ends a line, before its LF or at the end of the text, goes with
// the break, so CR LF and LF texts read alike), or also at a CR on its own.
enum class LineBreaks { Lf, LfOrCr };

// One line and what ended it: "\r\n", "\n", "\r", or nothing. Views into the text that was split.
template <typename Char>
struct TextLine {
    std::basic_string_view<Char> text;
    std::basic_string_view<Char> end;
};

// The lines of `text` with their ends; the lines' texts and ends in order give back `text` exactly. The
// text after the last break is the last line, so an empty text, or one ending in a break, ends in an
// empty line.
std::vector<TextLine<char>> SplitLines(std::string_view text, LineBreaks breaks);
std::vector<TextLine<wchar_t>> SplitLines(std::wstring_view text, LineBreaks breaks);

// The text after the last backslash (a path's file name), or the whole text when it has none.
std::wstring FileNameOf(std::wstring_view path);
// The text before the last backslash (a path's folder), or nothing when the text has none: a bare name
// has no folder, "\x.exe" has the empty one.
std::optional<std::wstring> FolderOf(std::wstring_view path);

// Number of fields of `text` split at `delimiter`; 0 for an empty text.
std::int16_t CountFields(std::wstring_view text, std::wstring_view delimiter);
// The field at position index (columns 0) or row * columns + index; empty when there are fewer fields.
std::wstring GetField(std::wstring_view text, std::wstring_view delimiter, int row, int columns, int index);

// Windows-1252 bytes to text and back; a character outside 1252 becomes "?".
std::wstring Cp1252ToWide(std::string_view bytes);
std::string WideToCp1252(std::wstring_view text);

// UTF-8, strictly: a sequence is valid only as the standard defines it, so an overlong form, an encoded
// surrogate, a code point past U+10FFFF, a stray continuation byte or a sequence cut short is refused.
// Whatever cannot be said in UTF-8 (a lone surrogate, a number past U+10FFFF) is written as U+FFFD.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The sequence that starts at `at` (< bytes.size()). An invalid one covers the longest start of a valid
// sequence found there (at least one byte, never a byte that could begin the next sequence), so a reader
// that replaces each invalid sequence with U+FFFD loses nothing that follows: "\xC3A" reads U+FFFD, "A".
struct Utf8Sequence {
    char32_t codePoint;  // kReplacementCharacter when !valid
    std::size_t length;
    bool valid;
};
Utf8Sequence DecodeUtf8(std::string_view bytes, std::size_t at);
// Text to UTF-8 and back; each invalid sequence reads as one U+FFFD. On Windows the wide text is UTF-16,
// where a character past U+FFFF is a surrogate pair.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view text);

// A whole number written in decimal: digits only, after one "+" or "-" where the range holds negative
// numbers (a count or a length is digits alone). Leading zeros are allowed. Empty, anything else in the
// text, and a value outside [lowest, highest] (however many digits it has) give nothing.
std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t lowest, std::int64_t highest);
std::optional<std::int64_t> ParseDecimal(std::wstring_view text, std::int64_t lowest, std::int64_t highest);
// The value of a hexadecimal digit (either case); -1 for any other character.
int HexDigitValue(char c);

}  // namespace pell
