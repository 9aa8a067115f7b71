// One loaded translation: the 40 lines of captions and the message table.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pell {

class Translation {
public:
    static constexpr int kLineCount = 40;

    // Splits a translation text (lines ended by CR LF or LF) into its 40 lines. Returns false, with a
    // message naming the problem, when the text does not hold exactly 40 lines.
    static bool Parse(std::wstring_view text, Translation& out, std::wstring& error);

    // Translation line n, 1-based (1..40).
    const std::wstring& Line(int n) const { return lines_.at(static_cast<std::size_t>(n - 1)); }
    // Messages entry k holds line k + 10.
    const std::wstring& Message(int k) const { return Line(k + 10); }

    const std::wstring& CloseCaption() const { return Line(4); }
    const std::wstring& StartCaption() const { return Line(5); }
    const std::wstring& OkCaption() const { return Line(6); }
    const std::wstring& YesCaption() const { return Line(7); }
    const std::wstring& NoCaption() const { return Line(8); }
    const std::wstring& AboutCaption() const { return Line(9); }

    // The text of message-box code 1..8 (line code + 9) with " >> " shown as a line break.
    std::wstring MessageBoxText(int code) const;

private:
    std::array<std::wstring, kLineCount> lines_;
};

// Placeholders of the translation lines.
inline constexpr std::wstring_view kArgPlaceholder = L"%%";
inline constexpr std::wstring_view kBreakPlaceholder = L" >> ";

}  // namespace pell
