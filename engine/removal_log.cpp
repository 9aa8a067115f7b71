// The removal log's name and content.
#include "engine/removal_log.h"

#include "base/files.h"
#include "base/product.h"
#include "base/text.h"

namespace pell {

constexpr wchar_t kLogBaseName[] = L"Pellworth Removal Log ";
constexpr wchar_t kAbortedLine[] = L"Aborted - Registry connection error!";

std::wstring RemovalLogPath(const std::wstring& logFolder, const std::wstring& dateText,
                            const std::wstring& timeText) {
    return logFolder + kLogBaseName + ReplaceAll(dateText, L"/", L"_") + L" " + ReplaceAll(timeText, L":", L"_") +
           L".txt";
}

std::wstring StartLogPath(const Folders& folders, System& sys) {
    return RemovalLogPath(folders.LogFolder, sys.DateText(), sys.TimeText());
}

std::wstring RemovalLogText(const std::wstring& databaseVersion, const std::wstring& details, LogForm form) {
    // The header carries its own CR LF and is then ended like every other line: a blank line follows it.
    std::wstring text = L"Version: " + std::to_wstring(kVersionMajor) + L"." + std::to_wstring(kVersionMinor) +
                        L" Virus DataBase: " + databaseVersion + L"\r\n" + L"\r\n";
    text += details + L"\r\n";
    if (form == LogForm::Aborted) text += std::wstring(kAbortedLine) + L"\r\n";
    return text;
}

bool WriteRemovalLog(System& sys, const std::wstring& path, const std::wstring& text) {
    return WriteWholeFile(sys, path, sys.ToSystemCodePage(text));
}

std::wstring LogNotSavedLine(const std::wstring& path) { return L"Unable to save Log \"" + path + L"\""; }

}  // namespace pell
