// Whole-file reading and writing over the System seam.
#include "base/files.h"

#include "base/handles.h"

namespace pell {

bool ReadToEnd(System& sys, FileHandle file, std::string& bytes, std::uint64_t maxBytes) {
    std::string out;
    char buffer[16384];
    for (;;) {
        std::uint32_t read = 0;
        if (!sys.ReadFile(file, buffer, sizeof buffer, read)) return false;
        if (read == 0) break;
        if (read > maxBytes - out.size()) return false;
        out.append(buffer, read);
    }
    bytes = std::move(out);
    return true;
}

bool ReadWholeFile(System& sys, const std::wstring& path, std::string& bytes) {
    OpenFileHandle file(sys);
    if (!file.Open(path, FileAccess::Read, FileDisposition::OpenExisting)) return false;
    return ReadToEnd(sys, file.get(), bytes, UINT64_MAX);
}

std::wstring ReadPlainFile(System& sys, const std::wstring& path, std::string& bytes, std::uint64_t maxBytes) {
    OpenFileHandle file(sys);
    if (!file.Open(path, FileAccess::Read, FileDisposition::OpenExisting))
        return L"cannot be opened (error " + std::to_wstring(sys.LastError()) + L")";
    // A device or a pipe never ends, or ends when someone else decides: only a disk file is read.
    if (sys.GetFileType(file.get()) != filetype::Disk) return L"is not a plain disk file";
    std::uint64_t size = 0;
    if (!sys.GetFileSize(file.get(), size)) return L"has no size that can be read";
    if (size > maxBytes) return L"is larger than " + std::to_wstring(maxBytes) + L" bytes";
    if (!ReadToEnd(sys, file.get(), bytes, maxBytes)) return L"could not be read to its end";
    return {};
}

bool IsPlainDiskFile(System& sys, const std::wstring& path) {
    OpenFileHandle file(sys);
    return file.Open(path, FileAccess::Read, FileDisposition::OpenExisting) &&
           sys.GetFileType(file.get()) == filetype::Disk;
}

bool ReadWholeFile(System& sys, const std::wstring& path, std::string& bytes, std::uint64_t maxBytes) {
    return ReadPlainFile(sys, path, bytes, maxBytes).empty();
}

bool WriteWholeFile(System& sys, const std::wstring& path, const std::string& bytes) {
    OpenFileHandle file(sys);
    if (!file.Open(path, FileAccess::Write, FileDisposition::CreateAlways)) return false;
    std::uint32_t written = 0;
    if (!bytes.empty() &&
        (!sys.WriteFile(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), written) ||
         written != bytes.size()))
        return false;
    return true;
}

}  // namespace pell
