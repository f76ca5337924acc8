#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "VaultTestSupport.h"
#include "vault/ElAES.h"
#include "vault/StreamCodec.h"

// The multi-block cipher runs on the processor's AES instructions where it can (one, two or four
// blocks per register) and on the tables elsewhere; all must give the standard's bytes, so every
// case runs on every path the processor has.

namespace {

constexpr TAesPath kAllPaths[] = {TAesPath::Tables, TAesPath::AesNi, TAesPath::Vaes256,
                                  TAesPath::Vaes512};

TBytes RandomBytes(std::mt19937& random, std::size_t size) {
    TBytes bytes(size);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

AesKey256 KeyFromHex(const std::string& hex) {
    const TBytes bytes = HexBytes(hex);
    AesKey256 key{};
    std::copy_n(bytes.begin(), key.size(), key.begin());
    return key;
}

TBytes EncryptStream(const TBytes& plain, const AesKey256& key, std::uint32_t count = 0) {
    TMemoryStream source;
    TMemoryStream destination;
    FillStream(source, plain);
    AesEncryptStream(source, count, key, destination);
    return StreamBytes(destination);
}

TBytes DecryptStream(const TBytes& cipher, const AesKey256& key) {
    TMemoryStream source;
    TMemoryStream destination;
    FillStream(source, cipher);
    AesDecryptStream(source, 0, key, destination);
    return StreamBytes(destination);
}

// Block by block with the public block functions, which are table-driven on every processor.
TBytes ReferenceEncrypt(TBytes plain, const AesKey256& key) {
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    const AesExpandedKey256 expanded = AesExpandEncryptKey(key);
    for (std::size_t i = 0; i < plain.size(); i += 16) {
        AesEncryptBytes(plain.data() + i, expanded, plain.data() + i);
    }
    return plain;
}

}  // namespace

class CipherPathTest : public ::testing::TestWithParam<TAesPath> {
protected:
    void SetUp() override {
        if (!AesPathAvailable(GetParam())) {
            GTEST_SKIP() << "this processor or system cannot run " << AesPathName(GetParam());
        }
    }
};

TEST_P(CipherPathTest, TheChosenPathIsTheOneInUse) {
    const TCipherPathScope path(GetParam());
    EXPECT_EQ(AesPathInUse(), GetParam());
    EXPECT_EQ(AesUsesHardware(), GetParam() != TAesPath::Tables);
}

// Alone, and repeated 100 times so that the block sits in every lane of every register of the
// interleaved steps and of the partial step after them.
TEST_P(CipherPathTest, Fips197AppendixC3ThroughTheStreamCodecBothWays) {
    const TCipherPathScope path(GetParam());
    const AesKey256 key =
        KeyFromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const TBytes plainBlock = HexBytes("00112233445566778899aabbccddeeff");
    const TBytes cipherBlock = HexBytes("8ea2b7ca516745bfeafc49904b496089");
    for (const int copies : {1, 100}) {
        TBytes plain;
        TBytes cipher;
        for (int i = 0; i < copies; ++i) {
            plain.insert(plain.end(), plainBlock.begin(), plainBlock.end());
            cipher.insert(cipher.end(), cipherBlock.begin(), cipherBlock.end());
        }
        EXPECT_EQ(EncryptStream(plain, key), cipher) << copies;
        EXPECT_EQ(DecryptStream(cipher, key), plain) << copies;
    }
}

TEST_P(CipherPathTest, Sp80038aEcbAes256AsOneStreamOfFourBlocks) {
    const TCipherPathScope path(GetParam());
    const AesKey256 key =
        KeyFromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const TBytes plain = HexBytes(
        "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
        "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    const TBytes cipher = HexBytes(
        "f3eed1bdb5d2a03c064b5a7e3db181f8591ccb10d410ed26dc5ba74a31362870"
        "b6ed21b99ca6f4f9f153e7b1beafed1d23304b7a39f9f3ff067d8d8f9e24ecc7");
    EXPECT_EQ(EncryptStream(plain, key), cipher);
    EXPECT_EQ(DecryptStream(cipher, key), plain);
}

// Every block count from 0 to 40, and some longer runs, cross the interleaved steps (8, 16 or 32
// blocks) and every remainder after them; the blocks sit at an odd address so no alignment is
// assumed, and the bytes around them (a whole 512-bit register beyond the end) stay untouched.
TEST_P(CipherPathTest, BlockRunsOfEveryLengthMatchTheBlockFunctionInPlaceOrNot) {
    const TCipherPathScope path(GetParam());
    std::mt19937 random(77);
    const AesKey256 key = PasswordKey("every length");
    const AesExpandedKey256 encryption = AesExpandEncryptKey(key);
    const AesExpandedKey256 decryption = AesExpandDecryptKey(key);
    constexpr std::size_t kGuard = 64;
    constexpr std::uint8_t kGuardByte = 0xA5;
    const auto guardsKept = [&](const TBytes& buffer) {
        return buffer.front() == kGuardByte &&
               std::all_of(buffer.end() - kGuard, buffer.end(),
                           [&](std::uint8_t b) { return b == kGuardByte; });
    };
    std::vector<std::size_t> counts(41);
    std::iota(counts.begin(), counts.end(), 0);
    counts.insert(counts.end(), {63, 65, 100, 1027});
    for (const std::size_t blocks : counts) {
        const TBytes plain = RandomBytes(random, 16 * blocks);
        const TBytes expected = ReferenceEncrypt(plain, key);
        TBytes input(1 + plain.size() + kGuard, kGuardByte);
        std::copy(plain.begin(), plain.end(), input.begin() + 1);
        TBytes output(input.size(), kGuardByte);
        AesEncryptBlocks(input.data() + 1, encryption, output.data() + 1, blocks);
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), output.begin() + 1)) << blocks;
        ASSERT_TRUE(guardsKept(output)) << blocks;
        AesEncryptBlocks(input.data() + 1, encryption, input.data() + 1, blocks);
        ASSERT_EQ(input, output) << blocks;
        AesDecryptBlocks(input.data() + 1, decryption, input.data() + 1, blocks);
        ASSERT_TRUE(std::equal(plain.begin(), plain.end(), input.begin() + 1)) << blocks;
        ASSERT_TRUE(guardsKept(input)) << blocks;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, CipherPathTest, ::testing::ValuesIn(kAllPaths),
                         [](const ::testing::TestParamInfo<TAesPath>& info) {
                             std::string name = AesPathName(info.param);
                             std::erase(name, '-');
                             return name;
                         });

