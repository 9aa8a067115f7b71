// The debugger's trace sink and the trace file.
#include "platform/win32/trace_sinks.h"

#include <cstdio>

#include "base/text.h"
#include "platform/win32/win32_api.h"

namespace pell::win32 {

void DebuggerTrace::Write(std::string_view line) {
    ::OutputDebugStringW((L"Pellworth Remover: " + Utf8ToWide(line) + L"\n").c_str());
}

std::unique_ptr<TraceFile> TraceFile::Open(const std::wstring& path, std::wstring& error, std::uint64_t limit) {
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = L"cannot be opened for appending (error " + std::to_wstring(::GetLastError()) + L")";
        return nullptr;
    }
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        error = L"is not a plain disk file";
        return nullptr;
    }
    auto opened = std::unique_ptr<TraceFile>(new TraceFile(file, limit));
    opened->Write("trace opened by process " + std::to_string(::GetCurrentProcessId()));
    return opened;
}

TraceFile::TraceFile(void* file, std::uint64_t limit) : file_(file), limit_(limit) {}

TraceFile::~TraceFile() { ::CloseHandle(static_cast<HANDLE>(file_)); }

void TraceFile::Write(std::string_view line) {
    if (full_) return;
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u UTC ", unsigned{now.wYear},
                  unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour}, unsigned{now.wMinute},
                  unsigned{now.wSecond}, unsigned{now.wMilliseconds});
    std::string text = stamp;
    if (written_ + text.size() + line.size() + 2 > limit_) {
        full_ = true;
        text += "the trace reached its limit of " + std::to_string(limit_) + " bytes for this run; the rest is dropped";
    } else {
        text += line;
    }
    text += "\r\n";
    Append(text);
}

// A write that fails is not reported: there is nowhere left to report it.
void TraceFile::Append(std::string_view text) {
    DWORD done = 0;
    if (::WriteFile(static_cast<HANDLE>(file_), text.data(), static_cast<DWORD>(text.size()), &done, nullptr))
        written_ += done;
}

}  // namespace pell::win32
