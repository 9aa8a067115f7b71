// The folder picker: the shell's browse dialog for file-system folders in its new style.
#include "platform/win32/browse_folder.h"

#include "platform/win32/owners.h"

namespace pell::win32 {

std::wstring BrowseForFolder(HWND owner, const std::wstring& title) {
    ComScope com;  // the new dialog style needs COM on this thread
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = 0x41;  // BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE
    info.lpfn = nullptr;
    UniqueIdList item(::SHBrowseForFolderW(&info));
    if (!item.valid()) return {};
    std::wstring path(260, L'\0');
    ::SHGetPathFromIDListW(item.get(), path.data());
    path.resize(path.find(L'\0') == std::wstring::npos ? path.size() : path.find(L'\0'));
    return path;
}

}  // namespace pell::win32
