// Folders and drives: listing a folder, the logical drives and their types, the system and
// temporary folders.
#include "platform/win32/last_error.h"
#include "platform/win32/owners.h"

namespace pell::win32 {
namespace {

// Fills `path` from a call that takes a buffer and answers the length it wrote, or the size it needs
// when the buffer is too small (GetSystemDirectory, GetTempPath). Two tries are enough: the folder
// does not grow between them, and a third answer would mean something is wrong.
template <typename Call>
std::uint32_t ReadFolder(Call call, std::wstring& path, std::uint32_t& lastError) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UINT length = call(buffer.data(), static_cast<UINT>(buffer.size()));
        lastError = ::GetLastError();  // before the buffer is freed or grown
        if (length == 0) return 0;
        if (length < buffer.size()) {
            buffer.resize(length);
            path = std::move(buffer);
            return length;
        }
        buffer.assign(length + 1, L'\0');
    }
    return 0;
}

}  // namespace

long Win32System::ListFolder(const std::wstring& folder, const std::wstring& pattern,
                             std::vector<FoundFile>& entries) {
    std::wstring query = folder;
    if (!query.empty() && query.back() != L'\\' && query.back() != L'/') query += L'\\';
    query += pattern;
    WIN32_FIND_DATAW data;
    FindSearch search(Keep(::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                              nullptr, FIND_FIRST_EX_LARGE_FETCH)));
    entries.clear();
    if (!search.valid()) {
        // A folder with no match is an empty listing, not a failure.
        return lastError_ == ERROR_FILE_NOT_FOUND || lastError_ == ERROR_NO_MORE_FILES ? 0 : static_cast<long>(lastError_);
    }
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") entries.push_back(FoundFile{std::move(name), data.dwFileAttributes});
    } while (::FindNextFileW(search.get(), &data));
    lastError_ = ::GetLastError();
    if (lastError_ != ERROR_NO_MORE_FILES) return static_cast<long>(lastError_);
    return 0;
}

std::vector<std::wstring> Win32System::LogicalDrives() {
    DWORD mask = Keep(::GetLogicalDrives());
    std::vector<std::wstring> drives;
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) drives.push_back(std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":");
    return drives;
}

unsigned Win32System::GetDriveType(const std::wstring& root) { return Keep(::GetDriveTypeW(root.c_str())); }

std::uint32_t Win32System::GetSystemDirectory(std::wstring& path) {
    return ReadFolder([](wchar_t* b, UINT n) { return ::GetSystemDirectoryW(b, n); }, path, lastError_);
}

std::uint32_t Win32System::GetSystemWow64Directory(std::wstring& path) {
    return ReadFolder([](wchar_t* b, UINT n) { return ::GetSystemWow64DirectoryW(b, n); }, path, lastError_);
}

std::uint32_t Win32System::GetTempPath(std::wstring& path) {
    return ReadFolder([](wchar_t* b, UINT n) { return static_cast<UINT>(::GetTempPathW(n, b)); }, path, lastError_);
}

}  // namespace pell::win32
