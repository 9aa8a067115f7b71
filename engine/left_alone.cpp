// What no digest match may touch: genuine Windows programs in their own folders and the cleaner itself.
#include "engine/left_alone.h"

#include <optional>
#include <vector>

#include "base/handles.h"
#include "base/text.h"
#include "base/windows_programs.h"
#include "i18n/details.h"

namespace pell {

std::wstring ComparablePath(std::wstring_view path) {
    std::wstring text = UpperCase(path);
    for (wchar_t& c : text)
        if (c == L'/') c = L'\\';
    for (std::wstring_view prefix : {std::wstring_view(L"\\\\?\\"), std::wstring_view(L"\\??\\"),
                                     std::wstring_view(L"\\\\.\\")})
        if (text.compare(0, prefix.size(), prefix) == 0) {
            text.erase(0, prefix.size());
            break;
        }
    const bool unc = text.compare(0, 2, L"\\\\") == 0;
    const bool rooted = !text.empty() && text[0] == L'\\';
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L'\\', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring part = text.substr(start, end - start);
        start = end + 1;
        if (part == L"..") {
            if (parts.size() > 1 || (parts.size() == 1 && parts[0].find(L':') == std::wstring::npos)) parts.pop_back();
            continue;
        }
        // Windows drops the dots and blanks that end a name: "notepad.exe. " opens notepad.exe.
        while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
        if (!part.empty()) parts.push_back(std::move(part));
    }
    std::wstring out = unc ? L"\\\\" : rooted ? L"\\" : L"";
    for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? L"\\" : L"") + parts[i];
    return out;
}

bool IsGenuineWindowsProgram(const Folders& folders, std::wstring_view path) {
    const std::wstring comparable = ComparablePath(path);
    const std::wstring name = FileNameOf(comparable);
    const std::size_t dot = name.find_last_of(L'.');
    if (!IsWindowsProgramName(dot == std::wstring::npos ? name : name.substr(0, dot))) return false;
    const std::optional<std::wstring> folder = FolderOf(comparable);
    if (!folder) return true;
    std::vector<std::wstring> genuine = {L"\\SYSTEMROOT\\SYSTEM32"};
    if (!folders.SystemDir.empty()) genuine.push_back(ComparablePath(folders.SystemDir));
    if (!folders.WindowsDir.empty()) {
        genuine.push_back(ComparablePath(folders.WindowsDir));
        genuine.push_back(ComparablePath(folders.WindowsDir + L"\\ehome"));
    }
    for (const std::wstring& f : genuine)
        if (*folder == f) return true;
    return false;
}

bool IsOwnProgram(System& sys, std::wstring_view path) {
    const std::wstring own = sys.OwnExecutablePath();
    return !own.empty() && ComparablePath(own) == ComparablePath(path);
}

std::wstring FileKey(const FileIdentity& identity) {
    return L"#" + std::to_wstring(identity.volumeSerial) + L":" + std::to_wstring(identity.fileIndex);
}

const wchar_t* GenuineReachedElsewhere(Engine& e, const std::wstring& path, const FileIdentity& identity) {
    std::vector<std::pair<std::wstring, const wchar_t*>> genuine;
    const std::wstring own = e.sys.OwnExecutablePath();
    if (!own.empty()) genuine.emplace_back(own, kOwnProgramLeftAlone);
    const std::wstring name = FileNameOf(ComparablePath(path));
    const std::size_t dot = name.find_last_of(L'.');
    if (IsWindowsProgramName(dot == std::wstring::npos ? name : name.substr(0, dot))) {
        const Folders& f = e.folders;
        for (const std::wstring& folder : {f.SystemDir, f.SystemWow64Dir, f.WindowsDir,
                                           f.WindowsDir.empty() ? std::wstring() : f.WindowsDir + L"\\ehome"})
            if (!folder.empty()) genuine.emplace_back(folder + L"\\" + name, kGenuineProgramLeftAlone);
    }
    const std::wstring comparable = ComparablePath(path);
    for (const auto& [program, ending] : genuine) {
        // The path's own place is judged by the rules that know it, not by comparing it with itself.
        if (ComparablePath(program) == comparable) continue;
        OpenFileHandle file(e.sys);
        FileIdentity other;
        if (file.Open(program, FileAccess::Read, FileDisposition::OpenExisting) &&
            e.sys.GetFileIdentity(file.get(), other) && other.SameFile(identity))
            return ending;
    }
    return nullptr;
}

void ReportLeftAlone(Engine& e, const std::wstring& path, const wchar_t* ending) {
    if (e.leftAloneReported.insert(ComparablePath(path)).second) AppendDetailsLine(e.host, path + ending);
}

}  // namespace pell
