// Parsing of a translation's 40 lines and the message-box texts.
#include "i18n/translation.h"

#include "base/text.h"

namespace pell {

bool Translation::Parse(std::wstring_view text, Translation& out, std::wstring& error) {
    Translation parsed;
    int count = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(L'\n', pos);
        std::wstring_view line = text.substr(pos, end == std::wstring_view::npos ? std::wstring_view::npos : end - pos);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        if (end == std::wstring_view::npos) {
            // Text after the last line end counts only when there is some.
            if (!line.empty()) {
                if (count < kLineCount) parsed.lines_[static_cast<std::size_t>(count)] = std::wstring(line);
                ++count;
            }
            break;
        }
        if (count < kLineCount) parsed.lines_[static_cast<std::size_t>(count)] = std::wstring(line);
        ++count;
        pos = end + 1;
    }
    if (count != kLineCount) {
        error = L"translation has " + std::to_wstring(count) + L" lines, expected 40";
        return false;
    }
    out = std::move(parsed);
    return true;
}

std::wstring Translation::MessageBoxText(int code) const {
    if (code < 1 || code > 8) return {};
    return ReplaceAll(Line(code + 9), kBreakPlaceholder, L"\r\n");
}

}  // namespace pell
