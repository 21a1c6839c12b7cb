#include "book/sha1.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

namespace qm {
namespace {

std::string Hex(const Sha1Digest& digest) {
    std::string hex;
    for (const std::uint8_t byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

struct Vector {
    const char* label;
    std::string message;
    const char* digest;
};

void PrintTo(const Vector& v, std::ostream* out) {
    *out << v.label;
}

class Sha1Test : public ::testing::TestWithParam<Vector> {};

TEST_P(Sha1Test, GivesTheKnownDigest) {
    EXPECT_EQ(Hex(Sha1(GetParam().message)), GetParam().digest);
}

// The FIPS 180 examples, and lengths on both sides of the point where the padding needs a second block.
INSTANTIATE_TEST_SUITE_P(
    Vectors, Sha1Test,
    ::testing::Values(
        Vector{"empty", "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        Vector{"abc", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        Vector{"448_bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
               "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        Vector{
            "896_bits",
            "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrst"
            "nopqrstu",
            "a49b2446a02c645bf419f995b67091253a04a259"},
        Vector{"million_a", std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        Vector{"a55", std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        Vector{"a56", std::string(56, 'a'), "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
        Vector{"a64", std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"}),
    [](const ::testing::TestParamInfo<Vector>& param) { return std::string(param.param.label); });

} // namespace
} // namespace qm
