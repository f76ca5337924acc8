#include "vault/ElAESWide.h"

#include "vault/NodeData.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

// Only the functions marked with these are compiled for the wider instructions; the rest of the
// program stays baseline x86, and they run only once the processor and the operating system have
// shown that they can.
#define COFFERIX_VAES256_TARGET __attribute__((target("sse2,aes,avx,avx2,vaes")))
#define COFFERIX_VAES512_TARGET __attribute__((target("sse2,aes,avx,avx2,vaes,avx512f,avx512vl")))

namespace {

constexpr int kRounds = 14;
constexpr int kRoundKeyCount = kRounds + 1;
constexpr std::size_t kBlockSize = 16;
// Registers in flight per loop step: the AES unit is pipelined and takes a new round every cycle
// or two, so this many independent rounds cover the latency of each.
constexpr int kRegistersPerStep = 8;
constexpr std::size_t kYmmStepBlocks = kRegistersPerStep * 2;
constexpr std::size_t kZmmStepBlocks = kRegistersPerStep * 4;

// XCR0: the SSE and AVX register state; that plus the mask registers and the upper 512-bit state.
constexpr std::uint64_t kYmmState = 0x06;
constexpr std::uint64_t kZmmState = 0xE6;

struct TWideSupport {
    bool Vaes256 = false;
    bool Vaes512 = false;
};

std::uint64_t ReadXcr0() {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (std::uint64_t{high} << 32) | low;
}

// A processor may have the instructions while the operating system does not save the wider
// registers on a task switch; then they must not be used.
TWideSupport DetectWideSupport() {
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        return {};
    }
    // XGETBV exists only once the operating system has turned XSAVE on (OSXSAVE).
    if (!(ecx & bit_AES) || !(ecx & bit_AVX) || !(ecx & bit_OSXSAVE)) {
        return {};
    }
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) {
        return {};
    }
    const std::uint64_t xcr0 = ReadXcr0();
    TWideSupport support;
    support.Vaes256 = (ecx & bit_VAES) && (ebx & bit_AVX2) && (xcr0 & kYmmState) == kYmmState;
    support.Vaes512 = support.Vaes256 && (ebx & bit_AVX512F) && (ebx & bit_AVX512VL) &&
                      (xcr0 & kZmmState) == kZmmState;
    return support;
}

const TWideSupport& WideSupport() {
    static const TWideSupport support = DetectWideSupport();
    return support;
}

// Round key `round` with byte j in byte j of the register, as the instructions take it. The
// schedule's words are little-endian (byte 4i is the low byte of word i), which is how x86 stores
// them, so their memory already holds that order.
COFFERIX_VAES256_TARGET inline __m128i RoundKey(const AesExpandedKey256& expanded, int round) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(expanded.Words.data() + 4 * round));
}

// The fifteen round keys, each repeated in every 128-bit lane of a register. Wiped when the call
// ends.
struct TYmmRoundKeys {
    __m256i Keys[kRoundKeyCount];

    COFFERIX_VAES256_TARGET explicit TYmmRoundKeys(const AesExpandedKey256& expanded) {
        for (int round = 0; round < kRoundKeyCount; ++round) {
            Keys[round] = _mm256_broadcastsi128_si256(RoundKey(expanded, round));
        }
    }
    TYmmRoundKeys(const TYmmRoundKeys&) = delete;
    TYmmRoundKeys& operator=(const TYmmRoundKeys&) = delete;
    ~TYmmRoundKeys() { WipeBytes(Keys, sizeof(Keys)); }
};

struct TZmmRoundKeys {
    __m512i Keys[kRoundKeyCount];

    COFFERIX_VAES512_TARGET explicit TZmmRoundKeys(const AesExpandedKey256& expanded) {
        for (int round = 0; round < kRoundKeyCount; ++round) {
            // The zeroing form: GCC 12 warns that the plain one reads an undefined register.
            Keys[round] = _mm512_maskz_broadcast_i32x4(0xFFFF, RoundKey(expanded, round));
        }
    }
    TZmmRoundKeys(const TZmmRoundKeys&) = delete;
    TZmmRoundKeys& operator=(const TZmmRoundKeys&) = delete;
    ~TZmmRoundKeys() { WipeBytes(Keys, sizeof(Keys)); }
};

