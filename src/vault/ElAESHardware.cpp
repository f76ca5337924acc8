#include "vault/ElAESHardware.h"

#include "vault/NodeData.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>
#include <wmmintrin.h>

// Only these functions are compiled for the AES instructions; the rest of the program runs
// on any x86 processor, and they are called only once the processor has proved it has them.
#define COFFERIX_AES_TARGET __attribute__((target("aes,sse2,ssse3")))

namespace {

constexpr int kRounds = 14;
constexpr int kRoundKeyCount = kRounds + 1;
// Blocks in flight per loop step: the AES unit is pipelined, so independent blocks hide
// each other's latency.
constexpr std::size_t kLanes = 8;
constexpr std::size_t kBlockSize = 16;

// The fifteen round keys as the instructions take them: byte j of a register is byte j of
// the round key in FIPS-197 order. The schedule's words are little-endian (byte 4i is the
// low byte of word i); the bytes are spelt out so the layout does not depend on the host's
// byte order. Wiped when the call ends.
struct TRoundKeys {
    __m128i Keys[kRoundKeyCount];

    COFFERIX_AES_TARGET explicit TRoundKeys(const AesExpandedKey256& expanded) {
        for (int round = 0; round < kRoundKeyCount; ++round) {
            alignas(16) std::uint8_t bytes[kBlockSize];
            for (int column = 0; column < 4; ++column) {
                const std::uint32_t word = expanded.Words[4 * round + column];
                for (int row = 0; row < 4; ++row) {
                    bytes[4 * column + row] = static_cast<std::uint8_t>(word >> (8 * row));
                }
            }
            Keys[round] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
            WipeBytes(bytes, sizeof(bytes));
        }
    }
    TRoundKeys(const TRoundKeys&) = delete;
    TRoundKeys& operator=(const TRoundKeys&) = delete;
    ~TRoundKeys() { WipeBytes(Keys, sizeof(Keys)); }
};

COFFERIX_AES_TARGET inline __m128i LoadBlock(const std::uint8_t* in) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
}

COFFERIX_AES_TARGET inline void StoreBlock(__m128i block, std::uint8_t* out) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
}

COFFERIX_AES_TARGET inline __m128i EncryptOne(__m128i block, const __m128i* keys) {
    block = _mm_xor_si128(block, keys[0]);
    for (int round = 1; round < kRounds; ++round) {
        block = _mm_aesenc_si128(block, keys[round]);
    }
    return _mm_aesenclast_si128(block, keys[kRounds]);
}

// The equivalent inverse cipher: the decryption form's round keys 1..13 already carry
// InvMixColumns, which is what the decryption instruction expects.
COFFERIX_AES_TARGET inline __m128i DecryptOne(__m128i block, const __m128i* keys) {
    block = _mm_xor_si128(block, keys[kRounds]);
    for (int round = kRounds - 1; round > 0; --round) {
        block = _mm_aesdec_si128(block, keys[round]);
    }
    return _mm_aesdeclast_si128(block, keys[0]);
}

}  // namespace

bool AesHardwareSupported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("aes") && __builtin_cpu_supports("ssse3");
}

// All lanes are loaded before any is stored, so in and out may be the same buffer.
COFFERIX_AES_TARGET void AesHardwareEncryptBlocks(const std::uint8_t* in,
                                                  const AesExpandedKey256& key, std::uint8_t* out,
                                                  std::size_t blockCount) {
    const TRoundKeys roundKeys(key);
    const __m128i* keys = roundKeys.Keys;
    std::size_t done = 0;
    for (; done + kLanes <= blockCount; done += kLanes) {
        const std::uint8_t* from = in + done * kBlockSize;
        __m128i lanes[kLanes];
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            lanes[lane] = _mm_xor_si128(LoadBlock(from + lane * kBlockSize), keys[0]);
        }
        for (int round = 1; round < kRounds; ++round) {
            for (std::size_t lane = 0; lane < kLanes; ++lane) {
                lanes[lane] = _mm_aesenc_si128(lanes[lane], keys[round]);
            }
        }
        std::uint8_t* to = out + done * kBlockSize;
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            StoreBlock(_mm_aesenclast_si128(lanes[lane], keys[kRounds]), to + lane * kBlockSize);
        }
    }
    for (; done < blockCount; ++done) {
        StoreBlock(EncryptOne(LoadBlock(in + done * kBlockSize), keys), out + done * kBlockSize);
    }
}

COFFERIX_AES_TARGET void AesHardwareDecryptBlocks(const std::uint8_t* in,
                                                  const AesExpandedKey256& key, std::uint8_t* out,
                                                  std::size_t blockCount) {
    const TRoundKeys roundKeys(key);
    const __m128i* keys = roundKeys.Keys;
    std::size_t done = 0;
    for (; done + kLanes <= blockCount; done += kLanes) {
        const std::uint8_t* from = in + done * kBlockSize;
        __m128i lanes[kLanes];
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            lanes[lane] = _mm_xor_si128(LoadBlock(from + lane * kBlockSize), keys[kRounds]);
        }
        for (int round = kRounds - 1; round > 0; --round) {
            for (std::size_t lane = 0; lane < kLanes; ++lane) {
                lanes[lane] = _mm_aesdec_si128(lanes[lane], keys[round]);
            }
        }
        std::uint8_t* to = out + done * kBlockSize;
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            StoreBlock(_mm_aesdeclast_si128(lanes[lane], keys[0]), to + lane * kBlockSize);
        }
    }
    for (; done < blockCount; ++done) {
        StoreBlock(DecryptOne(LoadBlock(in + done * kBlockSize), keys), out + done * kBlockSize);
    }
}

#else

// Other processors have no such path; ElAES stays on its tables.

bool AesHardwareSupported() {
    return false;
}

void AesHardwareEncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                              std::uint8_t* out, std::size_t blockCount) {
    for (std::size_t i = 0; i < blockCount; ++i) {
        AesEncryptBytes(in + 16 * i, key, out + 16 * i);
    }
}

void AesHardwareDecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                              std::uint8_t* out, std::size_t blockCount) {
    for (std::size_t i = 0; i < blockCount; ++i) {
        AesDecryptBytes(in + 16 * i, key, out + 16 * i);
    }
}

#endif