// A few MiB through the codec on each path under random keys, with lengths that end in a
// partial block and counts that stop short of the source's end.
TEST(CipherPaths, EveryHardwarePathGivesTheTablesStreamsForRandomInput) {
    if (!AesHardwareAvailable()) {
        GTEST_SKIP() << "this processor has no AES instructions";
    }
    std::mt19937 random(20240607);
    const std::size_t sizes[] = {3u << 20, (1u << 20) + 1, 16 * 1021 + 15, 16 * 7, 5};
    for (const std::size_t size : sizes) {
        const TBytes plain = RandomBytes(random, size);
        AesKey256 key;
        for (auto& b : key) {
            b = static_cast<std::uint8_t>(random());
        }
        const auto count = static_cast<std::uint32_t>(size > 100 ? size - 37 : 0);
        TBytes byTables;
        TBytes backByTables;
        {
            const TCipherPathScope path(TAesPath::Tables);
            byTables = EncryptStream(plain, key, count);
            backByTables = DecryptStream(byTables, key);
        }
        ASSERT_TRUE(std::equal(backByTables.begin(), backByTables.begin() + (count ? count : size),
                               plain.begin()))
            << size;
        for (const TAesPath hardware : kAllPaths) {
            if (hardware == TAesPath::Tables || !AesPathAvailable(hardware)) {
                continue;
            }
            const TCipherPathScope path(hardware);
            ASSERT_EQ(EncryptStream(plain, key, count), byTables) << AesPathName(hardware) << size;
            ASSERT_EQ(DecryptStream(byTables, key), backByTables) << AesPathName(hardware) << size;
        }
    }
}