// Encrypts, or decrypts with the equivalent inverse cipher's keys, up to kYmmStepBlocks blocks,
// two to a register. All loads come before any store, so in and out may be the same buffer. A
// partial step reads and writes only its blocks, through masks.
template <bool Decrypt, bool Partial>
COFFERIX_VAES256_TARGET inline void Vaes256Step(const std::uint8_t* in, std::uint8_t* out,
                                                std::size_t blocks, const __m256i* keys) {
    __m256i state[kRegistersPerStep];
    __m256i masks[kRegistersPerStep];
    const __m256i first = keys[Decrypt ? kRounds : 0];
#pragma GCC unroll 8
    for (int r = 0; r < kRegistersPerStep; ++r) {
        if constexpr (Partial) {
            // 64-bit element e of register r is stored while 4r + e < 2 * blocks.
            const auto left = static_cast<long long>(2 * blocks) - 4 * r;
            masks[r] = _mm256_cmpgt_epi64(_mm256_set1_epi64x(left), _mm256_setr_epi64x(0, 1, 2, 3));
            state[r] = left > 0 ? _mm256_maskload_epi64(
                                      reinterpret_cast<const long long*>(in + 32 * r), masks[r])
                                : _mm256_setzero_si256();
        } else {
            state[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 32 * r));
        }
        state[r] = _mm256_xor_si256(state[r], first);
    }
    for (int round = 1; round < kRounds; ++round) {
        const __m256i key = keys[Decrypt ? kRounds - round : round];
#pragma GCC unroll 8
        for (int r = 0; r < kRegistersPerStep; ++r) {
            state[r] =
                Decrypt ? _mm256_aesdec_epi128(state[r], key) : _mm256_aesenc_epi128(state[r], key);
        }
    }
    const __m256i last = keys[Decrypt ? 0 : kRounds];
#pragma GCC unroll 8
    for (int r = 0; r < kRegistersPerStep; ++r) {
        const __m256i block = Decrypt ? _mm256_aesdeclast_epi128(state[r], last)
                                      : _mm256_aesenclast_epi128(state[r], last);
        if constexpr (Partial) {
            if (2 * blocks > 4 * static_cast<std::size_t>(r)) {
                _mm256_maskstore_epi64(reinterpret_cast<long long*>(out + 32 * r), masks[r], block);
            }
        } else {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * r), block);
        }
    }
}

template <bool Decrypt>
COFFERIX_VAES256_TARGET void Vaes256Blocks(const std::uint8_t* in, const AesExpandedKey256& key,
                                           std::uint8_t* out, std::size_t blockCount) {
    const TYmmRoundKeys roundKeys(key);
    std::size_t done = 0;
    for (; done + kYmmStepBlocks <= blockCount; done += kYmmStepBlocks) {
        Vaes256Step<Decrypt, false>(in + done * kBlockSize, out + done * kBlockSize, kYmmStepBlocks,
                                    roundKeys.Keys);
    }
    if (done < blockCount) {
        Vaes256Step<Decrypt, true>(in + done * kBlockSize, out + done * kBlockSize,
                                   blockCount - done, roundKeys.Keys);
    }
}

// Bit e of the mask of register r covers its 64-bit element e: set while 8r + e < 2 * blocks.
COFFERIX_VAES512_TARGET inline __mmask8 ZmmMask(std::size_t blocks, int r) {
    const std::size_t before = 8 * static_cast<std::size_t>(r);
    const std::size_t elements = 2 * blocks;
    if (elements <= before) {
        return 0;
    }
    return elements - before >= 8 ? 0xFF : static_cast<__mmask8>((1u << (elements - before)) - 1);
}

