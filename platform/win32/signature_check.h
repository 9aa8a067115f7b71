// ECDSA P-256 signatures checked with the platform's CNG, and the maker's public key bound into the
// program: the one key a downloaded detection list is verified against.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace pell::win32 {

using EcdsaPublicKey = std::array<std::uint8_t, 64>;  // X then Y, each 32 bytes big-endian
using EcdsaSignature = std::array<std::uint8_t, 64>;  // r then s, each 32 bytes big-endian
using Sha256Digest = std::array<std::uint8_t, 32>;

// The maker's key, compiled in from resources/maker_key.txt. There is deliberately no way to name
// another one at run time (no switch, file or registry value): a test trusts its own key only through
// a copy of the program with these 64 bytes replaced.
const EcdsaPublicKey& MakerPublicKey();

// The SHA-256 digest of `data`: 0 (STATUS_SUCCESS), or the NTSTATUS of the CNG step that failed.
long Sha256(std::string_view data, Sha256Digest& digest);

// 0 (STATUS_SUCCESS) when `signature` is `key`'s signature over SHA-256 of `data`; otherwise the
// NTSTATUS of the first step that failed (0xC000A000, STATUS_INVALID_SIGNATURE, for a wrong signature).
long VerifyEcdsaP256(const EcdsaPublicKey& key, std::string_view data, const EcdsaSignature& signature);

}  // namespace pell::win32
