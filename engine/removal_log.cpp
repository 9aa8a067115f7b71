// The removal log's name and content, and the service export command line.
#include "engine/removal_log.h"

#include "engine/files.h"
#include "engine/product.h"
#include "engine/text.h"

namespace pell {

constexpr wchar_t kLogBaseName[] = L"Pellworth Removal Log ";
constexpr wchar_t kAbortedLine[] = L"Aborted - Registry connection error!";
constexpr wchar_t kServicesKeyText[] = L"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\";

std::wstring RemovalLogPath(const std::wstring& logFolder, const std::wstring& dateText,
                            const std::wstring& timeText) {
    return logFolder + kLogBaseName + ReplaceAll(dateText, L"/", L"_") + L" " + ReplaceAll(timeText, L":", L"_") +
           L".txt";
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

std::wstring ServiceExportFile(const Folders& folders, const std::wstring& serviceName) {
    // A key name may hold characters no file name can: each becomes "_".
    std::wstring fileName = serviceName;
    for (wchar_t& c : fileName)
        if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
    return folders.LogFolder + fileName + L".reg";
}

std::wstring ServiceExportCommandLine(const Folders& folders, const std::wstring& serviceName) {
    // The editor splits its command line as every Windows program does: a quotation mark inside a quoted
    // argument is written \" (a key name holds no backslash that could run into one).
    return folders.WindowsDir + L"\\regedit.exe /e \"" + ServiceExportFile(folders, serviceName) + L"\" \"" +
           kServicesKeyText + ReplaceAll(serviceName, L"\"", L"\\\"") + L"\"";
}

}  // namespace pell
