// Owners for the handles platform/win32 opens for its own use: each closes its handle exactly once.
#pragma once

#include <type_traits>

#include "base/owner.h"
#include "platform/win32/win32_api.h"

namespace pell::win32 {

// A handle and the call that closes it. Null is "none"; so is INVALID_HANDLE_VALUE for the kinds
// (files, searches) whose opening calls answer that on failure.
template <typename H, void (*Close)(H)>
struct Win32Closer : FunctionCloser<H, Close> {
    static bool Valid(H h) {
        if constexpr (std::is_same_v<H, HANDLE>) return h != nullptr && h != INVALID_HANDLE_VALUE;
        else return h != H{};
    }
};
template <typename H, void (*Close)(H)>
using Owned = Owner<Win32Closer<H, Close>>;

inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
inline void CloseKey(HKEY h) { ::RegCloseKey(h); }
inline void CloseSc(SC_HANDLE h) { ::CloseServiceHandle(h); }
inline void FreeIdList(LPITEMIDLIST p) { ::CoTaskMemFree(p); }
inline void CloseAlgorithm(BCRYPT_ALG_HANDLE h) { ::BCryptCloseAlgorithmProvider(h, 0); }
inline void DestroyCngKey(BCRYPT_KEY_HANDLE h) { ::BCryptDestroyKey(h); }

using UniqueHandle = Owned<HANDLE, CloseKernelHandle>;  // processes, threads, tokens, mutexes, files
using FindSearch = Owned<HANDLE, CloseFind>;
using UniqueKey = Owned<HKEY, CloseKey>;
using UniqueScHandle = Owned<SC_HANDLE, CloseSc>;
using UniqueIdList = Owned<LPITEMIDLIST, FreeIdList>;
using UniqueAlgorithm = Owned<BCRYPT_ALG_HANDLE, CloseAlgorithm>;
using UniqueCngKey = Owned<BCRYPT_KEY_HANDLE, DestroyCngKey>;

// COM for the calling thread while the owner lives (balanced only when the initialisation succeeded).
class ComScope {
public:
    explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED) : hr_(::CoInitializeEx(nullptr, model)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }

private:
    HRESULT hr_;
};

}  // namespace pell::win32
