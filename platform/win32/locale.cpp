// Date, time, identity and locale: the user's short date and time texts, the UTC time stamp, the
// computer's and the user's names, the language's English name, and conversions to and from the system
// code page.
#include <cwchar>

#include "platform/win32/last_error.h"

namespace pell::win32 {
namespace {

template <typename Call>
std::wstring AskText(Call call) {
    wchar_t buffer[256];
    int length = call(buffer, 256);  // counts the terminator
    return length > 0 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring();
}

}  // namespace

std::wstring Win32System::DateText() {
    std::wstring text = AskText([](wchar_t* b, int n) {
        return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, b, n);
    });
    lastError_ = ::GetLastError();
    return text;
}

std::wstring Win32System::TimeText() {
    std::wstring text =
        AskText([](wchar_t* b, int n) { return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, b, n); });
    lastError_ = ::GetLastError();
    return text;
}

std::wstring Win32System::LocaleLanguageName() {
    std::wstring text =
        AskText([](wchar_t* b, int n) { return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, b, n); });
    lastError_ = ::GetLastError();
    return text;
}

std::wstring Win32System::UtcTimestamp() {
    SYSTEMTIME t{};
    ::GetSystemTime(&t);
    wchar_t text[32];
    ::swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::wstring Win32System::ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD chars = MAX_COMPUTERNAME_LENGTH + 1;
    BOOL ok = Keep(::GetComputerNameW(buffer, &chars));
    return ok ? std::wstring(buffer, chars) : std::wstring();
}

std::wstring Win32System::UserName() {
    wchar_t buffer[257];  // UNLEN + 1
    DWORD chars = 257;
    BOOL ok = Keep(::GetUserNameW(buffer, &chars));
    // The count includes the terminator.
    return ok && chars > 0 ? std::wstring(buffer, chars - 1) : std::wstring();
}

std::string Win32System::ToSystemCodePage(const std::wstring& text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    lastError_ = ::GetLastError();
    return out;
}

std::wstring Win32System::FromSystemCodePage(const std::string& bytes) { return FromCodePage(CP_ACP, bytes); }

std::wstring Win32System::FromCodePage(unsigned codePage, const std::string& bytes) {
    if (bytes.empty()) return {};
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    lastError_ = ::GetLastError();
    return out;
}

}  // namespace pell::win32
