// Parsing of a translation's 40 lines and the message-box texts.
#include "i18n/translation.h"

#include "base/host.h"
#include "base/text.h"

namespace pell {

bool Translation::Parse(std::wstring_view text, Translation& out, std::wstring& error) {
    Translation parsed;
    int count = 0;
    const auto lines = SplitLines(text, LineBreaks::Lf);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // Text after the last line end counts only when there is some.
        if (i + 1 == lines.size() && lines[i].text.empty()) break;
        if (count < kLineCount) parsed.lines_[static_cast<std::size_t>(count)] = std::wstring(lines[i].text);
        ++count;
    }
    if (count != kLineCount) {
        error = L"translation has " + std::to_wstring(count) + L" lines, expected 40";
        return false;
    }
    out = std::move(parsed);
    return true;
}

std::wstring Translation::MessageBoxText(int code) const {
    if (code < box::AlreadyRunning || code > box::NoRegistryAccess) return {};
    return ReplaceAll(Line(code + 9), kBreakPlaceholder, L"\r\n");
}

}  // namespace pell
