// One loaded translation: the captions and the message table (lines 1-40), then the later texts.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pell {

// Translation lines after the message table. Lines 1 to 40 keep their numbers and uses; every text added
// since has one line of its own behind them, in the order below, in every translation.
namespace textline {
constexpr int LeftBehindBox = 41;       // message-box code 9 (" >> ")
constexpr int RestoreMenu = 42;         // the system menu's item that restores a previous cleaning
constexpr int RestorePickerTitle = 43;  // the folder picker's title for that
constexpr int RestoreQuestion = 44;     // the Yes/No question before anything is put back (" >> ")
constexpr int RunRecord = 45;           // the details line naming the run's record ("%%": its path)
constexpr int LeftBehindCount = 46;     // the details line counting what stayed ("%%": the count)
constexpr int RecordUnwritable = 47;    // the box when the chosen folder cannot hold the run's record (" >> ")
constexpr int RecordFailed = 48;        // the box when the record stops being written part way (" >> ")
constexpr int Last = RecordFailed;
}  // namespace textline

class Translation {
public:
    static constexpr int kLineCount = textline::Last;
    // Lines 1 to 40: the captions and the message table.
    static constexpr int kMessageTableEnd = 40;

    // Splits a translation text (lines ended by CR LF or LF) into its lines. Returns false, with a
    // message naming the problem, when the text does not hold exactly kLineCount lines.
    static bool Parse(std::wstring_view text, Translation& out, std::wstring& error);

    // Translation line n, 1-based (1..kLineCount).
    const std::wstring& Line(int n) const { return lines_.at(static_cast<std::size_t>(n - 1)); }
    // Messages entry k holds line k + 10.
    const std::wstring& Message(int k) const { return Line(k + 10); }

    const std::wstring& CloseCaption() const { return Line(4); }
    const std::wstring& StartCaption() const { return Line(5); }
    const std::wstring& OkCaption() const { return Line(6); }
    const std::wstring& YesCaption() const { return Line(7); }
    const std::wstring& NoCaption() const { return Line(8); }
    const std::wstring& AboutCaption() const { return Line(9); }

    // Line n as it is shown: every " >> " a line break (CR LF).
    std::wstring Shown(int n) const;
    // Line n with every "%%" replaced, left to right, by `arg` (inserted as it is).
    std::wstring Filled(int n, std::wstring_view arg) const;
    // The text of a message-box code (1..8: line code + 9; 9: line 41) as it is shown; empty for any
    // other code.
    std::wstring MessageBoxText(int code) const;

private:
    std::array<std::wstring, kLineCount> lines_;
};

// Placeholders of the translation lines.
inline constexpr std::wstring_view kArgPlaceholder = L"%%";
inline constexpr std::wstring_view kBreakPlaceholder = L" >> ";

}  // namespace pell