// As Vaes256Step, four blocks to a register.
template <bool Decrypt, bool Partial>
COFFERIX_VAES512_TARGET inline void Vaes512Step(const std::uint8_t* in, std::uint8_t* out,
                                                std::size_t blocks, const __m512i* keys) {
    __m512i state[kRegistersPerStep];
    const __m512i first = keys[Decrypt ? kRounds : 0];
#pragma GCC unroll 8
    for (int r = 0; r < kRegistersPerStep; ++r) {
        if constexpr (Partial) {
            const __mmask8 mask = ZmmMask(blocks, r);
            state[r] = mask ? _mm512_maskz_loadu_epi64(mask, in + 64 * r) : _mm512_setzero_si512();
        } else {
            state[r] = _mm512_loadu_si512(in + 64 * r);
        }
        state[r] = _mm512_xor_si512(state[r], first);
    }
    for (int round = 1; round < kRounds; ++round) {
        const __m512i key = keys[Decrypt ? kRounds - round : round];
#pragma GCC unroll 8
        for (int r = 0; r < kRegistersPerStep; ++r) {
            state[r] =
                Decrypt ? _mm512_aesdec_epi128(state[r], key) : _mm512_aesenc_epi128(state[r], key);
        }
    }
    const __m512i last = keys[Decrypt ? 0 : kRounds];
#pragma GCC unroll 8
    for (int r = 0; r < kRegistersPerStep; ++r) {
        const __m512i block = Decrypt ? _mm512_aesdeclast_epi128(state[r], last)
                                      : _mm512_aesenclast_epi128(state[r], last);
        if constexpr (Partial) {
            const __mmask8 mask = ZmmMask(blocks, r);
            if (mask) {
                _mm512_mask_storeu_epi64(out + 64 * r, mask, block);
            }
        } else {
            _mm512_storeu_si512(out + 64 * r, block);
        }
    }
}

template <bool Decrypt>
COFFERIX_VAES512_TARGET void Vaes512Blocks(const std::uint8_t* in, const AesExpandedKey256& key,
                                           std::uint8_t* out, std::size_t blockCount) {
    const TZmmRoundKeys roundKeys(key);
    std::size_t done = 0;
    for (; done + kZmmStepBlocks <= blockCount; done += kZmmStepBlocks) {
        Vaes512Step<Decrypt, false>(in + done * kBlockSize, out + done * kBlockSize, kZmmStepBlocks,
                                    roundKeys.Keys);
    }
    if (done < blockCount) {
        Vaes512Step<Decrypt, true>(in + done * kBlockSize, out + done * kBlockSize,
                                   blockCount - done, roundKeys.Keys);
    }
}

}  // namespace

bool AesVaes256Supported() {
    return WideSupport().Vaes256;
}

bool AesVaes512Supported() {
    return WideSupport().Vaes512;
}

void AesVaes256EncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount) {
    Vaes256Blocks<false>(in, key, out, blockCount);
}

void AesVaes256DecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount) {
    Vaes256Blocks<true>(in, key, out, blockCount);
}

void AesVaes512EncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount) {
    Vaes512Blocks<false>(in, key, out, blockCount);
}

void AesVaes512DecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount) {
    Vaes512Blocks<true>(in, key, out, blockCount);
}

#else

// Other processors have no such path; ElAES stays on its tables.

bool AesVaes256Supported() {
    return false;
}

bool AesVaes512Supported() {
    return false;
}

namespace {

void TableEncrypt(const std::uint8_t* in, const AesExpandedKey256& key, std::uint8_t* out,
                  std::size_t blockCount) {
    for (std::size_t i = 0; i < blockCount; ++i) {
        AesEncryptBytes(in + 16 * i, key, out + 16 * i);
    }
}

void TableDecrypt(const std::uint8_t* in, const AesExpandedKey256& key, std::uint8_t* out,
                  std::size_t blockCount) {
    for (std::size_t i = 0; i < blockCount; ++i) {
        AesDecryptBytes(in + 16 * i, key, out + 16 * i);
    }
}

}  // namespace

void AesVaes256EncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount) {
    TableEncrypt(in, key, out, blockCount);
}

void AesVaes256DecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount) {
    TableDecrypt(in, key, out, blockCount);
}

void AesVaes512EncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount) {
    TableEncrypt(in, key, out, blockCount);
}

void AesVaes512DecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount) {
    TableDecrypt(in, key, out, blockCount);
}

#endif
