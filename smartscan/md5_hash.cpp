// MD5 digests through the platform's crypto provider.
#include "smartscan/md5_hash.h"

#include <utility>
#include <vector>

#include "base/handles.h"
#include "base/trace.h"

namespace pell {
namespace {

constexpr wchar_t kProviderName[] = L"Microsoft Base Cryptographic Provider v1.0";
constexpr std::uint32_t kProvRsaFull = 1;
constexpr std::uint32_t kCryptVerifyContext = 0xF0000000u;
constexpr std::uint32_t kCalgMd5 = 0x8003;
constexpr std::uint32_t kHpHashVal = 2;
constexpr std::uint32_t kHpHashSize = 4;

// A failure while hashing a file: HashFile turns it into the empty digest.
struct ReadFailed {};

}  // namespace

MD5Hash::MD5Hash(System& sys, Host& host) : sys_(sys), host_(host) {
    CryptHandle provider = 0;
    if (!sys_.CryptAcquireContext(provider, kProviderName, kProvRsaFull, kCryptVerifyContext))
        Raise(md5_error::Initialize, L"MD5Hash.Class_Initialize",
              L"Failed to obtain access to CryptoAPI, system error ");
    provider_ = provider;
}

MD5Hash::~MD5Hash() {
    DestroyHash();
    if (provider_ != 0) sys_.CryptReleaseContext(provider_);
}

std::wstring MD5Hash::HashFile(const std::wstring& path, DigestCache* cache) {
    if (sys_.GetFileAttributes(path) == kInvalidAttributes) {
        host_.DoEvents();
        return {};
    }
    try {
        // The owner closes the file on every way out, the failing ones included.
        OpenFileHandle file(sys_);
        if (!file.Open(path, FileAccess::Read, FileDisposition::OpenExisting)) throw ReadFailed{};
        // The identity of the file that is open: whatever path or link led here, it names these bytes.
        FileIdentity identity;
        const bool known = cache != nullptr && sys_.GetFileIdentity(file.get(), identity) != 0;
        if (known)
            if (const std::wstring* digest = cache->Find(identity)) return *digest;
        std::uint64_t length = 0;
        if (!sys_.GetFileSize(file.get(), length)) throw ReadFailed{};
        const std::uint64_t blocks = length / kMd5BlockSize;
        const auto rest = static_cast<std::uint32_t>(length - blocks * kMd5BlockSize);

        auto readInto = [&](std::vector<std::uint8_t>& buffer) {
            std::uint32_t read = 0;
            const auto count = static_cast<std::uint32_t>(buffer.size());
            // A short read means the file changed under us: its digest would describe neither version.
            if (!sys_.ReadFile(file.get(), buffer.data(), count, read) || read != count) throw ReadFailed{};
            HashBlock(buffer);
        };

        CreateHash();
        std::vector<std::uint8_t> block(kMd5BlockSize);
        for (std::uint64_t i = 0; i < blocks; ++i) {
            readInto(block);
            if ((i + 1) % kMd5BlocksBetweenYields == 0) host_.DoEvents();
        }
        if (rest > 0) {
            std::vector<std::uint8_t> last(rest);
            readInto(last);
        }
        file.reset();
        std::wstring digest = HashValue();
        // A file that was written while it was read is not what the digest describes: not kept.
        if (known && identity.size == length) cache->Keep(identity, digest);
        return digest;
    } catch (const ReadFailed&) {
        Trace(L"MD5Hash.HashFile", path + L" could not be read (error " + std::to_wstring(sys_.LastError()) + L")");
    } catch (const RuntimeError&) {
        TraceCaught(L"MD5Hash.HashFile " + path);
    }
    host_.DoEvents();
    return {};
}

DigestCache::Key DigestCache::KeyOf(const FileIdentity& file) {
    return {file.volumeSerial, file.fileIndex, file.size, file.writeTime};
}

const std::wstring* DigestCache::Find(const FileIdentity& file) const {
    auto it = digests_.find(KeyOf(file));
    return it == digests_.end() ? nullptr : &it->second;
}

void DigestCache::Keep(const FileIdentity& file, const std::wstring& digest) { digests_[KeyOf(file)] = digest; }

std::wstring MD5Hash::HashBytes(std::span<const std::uint8_t> bytes) {
    CreateHash();
    HashBlock(bytes);
    return HashValue();
}

void MD5Hash::HashBlock(std::span<const std::uint8_t> block) {
    if (!sys_.CryptHashData(hash_, block.data(), static_cast<std::uint32_t>(block.size())))
        Raise(md5_error::HashBlock, L"MD5Hash", L"Failed to hash data block, system error ");
}

std::wstring MD5Hash::HashValue() {
    std::vector<std::uint8_t> sizeValue(4);
    if (!sys_.CryptGetHashParam(hash_, kHpHashSize, sizeValue) || sizeValue.size() < 4)
        Raise(md5_error::HashSize, L"MD5Hash", L"Failed to obtain hash value length, system error ");
    const std::uint32_t size = sizeValue[0] | (sizeValue[1] << 8) | (sizeValue[2] << 16) |
                               (static_cast<std::uint32_t>(sizeValue[3]) << 24);
    // No provider's digest comes near this; the cap only keeps a broken answer from sizing the buffer.
    constexpr std::uint32_t kMaxHashSize = 1024;
    std::vector<std::uint8_t> value(size > kMaxHashSize ? kMaxHashSize : size);
    if (!sys_.CryptGetHashParam(hash_, kHpHashVal, value))
        Raise(md5_error::HashValue, L"MD5Hash", L"Failed to obtain hash value, system error ");

    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(value.size() * 2);
    for (std::uint8_t b : value) {
        text.push_back(kHex[b >> 4]);
        text.push_back(kHex[b & 0xF]);
    }
    DestroyHash();
    return text;
}

void MD5Hash::CreateHash() {
    // A hash left behind by an earlier failure is destroyed rather than leaked.
    DestroyHash();
    CryptHandle hash = 0;
    if (!sys_.CryptCreateHash(provider_, kCalgMd5, hash))
        Raise(md5_error::CreateHash, L"MD5Hash", L"Failed to create CryptoAPI Hash object, system error ");
    hash_ = hash;
}

void MD5Hash::DestroyHash() {
    if (hash_ != 0) sys_.CryptDestroyHash(std::exchange(hash_, 0));
}

void MD5Hash::Raise(std::uint32_t number, const wchar_t* source, const wchar_t* text) const {
    const auto error = static_cast<std::int32_t>(sys_.LastError());
    throw RuntimeError(number, source, text + std::to_wstring(error));
}

MD5Hash* KeptMd5::Hasher() {
    if (!md5_ && !unavailable_) {
        try {
            md5_.emplace(sys_, host_);
        } catch (const RuntimeError&) {
            TraceCaught(L"KeptMd5");
            unavailable_ = true;
        }
    }
    return md5_ ? &*md5_ : nullptr;
}

std::wstring KeptMd5::OfFile(const std::wstring& path) {
    MD5Hash* md5 = Hasher();
    return md5 != nullptr ? md5->HashFile(path) : std::wstring();
}

std::wstring KeptMd5::OfBytes(std::string_view bytes) {
    MD5Hash* md5 = Hasher();
    if (md5 == nullptr) return {};
    try {
        return md5->HashBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    } catch (const RuntimeError&) {
        TraceCaught(L"KeptMd5.OfBytes");
        return {};
    }
}

}  // namespace pell
