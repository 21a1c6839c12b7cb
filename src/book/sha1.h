#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qm {

using Sha1Digest = std::array<std::uint8_t, 20>;

// The SHA-1 digest (FIPS 180-4) of `bytes`. Used to derive the key of obfuscated fonts, where the algorithm is
// fixed by the books themselves; it is no protection against anyone and must not be used as one.
Sha1Digest Sha1(std::string_view bytes);

} // namespace qm
