// CryptoAPI: a provider, a hash object, hashing data and reading the hash's parameters.
#include "platform/win32/last_error.h"

namespace pell::win32 {

long Win32System::CryptAcquireContext(CryptHandle& provider, const std::wstring& providerName,
                                      std::uint32_t providerType, std::uint32_t flags) {
    HCRYPTPROV h = 0;
    BOOL ok = Keep(::CryptAcquireContextW(&h, nullptr, providerName.empty() ? nullptr : providerName.c_str(),
                                          providerType, flags));
    if (ok) provider = static_cast<CryptHandle>(h);
    return ok;
}

long Win32System::CryptCreateHash(CryptHandle provider, std::uint32_t algorithm, CryptHandle& hash) {
    HCRYPTHASH h = 0;
    BOOL ok = Keep(::CryptCreateHash(static_cast<HCRYPTPROV>(provider), algorithm, 0, 0, &h));
    if (ok) hash = static_cast<CryptHandle>(h);
    return ok;
}

long Win32System::CryptHashData(CryptHandle hash, const void* data, std::uint32_t count) {
    return Keep<long>(::CryptHashData(static_cast<HCRYPTHASH>(hash), static_cast<const BYTE*>(data), count, 0));
}

long Win32System::CryptGetHashParam(CryptHandle hash, std::uint32_t param, std::vector<std::uint8_t>& value) {
    DWORD length = 0;
    if (!Keep(::CryptGetHashParam(static_cast<HCRYPTHASH>(hash), param, nullptr, &length, 0))) return 0;
    std::vector<std::uint8_t> buffer(length);
    BOOL ok = Keep(::CryptGetHashParam(static_cast<HCRYPTHASH>(hash), param, buffer.data(), &length, 0));
    if (ok) {
        buffer.resize(length);
        value = std::move(buffer);
    }
    return ok;
}

long Win32System::CryptDestroyHash(CryptHandle hash) {
    return Keep<long>(::CryptDestroyHash(static_cast<HCRYPTHASH>(hash)));
}

long Win32System::CryptReleaseContext(CryptHandle provider) {
    return Keep<long>(::CryptReleaseContext(static_cast<HCRYPTPROV>(provider), 0));
}

}  // namespace pell::win32
