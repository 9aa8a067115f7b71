// Whole-file reading and writing over the System seam.
#include "engine/files.h"

#include "engine/handles.h"

namespace pell {

bool ReadWholeFile(System& sys, const std::wstring& path, std::string& bytes) {
    OpenFileHandle file(sys);
    if (!file.Open(path, FileAccess::Read, FileDisposition::OpenExisting)) return false;
    std::string out;
    char buffer[16384];
    for (;;) {
        std::uint32_t read = 0;
        if (!sys.ReadFile(file.get(), buffer, sizeof buffer, read)) return false;
        if (read == 0) break;
        out.append(buffer, read);
    }
    bytes = std::move(out);
    return true;
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
