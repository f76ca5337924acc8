#include <gtest/gtest.h>

#include <numeric>

#include "FailingStream.h"
#include "VaultTestSupport.h"
#include "vault/CofferixError.h"
#include "vault/StreamCodec.h"

namespace {

const AesKey256 kKey = PasswordKey("correct horse battery staple");

TBytes Sequence(std::size_t size, std::uint8_t start = 1) {
    TBytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

// The codec's result computed one block at a time with the block function alone.
TBytes ReferenceEncrypt(TBytes plain) {
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    const AesExpandedKey256 expanded = AesExpandEncryptKey(kKey);
    for (std::size_t i = 0; i < plain.size(); i += 16) {
        AesEncryptBytes(plain.data() + i, expanded, plain.data() + i);
    }
    return plain;
}

TBytes Encrypt(TMemoryStream& source, std::uint32_t count) {
    TMemoryStream destination;
    AesEncryptStream(source, count, kKey, destination);
    return StreamBytes(destination);
}

TBytes Decrypt(TMemoryStream& source, std::uint32_t count) {
    TMemoryStream destination;
    AesDecryptStream(source, count, kKey, destination);
    return StreamBytes(destination);
}

}  // namespace

TEST(StreamCodecCount, ZeroMeansTheWholeSourceFromItsStart) {
    TMemoryStream source;
    FillStream(source, Sequence(48));
    source.Seek(20);
    EXPECT_EQ(Encrypt(source, 0), ReferenceEncrypt(Sequence(48)));
    EXPECT_EQ(source.Position(), 48u);

    TMemoryStream cipher;
    FillStream(cipher, ReferenceEncrypt(Sequence(48)));
    cipher.Seek(32);
    EXPECT_EQ(Decrypt(cipher, 0), Sequence(48));
}

TEST(StreamCodecCount, NonZeroCountStartsAtThePositionAndIsCutToWhatIsLeft) {
    const TBytes bytes = Sequence(64);
    TMemoryStream source;
    FillStream(source, bytes);
    source.Seek(16);
    EXPECT_EQ(Encrypt(source, 32),
              ReferenceEncrypt(TBytes(bytes.begin() + 16, bytes.begin() + 48)));
    EXPECT_EQ(source.Position(), 48u);
    // 1000 asked, 16 left: no read error.
    EXPECT_EQ(Encrypt(source, 1000), ReferenceEncrypt(TBytes(bytes.begin() + 48, bytes.end())));
    // Nothing left at all.
    EXPECT_TRUE(Encrypt(source, 1000).empty());
}

TEST(StreamCodecCount, EmptySourceWritesNothingBothWays) {
    TFailingStream source({}, TFailingStream::kUnlimited, TFailingStream::kUnlimited);
    TFailingStream destination({}, TFailingStream::kUnlimited, TFailingStream::kUnlimited);
    AesEncryptStream(source, 0, kKey, destination);
    AesDecryptStream(source, 0, kKey, destination);
    AesDecryptStream(source, 16, kKey, destination);
    EXPECT_EQ(destination.WriteCalls, 0);
    EXPECT_EQ(source.ReadCalls, 0);
}

TEST(StreamCodecCount, DecryptingOnlyTheHeaderOfALongerStream) {
    // 520 bytes is no whole number of blocks, but only the first 512 are asked for.
    TBytes cipher = ReferenceEncrypt(Sequence(512));
    cipher.resize(520, 0xEE);
    TMemoryStream source;
    FillStream(source, cipher);
    EXPECT_EQ(Decrypt(source, 512), Sequence(512));
    EXPECT_EQ(source.Position(), 512u);
}

TEST(StreamCodecPadding, PartialLastBlockIsZeroPaddedAndComesBackPadded) {
    TMemoryStream source;
    FillStream(source, Sequence(17));
    const TBytes cipher = Encrypt(source, 0);
    ASSERT_EQ(cipher.size(), 32u);
    TMemoryStream cipherStream;
    FillStream(cipherStream, cipher);
    TBytes expected = Sequence(17);
    expected.resize(32, 0);
    EXPECT_EQ(Decrypt(cipherStream, 0), expected);
}

TEST(StreamCodecPadding, WholeBlocksGetNoPaddingBlock) {
    TMemoryStream source;
    FillStream(source, TBytes(512, 0));
    const TBytes cipher = Encrypt(source, 0);
    ASSERT_EQ(cipher.size(), 512u);
    AesBlock zeroCipher{};
    AesEncryptBlock(AesBlock{}, AesExpandEncryptKey(kKey), zeroCipher);
    for (std::size_t i = 0; i < cipher.size(); i += 16) {
        EXPECT_TRUE(std::equal(zeroCipher.begin(), zeroCipher.end(), cipher.begin() + i)) << i;
    }
}

TEST(StreamCodecPadding, LongStreamsMatchBlockByBlockEncryption) {
    // Longer than the codec's internal chunk, with a partial block at the end.
    const TBytes plain = Sequence(3 * 16384 + 100, 7);
    TMemoryStream source;
    FillStream(source, plain);
    const TBytes cipher = Encrypt(source, 0);
    EXPECT_EQ(cipher, ReferenceEncrypt(plain));
    TMemoryStream cipherStream;
    FillStream(cipherStream, cipher);
    TBytes padded = plain;
    padded.resize(cipher.size(), 0);
    EXPECT_EQ(Decrypt(cipherStream, 0), padded);
}

TEST(StreamCodecPadding, ExpandedFormsGiveTheSameResult) {
    const TBytes plain = Sequence(100);
    TMemoryStream source;
    TMemoryStream cipher;
    FillStream(source, plain);
    AesEncryptStreamExpanded(source, 0, AesExpandEncryptKey(kKey), cipher);
    EXPECT_EQ(StreamBytes(cipher), ReferenceEncrypt(plain));
    TMemoryStream back;
    AesDecryptStreamExpanded(cipher, 0, AesExpandDecryptKey(kKey), back);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), StreamBytes(back).begin()));
}

