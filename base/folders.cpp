// Reading the system's folders from the platform's fixed-buffer answers.
#include "base/folders.h"

#include <algorithm>

#include "base/system.h"

namespace pell {

std::wstring FolderAnswer(const std::wstring& buffer, std::uint32_t length) {
    std::wstring text = buffer.substr(0, std::min<std::size_t>(length, buffer.size()));
    text = text.substr(0, text.find(L'\0'));
    while (!text.empty() && text.back() == L' ') text.pop_back();
    return text;
}

std::wstring SystemDirectory(System& sys) {
    std::wstring buffer;
    std::uint32_t length = sys.GetSystemDirectory(buffer);
    return FolderAnswer(buffer, length);
}

// A system folder with fewer parts gives empty pieces rather than failing the run.
std::wstring WindowsDirOf(const std::wstring& systemDir) {
    std::size_t first = systemDir.find(L'\\');
    if (first == std::wstring::npos) return systemDir + L"\\";
    std::size_t second = systemDir.find(L'\\', first + 1);
    return systemDir.substr(0, second);
}

}  // namespace pell
