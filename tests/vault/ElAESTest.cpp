#include <gtest/gtest.h>

#include <random>

#include "VaultTestSupport.h"
#include "vault/ElAES.h"

namespace {

template <std::size_t N>
std::array<std::uint8_t, N> FromHex(const std::string& hex) {
    const TBytes bytes = HexBytes(hex);
    std::array<std::uint8_t, N> out{};
    EXPECT_EQ(bytes.size(), N);
    std::copy_n(bytes.begin(), std::min(N, bytes.size()), out.begin());
    return out;
}

// The standard writes schedule words with the first key byte leftmost.
std::uint32_t AsFipsWord(std::uint32_t word) {
    return (word >> 24) | ((word >> 8) & 0xFF00) | ((word << 8) & 0xFF0000) | (word << 24);
}

AesBlock Encrypt(const AesBlock& in, const AesKey256& key) {
    AesBlock out{};
    AesEncryptBlock(in, AesExpandEncryptKey(key), out);
    return out;
}

AesBlock Decrypt(const AesBlock& in, const AesKey256& key) {
    AesBlock out{};
    AesDecryptBlock(in, AesExpandDecryptKey(key), out);
    return out;
}

}  // namespace

TEST(ElAES, Fips197AppendixC3BothWays) {
    const auto key =
        FromHex<32>("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const auto plain = FromHex<16>("00112233445566778899aabbccddeeff");
    const auto cipher = FromHex<16>("8ea2b7ca516745bfeafc49904b496089");
    EXPECT_EQ(Encrypt(plain, key), cipher);
    EXPECT_EQ(Decrypt(cipher, key), plain);
}

TEST(ElAES, RoundKey14MatchesFips197AppendixA3) {
    const auto key =
        FromHex<32>("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const AesExpandedKey256 expanded = AesExpandEncryptKey(key);
    EXPECT_EQ(AsFipsWord(expanded.Words[0]), 0x603deb10u);
    EXPECT_EQ(AsFipsWord(expanded.Words[8]), 0x9ba35411u);  // first word the schedule makes
    EXPECT_EQ(AsFipsWord(expanded.Words[56]), 0xfe4890d1u);
    EXPECT_EQ(AsFipsWord(expanded.Words[57]), 0xe6188d0bu);
    EXPECT_EQ(AsFipsWord(expanded.Words[58]), 0x046df344u);
    EXPECT_EQ(AsFipsWord(expanded.Words[59]), 0x706c631eu);
}

TEST(ElAES, DecryptionFormKeepsOuterRoundKeysAndChangesTheInnerOnes) {
    const auto key =
        FromHex<32>("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const AesExpandedKey256 encryption = AesExpandEncryptKey(key);
    const AesExpandedKey256 decryption = AesExpandDecryptKey(key);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(decryption.Words[i], encryption.Words[i]);
        EXPECT_EQ(decryption.Words[56 + i], encryption.Words[56 + i]);
    }
    int changed = 0;
    for (int i = 4; i < 56; ++i) {
        changed += decryption.Words[i] != encryption.Words[i];
    }
    EXPECT_GT(changed, 48);
}

TEST(ElAES, Sp80038aEcbAes256Blocks) {
    const auto key =
        FromHex<32>("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const std::pair<const char*, const char*> cases[] = {
        {"6bc1bee22e409f96e93d7e117393172a", "f3eed1bdb5d2a03c064b5a7e3db181f8"},
        {"ae2d8a571e03ac9c9eb76fac45af8e51", "591ccb10d410ed26dc5ba74a31362870"},
        {"30c81c46a35ce411e5fbc1191a0a52ef", "b6ed21b99ca6f4f9f153e7b1beafed1d"},
        {"f69f2445df4f9b17ad2b417be66c3710", "23304b7a39f9f3ff067d8d8f9e24ecc7"},
    };
    for (const auto& [plainHex, cipherHex] : cases) {
        EXPECT_EQ(Encrypt(FromHex<16>(plainHex), key), FromHex<16>(cipherHex)) << plainHex;
        EXPECT_EQ(Decrypt(FromHex<16>(cipherHex), key), FromHex<16>(plainHex)) << cipherHex;
    }
}

TEST(ElAES, AllZeroKeyIsValid) {
    const AesKey256 zeroKey{};
    const AesBlock zeroBlock{};
    const auto expected = FromHex<16>("dc95c078a2408989ad48a21492842087");
    EXPECT_EQ(Encrypt(zeroBlock, zeroKey), expected);
    EXPECT_EQ(Decrypt(expected, zeroKey), zeroBlock);
}

TEST(ElAES, RandomBlocksRoundTripAndInPlaceMatchesSeparateBuffers) {
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        AesKey256 key;
        AesBlock block;
        for (auto& b : key)
            b = static_cast<std::uint8_t>(random());
        for (auto& b : block)
            b = static_cast<std::uint8_t>(random());
        const AesBlock cipher = Encrypt(block, key);
        ASSERT_NE(cipher, block);
        ASSERT_EQ(Decrypt(cipher, key), block);
        AesBlock inPlace = block;
        AesEncryptBytes(inPlace.data(), AesExpandEncryptKey(key), inPlace.data());
        ASSERT_EQ(inPlace, cipher);
    }
}
