// A P-256 key pair made for one test (OpenSSL), its signatures in the wire form (r then s), and a
// signature check that accepts only its own key: the maker and the program of the native tests.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "net/update_check.h"

namespace pell::test {

using PublicKeyBytes = std::array<std::uint8_t, 64>;  // X then Y

class ThrowawayKey {
public:
    ThrowawayKey();
    ~ThrowawayKey();
    ThrowawayKey(const ThrowawayKey&) = delete;
    ThrowawayKey& operator=(const ThrowawayKey&) = delete;

    net::ListSignature Sign(std::string_view data) const;
    PublicKeyBytes Public() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// ECDSA P-256 over SHA-256 with one public key: 0 for a good signature, 1 for any other.
class KeySignatureCheck final : public net::ListSignatureCheck {
public:
    explicit KeySignatureCheck(const PublicKeyBytes& key) : key_(key) {}
    long Verify(std::string_view body, const net::ListSignature& signature) override;

private:
    PublicKeyBytes key_;
};

}  // namespace pell::test
