// WriteDetails: status codes to translated lines of the details box.
#include "i18n/details.h"

#include <algorithm>

#include "base/text.h"

namespace pell {

// Shown in every language: the translations carry no line for it.
constexpr std::wstring_view kAutoRunsLine = L"SmartScanning AutoRuns...";

std::wstring StatusLine(const Translation& translation, float code, std::wstring_view arg) {
    if (code == status::StartingScan) return ReplaceAll(translation.Message(8), kBreakPlaceholder, L"\r\n");
    if (code == status::SmartScanningAutoRuns) return std::wstring(kAutoRunsLine);
    std::wstring line;
    bool takesArg = false;
    if (code == status::Identified) {
        line = translation.Message(9);
        takesArg = true;
    } else if (code == status::SmartScanningRegistry) {
        line = translation.Message(10);
    } else if (code >= status::LookingForServices && code <= status::EnablingTools &&
               code == static_cast<float>(static_cast<int>(code))) {
        line = translation.Message(static_cast<int>(code) + 8);
        takesArg = code == status::Found || code == status::UnableToBackUp || code == status::BackedUp ||
                   code == status::Terminated || code == status::UnableToTerminate || code == status::UnableToRemove ||
                   code == status::Removed || code == status::FoundHostsEntry;
    } else {
        return {};
    }
    return takesArg ? ReplaceAll(line, kArgPlaceholder, arg) : line;
}

namespace {

// The box scrolls to its newest line. An empty box is given position 1, which the control clamps to 0.
void CaretToEnd(Host& host) {
    std::size_t length = host.DetailsLength();
    host.SetDetailsCaret(length == 0 ? 1 : length);
}

}  // namespace

void WriteDetails(Host& host, const Translation& translation, float code, std::wstring_view arg) {
    std::wstring line = StatusLine(translation, code, arg);
    if (code == status::StartingScan) {
        host.SetDetailsText(line);
        CaretToEnd(host);
    } else {
        AppendDetailsLine(host, line);
    }
}

void AppendDetailsLine(Host& host, std::wstring_view line) {
    // A NUL (which registry text can hold) would end the text early in the box, the console and the log.
    std::wstring text(line);
    std::replace(text.begin(), text.end(), L'\0', L'\uFFFD');
    host.AppendDetailsText(L"\r\n" + text);
    CaretToEnd(host);
}

}  // namespace pell
