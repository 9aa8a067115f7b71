// Files: attributes, copy, delete, move over, and the open/read/write/size/close of one file.
#include "platform/win32/last_error.h"

namespace pell::win32 {
namespace {

DWORD DesiredAccess(FileAccess access) {
    switch (access) {
        case FileAccess::Read:
        case FileAccess::ReadLinkItself: return GENERIC_READ;
        case FileAccess::Write: return GENERIC_WRITE;
        case FileAccess::ReadWrite: return GENERIC_READ | GENERIC_WRITE;
    }
    return GENERIC_READ;
}

DWORD CreationDisposition(FileDisposition disposition) {
    switch (disposition) {
        case FileDisposition::OpenExisting: return OPEN_EXISTING;
        case FileDisposition::OpenAlways: return OPEN_ALWAYS;
        case FileDisposition::CreateAlways: return CREATE_ALWAYS;
        case FileDisposition::CreateNew: return CREATE_NEW;
    }
    return OPEN_EXISTING;
}

// Readers let others go on using the file (a worm's running image, the hosts file an editor holds);
// writers let others only read.
DWORD ShareMode(FileAccess access) {
    return access == FileAccess::Read || access == FileAccess::ReadLinkItself ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
}

}  // namespace

std::uint32_t Win32System::GetFileAttributes(const std::wstring& path) {
    return Keep(::GetFileAttributesW(path.c_str()));
}

long Win32System::SetFileAttributes(const std::wstring& path, std::uint32_t attributes) {
    return Keep<long>(::SetFileAttributesW(path.c_str(), attributes));
}

long Win32System::CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) {
    return Keep<long>(::CopyFileW(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE));
}

long Win32System::DeleteFile(const std::wstring& path) { return Keep<long>(::DeleteFileW(path.c_str())); }

long Win32System::MoveFileReplace(const std::wstring& from, const std::wstring& to) {
    return Keep<long>(::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

long Win32System::MoveFileNoReplace(const std::wstring& from, const std::wstring& to) {
    return Keep<long>(::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH));
}

long Win32System::DeleteFileAtRestart(const std::wstring& path) {
    return Keep<long>(::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
}

long Win32System::OpenFile(const std::wstring& path, FileAccess access, FileDisposition disposition,
                           FileHandle& file) {
    HANDLE h = Keep(::CreateFileW(path.c_str(), DesiredAccess(access), ShareMode(access), nullptr,
                                  CreationDisposition(disposition),
                                  access == FileAccess::ReadLinkItself ? FILE_FLAG_OPEN_REPARSE_POINT : FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (h == INVALID_HANDLE_VALUE) return 0;
    file = ToSeam(h);
    return 1;
}

long Win32System::ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read) {
    DWORD done = 0;
    BOOL ok = Keep(::ReadFile(FromSeam<HANDLE>(file), buffer, count, &done, nullptr));
    read = done;
    return ok;
}

long Win32System::WriteFile(FileHandle file, const void* data, std::uint32_t count, std::uint32_t& written) {
    DWORD done = 0;
    BOOL ok = Keep(::WriteFile(FromSeam<HANDLE>(file), data, count, &done, nullptr));
    written = done;
    return ok;
}

long Win32System::GetFileSize(FileHandle file, std::uint64_t& size) {
    LARGE_INTEGER value{};
    BOOL ok = Keep(::GetFileSizeEx(FromSeam<HANDLE>(file), &value));
    if (ok) size = static_cast<std::uint64_t>(value.QuadPart);
    return ok;
}

long Win32System::GetFileIdentity(FileHandle file, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    BOOL ok = Keep(::GetFileInformationByHandle(FromSeam<HANDLE>(file), &info));
    if (!ok) return 0;
    identity.volumeSerial = info.dwVolumeSerialNumber;
    identity.fileIndex = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity.writeTime = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                         info.ftLastWriteTime.dwLowDateTime;
    identity.attributes = info.dwFileAttributes;
    return 1;
}

std::uint32_t Win32System::GetFileType(FileHandle file) { return Keep(::GetFileType(FromSeam<HANDLE>(file))); }

long Win32System::CloseFile(FileHandle file) { return Keep<long>(::CloseHandle(FromSeam<HANDLE>(file))); }

long Win32System::FlushFile(FileHandle file) { return Keep<long>(::FlushFileBuffers(FromSeam<HANDLE>(file))); }

}  // namespace pell::win32
