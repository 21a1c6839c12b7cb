#include "book/sha1.h"

#include <bit>
#include <cstddef>

namespace qm {

namespace {

constexpr std::size_t kBlockSize = 64;

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

void Compress(std::array<std::uint32_t, 5>& state, const std::uint8_t* block) {
    std::array<std::uint32_t, 80> w{};
    for (std::size_t t = 0; t < 16; ++t) {
        w[t] = BigEndian32(block + 4 * t);
    }
    for (std::size_t t = 16; t < 80; ++t) {
        w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    }
    auto [a, b, c, d, e] = state;
    for (std::size_t t = 0; t < 80; ++t) {
        std::uint32_t f = 0;
        std::uint32_t k = 0;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const std::uint32_t temp = std::rotl(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = temp;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

} // namespace

Sha1Digest Sha1(std::string_view bytes) {
    std::array<std::uint32_t, 5> state{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t whole = bytes.size() - bytes.size() % kBlockSize;
    for (std::size_t offset = 0; offset < whole; offset += kBlockSize) {
        Compress(state, data + offset);
    }

    // The rest, the 0x80 marker, zeros and the length in bits fill one block, or two when fewer than nine
    // bytes are left after the rest.
    std::array<std::uint8_t, 2 * kBlockSize> tail{};
    const std::size_t rest = bytes.size() - whole;
    for (std::size_t i = 0; i < rest; ++i) {
        tail[i] = data[whole + i];
    }
    tail[rest] = 0x80;
    const std::size_t tailSize = rest + 9 <= kBlockSize ? kBlockSize : 2 * kBlockSize;
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (std::size_t i = 0; i < 8; ++i) {
        tail[tailSize - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    for (std::size_t offset = 0; offset < tailSize; offset += kBlockSize) {
        Compress(state, tail.data() + offset);
    }

    Sha1Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
    }
    return digest;
}

} // namespace qm
