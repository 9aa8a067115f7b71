// The Windows headers, included once for every file that needs them, with the A/W name macros that
// collide with the System seam's method names taken away (the code calls the W functions by name).
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
