// Parsing of a translation's lines and the texts shown from them.
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
        error = L"translation has " + std::to_wstring(count) + L" lines, expected " + std::to_wstring(kLineCount);
        return false;
    }
    out = std::move(parsed);
    return true;
}

std::wstring Translation::Shown(int n) const { return ReplaceAll(Line(n), kBreakPlaceholder, L"\r\n"); }

std::wstring Translation::Filled(int n, std::wstring_view arg) const { return ReplaceAll(Line(n), kArgPlaceholder, arg); }

std::wstring Translation::MessageBoxText(int code) const {
    if (code >= box::AlreadyRunning && code <= box::NoRegistryAccess) return Shown(code + 9);
    if (code == box::LeftBehind) return Shown(textline::LeftBehindBox);
    return {};
}

}  // namespace pell