TEST(StreamCodecErrors, DecryptingAPartialBlockFailsBeforeAnyIo) {
    TFailingStream source(Sequence(20), TFailingStream::kUnlimited, TFailingStream::kUnlimited);
    TFailingStream destination({}, TFailingStream::kUnlimited, TFailingStream::kUnlimited);
    EXPECT_EQ(ErrorText([&] { AesDecryptStream(source, 0, kKey, destination); }),
              "Invalid buffer size for decryption");
    EXPECT_THROW(AesDecryptStream(source, 0, kKey, destination), EAESError);
    EXPECT_EQ(source.ReadCalls, 0);
    EXPECT_EQ(destination.WriteCalls, 0);
}

TEST(StreamCodecErrors, ShortReadRaisesAndKeepsTheBlocksBeforeIt) {
    TFailingStream source(Sequence(64), 40, TFailingStream::kUnlimited);
    TMemoryStream destination;
    EXPECT_EQ(ErrorText([&] { AesEncryptStream(source, 0, kKey, destination); }),
              "Stream read error");
    const TBytes expected = ReferenceEncrypt(Sequence(32));
    EXPECT_EQ(StreamBytes(destination), expected);

    TFailingStream cipher(ReferenceEncrypt(Sequence(64)), 50, TFailingStream::kUnlimited);
    TMemoryStream plain;
    EXPECT_THROW(AesDecryptStream(cipher, 0, kKey, plain), EStreamError);
    EXPECT_EQ(StreamBytes(plain), Sequence(48));
}

TEST(StreamCodecErrors, ShortReadOfThePartialLastBlock) {
    TFailingStream source(Sequence(20), 18, TFailingStream::kUnlimited);
    TMemoryStream destination;
    EXPECT_EQ(ErrorText([&] { AesEncryptStream(source, 0, kKey, destination); }),
              "Stream read error");
    EXPECT_EQ(destination.Size(), 16u);
}

TEST(StreamCodecErrors, ShortWriteRaisesBothWays) {
    TMemoryStream source;
    FillStream(source, Sequence(64));
    TFailingStream destination({}, TFailingStream::kUnlimited, 20);
    EXPECT_EQ(ErrorText([&] { AesEncryptStream(source, 0, kKey, destination); }),
              "Stream write error");
    EXPECT_EQ(destination.Size(), 20u);

    TMemoryStream cipher;
    FillStream(cipher, ReferenceEncrypt(Sequence(64)));
    TFailingStream plain({}, TFailingStream::kUnlimited, 0);
    EXPECT_THROW(AesDecryptStream(cipher, 0, kKey, plain), EStreamError);
}

TEST(PasswordKey, FirstThirtyTwoBytesZeroPaddedNoConversion) {
    const std::string forty = "0123456789abcdefghijABCDEFGHIJ!@#$%^&*()";
    ASSERT_EQ(forty.size(), 40u);
    EXPECT_EQ(PasswordKey(forty), PasswordKey(forty.substr(0, 32)));
    EXPECT_NE(PasswordKey(forty.substr(0, 32)), PasswordKey(forty.substr(0, 31)));

    AesKey256 five{};
    const std::string shortText = "aB\xFF\x01z";
    std::copy(shortText.begin(), shortText.end(), five.begin());
    EXPECT_EQ(PasswordKey(shortText), five);
    EXPECT_EQ(PasswordKey(""), AesKey256{});
}

TEST(MemoryStream, GrowsReadsBackAndZeroFillsGaps) {
    TMemoryStream stream;
    const TBytes bytes = Sequence(10000);
    EXPECT_EQ(stream.Write(bytes.data(), 10000), 10000u);
    EXPECT_EQ(StreamBytes(stream), bytes);
    stream.Seek(10010);
    const std::uint8_t tail = 0x7A;
    stream.Write(&tail, 1);
    EXPECT_EQ(stream.Size(), 10011u);
    EXPECT_EQ(stream.Data()[10005], 0);
    stream.Seek(9998);
    std::uint8_t read[8] = {};
    EXPECT_EQ(stream.Read(read, 8), 8u);
    EXPECT_EQ(read[0], bytes[9998]);
    stream.SetSize(4);
    EXPECT_EQ(stream.Size(), 4u);
    EXPECT_EQ(stream.Read(read, 8), 0u);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(stream.Position(), 0u);
}
