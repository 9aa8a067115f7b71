// The maker's signature checked by CNG under Wine, with keys and signatures CNG makes at test time:
// the good signature passes; a flipped bit, another body, another key or a point off the curve fail.
// The bound maker key is a point of the curve.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win32/owners.h"
#include "platform/win32/signature_check.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using win32::EcdsaPublicKey;
using win32::EcdsaSignature;

constexpr long kInvalidSignature = static_cast<long>(0xC000A000);

// A key pair of CNG's own making, never stored.
class CngKey {
public:
    CngKey() {
        EXPECT_EQ(::BCryptOpenAlgorithmProvider(alg_.out(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0), 0);
        EXPECT_EQ(::BCryptGenerateKeyPair(alg_.get(), key_.out(), 256, 0), 0);
        EXPECT_EQ(::BCryptFinalizeKeyPair(key_.get(), 0), 0);
    }
    EcdsaPublicKey Public() const {
        std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
        ULONG size = 0;
        EXPECT_EQ(::BCryptExportKey(key_.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, blob.data(),
                                    static_cast<ULONG>(blob.size()), &size, 0), 0);
        EcdsaPublicKey key{};
        std::memcpy(key.data(), blob.data() + sizeof(BCRYPT_ECCKEY_BLOB), key.size());
        return key;
    }
    EcdsaSignature Sign(std::string_view data) const {
        win32::Sha256Digest digest{};
        EXPECT_EQ(win32::Sha256(data, digest), 0);
        EcdsaSignature signature{};
        ULONG size = 0;
        EXPECT_EQ(::BCryptSignHash(key_.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()), signature.data(),
                                   static_cast<ULONG>(signature.size()), &size, 0), 0);
        return signature;
    }

private:
    win32::UniqueAlgorithm alg_;
    win32::UniqueCngKey key_;
};

TEST(SignatureCheck, OnlyTheKeysOwnSignatureOfTheseBytesPasses) {
    const CngKey maker, stranger;
    const std::string body = "0123456789ABCDEF0123456789ABCDEF\r\n\r\r\n";
    const EcdsaSignature good = maker.Sign(body);
    EcdsaSignature flipped = good;
    flipped[63] ^= 0x80;
    std::string altered = body;
    altered[0] = '1';
    struct Case {
        const char* what;
        EcdsaPublicKey key;
        std::string data;
        EcdsaSignature signature;
        bool passes;
    };
    const Case cases[] = {
        {"good", maker.Public(), body, good, true},
        {"a flipped bit", maker.Public(), body, flipped, false},
        {"another body", maker.Public(), altered, good, false},
        {"another body's signature", maker.Public(), body, maker.Sign(altered), false},
        {"another key", stranger.Public(), body, good, false},
        {"another key's signature", maker.Public(), body, stranger.Sign(body), false},
        {"a zero signature", maker.Public(), body, EcdsaSignature{}, false},
        {"the empty list", maker.Public(), "\r\r\n", maker.Sign("\r\r\n"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const long status = win32::VerifyEcdsaP256(c.key, c.data, c.signature);
        if (c.passes) EXPECT_EQ(status, 0);
        else EXPECT_NE(status, 0);
    }
    EXPECT_EQ(win32::VerifyEcdsaP256(maker.Public(), body, flipped), kInvalidSignature);
    // A key that is no point of the curve is refused at its import, never "verified".
    EXPECT_NE(win32::VerifyEcdsaP256(EcdsaPublicKey{}, body, good), 0);
}

TEST(SignatureCheck, TheBoundMakerKeyIsAPointOfTheCurve) {
    const CngKey stranger;
    const std::string body = "\r\r\n";
    // Imported, then the stranger's signature is found wrong: not refused at the import.
    EXPECT_EQ(win32::VerifyEcdsaP256(win32::MakerPublicKey(), body, stranger.Sign(body)), kInvalidSignature);
}

}  // namespace
}  // namespace pell::test
