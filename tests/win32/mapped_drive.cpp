// Drive letters for test folders through Wine's mount manager.
#include "tests/win32/mapped_drive.h"

#include <cstring>
#include <vector>

#include "platform/win32/owners.h"
#include "platform/win32/win32_api.h"

#include <winioctl.h>

namespace pell::test {
namespace {

// Wine's mount manager interface (its include/ddk/mountmgr.h; mingw's copy of it is out of date).
constexpr DWORD kMountMgrType = 0x6D;
constexpr DWORD kDefineUnixDrive = CTL_CODE(kMountMgrType, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
static_assert(sizeof(UnixDrive) == 32);

// Links `letter` to `unixPath`, or takes the drive away when unixPath is null.
bool DefineUnixDrive(wchar_t letter, const char* unixPath, unsigned type) {
    std::vector<char> request(sizeof(UnixDrive) + (unixPath ? std::strlen(unixPath) + 1 : 0));
    auto* drive = reinterpret_cast<UnixDrive*>(request.data());
    drive->size = static_cast<ULONG>(request.size());
    drive->type = type;
    drive->letter = static_cast<WCHAR>(letter - L'A' + L'a');
    if (unixPath) {
        drive->mountPointOffset = sizeof(UnixDrive);
        std::strcpy(request.data() + sizeof(UnixDrive), unixPath);
    }
    win32::UniqueHandle manager(::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager.valid()) return false;
    DWORD returned = 0;
    return ::DeviceIoControl(manager.get(), kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                             nullptr, 0, &returned, nullptr) != 0;
}

}  // namespace

MappedDrive::MappedDrive(const std::wstring& folder, unsigned type) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return;
    char* unixPath = toUnix(folder.c_str());
    if (!unixPath) return;
    const DWORD used = ::GetLogicalDrives();
    for (wchar_t l = L'M'; l <= L'Y' && letter_ == 0; ++l) {
        if (used & (1u << (l - L'A'))) continue;
        if (DefineUnixDrive(l, unixPath, type)) letter_ = l;
    }
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
}

MappedDrive::~MappedDrive() {
    if (letter_ != 0) DefineUnixDrive(letter_, nullptr, DRIVE_NO_ROOT_DIR);
}

}  // namespace pell::test
