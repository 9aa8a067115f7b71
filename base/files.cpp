// Whole-file reading and writing over the System seam.
#include "base/files.h"

#include <array>

#include "base/handles.h"
#include "base/text.h"

namespace pell {
namespace {

// FILE_ATTRIBUTE_DEVICE: reserved for the system, seen on device paths.
constexpr std::uint32_t kAttributeDevice = 0x40;

// A part of a path that Windows takes for a device in any folder: the reserved name, whatever follows
// its first dot and whatever blanks or dots end it ("com1.txt", "NUL .").
bool IsDeviceName(std::wstring_view part) {
    static constexpr std::array<std::wstring_view, 8> kFixed = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$",
                                                                L"CLOCK$", L"CONFIG$"};
    std::wstring_view name = part.substr(0, part.find(L'.'));
    while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
    for (std::wstring_view fixed : kFixed)
        if (Equals(name, fixed)) return true;
    if (name.size() != 4) return false;
    const wchar_t last = name[3];
    const bool digit = (last >= L'0' && last <= L'9') || last == L'\u00B9' || last == L'\u00B2' || last == L'\u00B3';
    return digit && (Equals(name.substr(0, 3), L"COM") || Equals(name.substr(0, 3), L"LPT"));
}

}  // namespace

std::wstring NotAPlainFile(System& sys, const std::wstring& path) {
    std::size_t rest = 0;  // where the folders and the name begin
    const bool drive = path.size() >= 3 && ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z') &&
                       path[1] == L':' && path[2] == L'\\';
    if (drive) {
        rest = 3;
    } else if (path.rfind(L"\\\\", 0) == 0 && path.size() > 2 && path[2] != L'.' && path[2] != L'?') {
        const std::size_t share = path.find(L'\\', 2);
        rest = share == std::wstring::npos ? std::wstring::npos : path.find(L'\\', share + 1);
        if (rest != std::wstring::npos) ++rest;
    } else if (path.rfind(L"\\\\.\\", 0) == 0) {
        return L"it names a device (" + path.substr(4) + L"), not a file";
    } else {
        rest = std::wstring::npos;
    }
    if (rest == std::wstring::npos || rest >= path.size()) return L"it is not a full path to a file on a disk";
    if (path.find(L':', rest) != std::wstring::npos) return L"it names a stream of a file, not a file";
    for (std::size_t start = rest; start <= path.size();) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (IsDeviceName(std::wstring_view(path).substr(start, end - start)))
            return L"it names a device (" + path.substr(start, end - start) + L"), not a file";
        start = end + 1;
    }
    const std::uint32_t attributes = sys.GetFileAttributes(path);
    if (attributes == kInvalidAttributes) return L"it cannot be found, or is not a file on a disk";
    if (attributes & kAttributeDirectory) return L"it is a folder";
    if (attributes & kAttributeDevice) return L"it is a device, not a file";
    return {};
}

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
