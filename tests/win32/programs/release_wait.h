// What the small test programs share: holding on until the test lets go (a file appears) or a time is up.
#pragma once

#include "platform/win32/win32_api.h"

namespace pell::test {

// Returns once the file `release` exists (never, when it is null) or `ms` milliseconds have passed. The
// file is taken away on the way out: the test sees from that that the program is ending.
inline void WaitForRelease(const char* release, unsigned long ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (::GetTickCount64() < end) {
        if (release != nullptr && ::GetFileAttributesA(release) != INVALID_FILE_ATTRIBUTES) {
            ::DeleteFileA(release);
            return;
        }
        ::Sleep(release != nullptr ? 50 : static_cast<DWORD>(end - ::GetTickCount64()));
    }
}

}  // namespace pell::test
