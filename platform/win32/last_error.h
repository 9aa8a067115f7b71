// The one idiom every Win32System call ends with: the call's error captured before anything else runs.
#pragma once

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"

namespace pell::win32 {

template <typename T>
T Win32System::Keep(T result) {
    lastError_ = ::GetLastError();
    return result;
}

// Handles cross the seam as plain numbers.
template <typename H>
std::uint64_t ToSeam(H h) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(h));
}
template <typename H>
H FromSeam(std::uint64_t v) {
    return reinterpret_cast<H>(static_cast<std::uintptr_t>(v));
}

}  // namespace pell::win32
