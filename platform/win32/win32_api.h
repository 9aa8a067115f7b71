// The Windows headers, included once for every file that needs them, with the A/W name macros that
// collide with the System seam's method names taken away (the code calls the W functions by name).
// This header is the only way any file of the tree reaches <windows.h> and its companions: included
// directly, <windows.h> would define DeleteFile, CopyFile and the others as macros and rename
// System::DeleteFile and friends in every file that sees both. The build fails otherwise
// (cmake/check_layers.cmake). It is plain C as well, for the small C test programs.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
// Windows Sockets 2 must come before <windows.h>, which would otherwise bring in the old winsock.h.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wincrypt.h>
#include <bcrypt.h>
#include <mmsystem.h>

#undef RegOpenKey
#undef RegEnumValue
#undef RegEnumKey
#undef RegDeleteValue
#undef RegDeleteKey
#undef RegQueryValue
#undef RegCreateKey
#undef RegSetValue
#undef OpenSCManager
#undef OpenService
#undef LookupPrivilegeValue
#undef EnumProcesses
#undef EnumProcessModules
#undef GetModuleFileNameEx
#undef GetFileAttributes
#undef SetFileAttributes
#undef CopyFile
#undef DeleteFile
#undef GetDriveType
#undef GetSystemDirectory
#undef GetTempPath
#undef GetSystemWow64Directory
#undef CryptAcquireContext
#undef GetFileSize
