// MD5 digests of files and byte arrays through the platform's crypto provider, as 32 upper-case hex digits.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/host.h"
#include "base/runtime_error.h"
#include "base/system.h"

namespace pell {

// Error numbers the class raises (as RuntimeError).
namespace md5_error {
constexpr std::uint32_t Initialize = 0x8004C352;
constexpr std::uint32_t CreateHash = 0x8004C332;
constexpr std::uint32_t HashBlock = 0x8004C312;
constexpr std::uint32_t HashSize = 0x8004C322;
constexpr std::uint32_t HashValue = 0x8004C324;
}  // namespace md5_error

// The file is read in blocks of this size.
constexpr std::uint32_t kMd5BlockSize = 16384;

class MD5Hash {
public:
    // Acquires the provider context; raises the Initialize error when it is not available.
    MD5Hash(System& sys, Host& host);
    ~MD5Hash();
    MD5Hash(const MD5Hash&) = delete;
    MD5Hash& operator=(const MD5Hash&) = delete;

    // The digest of the file's contents; "" when the file cannot be read or hashed (never raises).
    std::wstring HashFile(const std::wstring& path);
    // The digest of all the bytes; raises the errors of CreateHash, HashBlock and HashValue.
    std::wstring HashBytes(std::span<const std::uint8_t> bytes);

private:
    void HashBlock(std::span<const std::uint8_t> block);
    std::wstring HashValue();
    void CreateHash();
    void DestroyHash();
    [[noreturn]] void Raise(std::uint32_t number, const wchar_t* source, const wchar_t* text) const;

    System& sys_;
    Host& host_;
    CryptHandle hash_ = 0;
    CryptHandle provider_ = 0;
};

// Digests for a caller that records file after file: the provider is acquired on first use and kept,
// because acquiring it costs milliseconds each time (under Wine about 9 ms). Without a provider every
// digest is "" and the acquisition is not tried again.
class KeptMd5 {
public:
    KeptMd5(System& sys, Host& host) : sys_(sys), host_(host) {}

    std::wstring OfFile(const std::wstring& path);
    std::wstring OfBytes(std::string_view bytes);

private:
    MD5Hash* Hasher();

    System& sys_;
    Host& host_;
    std::optional<MD5Hash> md5_;
    bool unavailable_ = false;
};

}  // namespace pell
