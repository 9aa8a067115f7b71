// OpenSSL 3 behind the throwaway key: generation, signing (DER converted to r then s) and verification.
#include "tests/unit/throwaway_key.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <stdexcept>
#include <vector>

namespace pell::test {
namespace {

template <typename T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX, EVP_MD_CTX_free>>;
using Sig = std::unique_ptr<ECDSA_SIG, Freer<ECDSA_SIG, ECDSA_SIG_free>>;
using Bn = std::unique_ptr<BIGNUM, Freer<BIGNUM, BN_free>>;

void Require(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("OpenSSL: ") + what);
}

Pkey PublicFromBytes(const PublicKeyBytes& key) {
    std::vector<unsigned char> point{0x04};  // an uncompressed point
    point.insert(point.end(), key.begin(), key.end());
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>("prime256v1"), 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size()),
        OSSL_PARAM_construct_end()};
    std::unique_ptr<EVP_PKEY_CTX, Freer<EVP_PKEY_CTX, EVP_PKEY_CTX_free>> ctx(
        EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* pkey = nullptr;
    if (!ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
        EVP_PKEY_fromdata(ctx.get(), &pkey, EVP_PKEY_PUBLIC_KEY, params) <= 0)
        return nullptr;  // not a point of the curve
    return Pkey(pkey);
}

}  // namespace

struct ThrowawayKey::Impl {
    Pkey key;
};

ThrowawayKey::ThrowawayKey() : impl_(std::make_unique<Impl>()) {
    impl_->key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    Require(impl_->key != nullptr, "key generation");
}

ThrowawayKey::~ThrowawayKey() = default;

net::ListSignature ThrowawayKey::Sign(std::string_view data) const {
    MdCtx ctx(EVP_MD_CTX_new());
    std::size_t length = 0;
    Require(ctx && EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, impl_->key.get()) > 0 &&
                EVP_DigestSign(ctx.get(), nullptr, &length, reinterpret_cast<const unsigned char*>(data.data()),
                               data.size()) > 0,
            "signing");
    std::vector<unsigned char> der(length);
    Require(EVP_DigestSign(ctx.get(), der.data(), &length, reinterpret_cast<const unsigned char*>(data.data()),
                           data.size()) > 0,
            "signing");
    const unsigned char* p = der.data();
    Sig sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(length)));
    Require(sig != nullptr, "signature decoding");
    net::ListSignature out{};
    Require(BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), out.data(), 32) == 32 &&
                BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), out.data() + 32, 32) == 32,
            "signature encoding");
    return out;
}

PublicKeyBytes ThrowawayKey::Public() const {
    BIGNUM* x = nullptr;
    BIGNUM* y = nullptr;
    Require(EVP_PKEY_get_bn_param(impl_->key.get(), OSSL_PKEY_PARAM_EC_PUB_X, &x) > 0 &&
                EVP_PKEY_get_bn_param(impl_->key.get(), OSSL_PKEY_PARAM_EC_PUB_Y, &y) > 0,
            "public key");
    Bn ownX(x), ownY(y);
    PublicKeyBytes out{};
    Require(BN_bn2binpad(x, out.data(), 32) == 32 && BN_bn2binpad(y, out.data() + 32, 32) == 32, "public key");
    return out;
}

long KeySignatureCheck::Verify(std::string_view body, const net::ListSignature& signature) {
    Pkey key = PublicFromBytes(key_);
    Sig sig(ECDSA_SIG_new());
    Bn r(BN_bin2bn(signature.data(), 32, nullptr)), s(BN_bin2bn(signature.data() + 32, 32, nullptr));
    if (!key || !sig || !r || !s || ECDSA_SIG_set0(sig.get(), r.get(), s.get()) != 1) return 1;
    r.release();
    s.release();
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(sig.get(), &der);
    if (derLength <= 0) return 1;
    MdCtx ctx(EVP_MD_CTX_new());
    const bool good = ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) > 0 &&
                      EVP_DigestVerify(ctx.get(), der, static_cast<std::size_t>(derLength),
                                       reinterpret_cast<const unsigned char*>(body.data()), body.size()) == 1;
    OPENSSL_free(der);
    return good ? 0 : 1;
}

}  // namespace pell::test
