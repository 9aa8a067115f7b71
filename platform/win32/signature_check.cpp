// CNG: the SHA-256 digest of the data, the public key imported as a BCRYPT_ECCPUBLIC_BLOB, the signature
// verified against both.
#include "platform/win32/signature_check.h"

#include <cstring>
#include <vector>

#include "platform/win32/owners.h"

namespace pell::win32 {
namespace {

// A status for the one failure that no CNG call reports: more data than one call can hash.
constexpr long kDataTooLarge = static_cast<long>(0xC0000095);  // STATUS_INTEGER_OVERFLOW

}  // namespace

long Sha256(std::string_view data, Sha256Digest& digest) {
    if (data.size() > 0xFFFFFFFFu) return kDataTooLarge;
    UniqueAlgorithm sha;
    NTSTATUS status = ::BCryptOpenAlgorithmProvider(sha.out(), BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (status != 0) return status;
    // BCryptCreateHash / HashData / FinishHash rather than the one-call BCryptHash, which Windows before
    // 10 lacks.
    BCRYPT_HASH_HANDLE hash = nullptr;
    status = ::BCryptCreateHash(sha.get(), &hash, nullptr, 0, nullptr, 0, 0);
    if (status != 0) return status;
    status = ::BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                              static_cast<ULONG>(data.size()), 0);
    if (status == 0) status = ::BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
    ::BCryptDestroyHash(hash);
    return status;
}

long VerifyEcdsaP256(const EcdsaPublicKey& key, std::string_view data, const EcdsaSignature& signature) {
    Sha256Digest digest;
    NTSTATUS status = Sha256(data, digest);
    if (status != 0) return status;

    UniqueAlgorithm ecdsa;
    status = ::BCryptOpenAlgorithmProvider(ecdsa.out(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
    if (status != 0) return status;
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof(header));
    std::memcpy(blob.data() + sizeof(header), key.data(), key.size());
    UniqueCngKey publicKey;
    status = ::BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, publicKey.out(), blob.data(),
                                   static_cast<ULONG>(blob.size()), 0);
    if (status != 0) return status;
    EcdsaSignature copy = signature;  // the call takes a writable buffer
    return ::BCryptVerifySignature(publicKey.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()), copy.data(),
                                   static_cast<ULONG>(copy.size()), 0);
}

}  // namespace pell::win32
