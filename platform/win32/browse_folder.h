// The folder picker START uses for the log-and-backup folder.
#pragma once

#include <string>

#include "platform/win32/win32_api.h"

namespace pell::win32 {

// The chosen folder's file-system path; empty when the picker was cancelled or the item chosen has
// no file-system path.
std::wstring BrowseForFolder(HWND owner, const std::wstring& title);

}  // namespace pell::win32
