#include "platform/crypto/digest.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <fstream>

namespace sorvalind {
namespace {

TEST(Digest, KnownVectors) {
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    // The Subsonic token example: md5("sesame" + "c19b2d").
    EXPECT_EQ(md5Hex("sesamec19b2d"), "26719a1196d2a940705a59634eb18eab");
    EXPECT_EQ(sha256Hex("unconfigured"), sha256Hex(std::string("unconfigured")));
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Digest, FileDigestMatchesInMemoryDigest) {
    test::TempDir dir;
    std::string bytes(200'000, 'x');
    bytes[123] = '\0';
    std::ofstream(dir.path() / "f", std::ios::binary) << bytes;
    EXPECT_EQ(sha256FileHex(dir.path() / "f"), sha256Hex(bytes));
    EXPECT_THROW(sha256File(dir.path() / "missing"), CryptoError);
}

TEST(Digest, RandomUUIDsAreWellFormedAndDistinct) {
    std::string a = randomUUID(), b = randomUUID();
    EXPECT_TRUE(isUUID(a));
    EXPECT_NE(a, b);
    EXPECT_EQ(a[14], '4');
    for (const char* bad : {"", "not-a-uuid", "123e4567-e89b-12d3-a456-42661417400",
                            "123e4567xe89b-12d3-a456-426614174000", "123e4567-e89b-12d3-a456-42661417400g"})
        EXPECT_FALSE(isUUID(bad)) << bad;
    EXPECT_TRUE(isUUID("123e4567-e89b-12d3-a456-426614174000"));
    EXPECT_EQ(randomHex(6).size(), 12u);
}

} // namespace
} // namespace sorvalind
