// MD5 digests of files and byte arrays through the platform's crypto provider, as 32 upper-case hex digits.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <tuple>
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
// While a file is hashed the window's messages are served after this many blocks (1 MiB): a few
// milliseconds of work, where a window must not wait 100 ms.
constexpr std::uint32_t kMd5BlocksBetweenYields = 64;

// The digests a run has computed, by the file they describe: its identity on its volume, its size and
// its last write. A file that many values, processes or autorun files name, under any path or spelling,
// is read once; one written to since is read again.
class DigestCache {
public:
    const std::wstring* Find(const FileIdentity& file) const;
    void Keep(const FileIdentity& file, const std::wstring& digest);
    void Clear() { digests_.clear(); }

private:
    using Key = std::tuple<std::uint32_t, std::uint64_t, std::uint64_t, std::uint64_t>;
    static Key KeyOf(const FileIdentity& file);
    std::map<Key, std::wstring> digests_;
};

class MD5Hash {
public:
    // Acquires the provider context; raises the Initialize error when it is not available.
    MD5Hash(System& sys, Host& host);
    ~MD5Hash();
    MD5Hash(const MD5Hash&) = delete;
    MD5Hash& operator=(const MD5Hash&) = delete;

    // The digest of the file's contents; "" when the file cannot be read or hashed (never raises). With a
    // cache, a file whose digest it holds is not read again, and a new digest is kept there. The window's
    // messages are served between blocks of a long file.
    std::wstring HashFile(const std::wstring& path, DigestCache* cache = nullptr);
    // The digest of all the bytes; raises the errors of CreateHash, HashBlock and HashValue.
    std::wstring HashBytes(std::span<const std::uint8_t> bytes);
    // A digest of bytes that arrive in pieces (a copy being made): Begin, HashBlock for each piece in
    // order, HashValue. Each raises its error.
    void Begin() { CreateHash(); }
    void HashBlock(std::span<const std::uint8_t> block);
    std::wstring HashValue();

private:
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
    // The kept hasher; null without a crypto provider.
    MD5Hash* Hasher();
    // Gives the provider back; the next digest acquires it anew (and tries again if it was missing).
    void Release() {
        md5_.reset();
        unavailable_ = false;
    }

private:

    System& sys_;
    Host& host_;
    std::optional<MD5Hash> md5_;
    bool unavailable_ = false;
};

}  // namespace pell
