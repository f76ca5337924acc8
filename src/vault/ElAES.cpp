#include "vault/ElAES.h"

#include <atomic>
#include <bit>
#include <cstdlib>
#include <string_view>

#include "vault/ElAESHardware.h"
#include "vault/ElAESWide.h"
#include "vault/NodeData.h"

// Words hold four state bytes little-endian: byte r of a column is bits 8r..8r+7. With that
// layout the MixColumns contribution of a byte in row r is the row-0 table entry rotated
// left by 8r bits, so one round table serves all four rows.

namespace {

using std::uint32_t;
using std::uint8_t;

constexpr uint8_t XTime(uint8_t b) {
    return static_cast<uint8_t>((b << 1) ^ ((b & 0x80) ? 0x1B : 0x00));
}

constexpr uint8_t GfMultiply(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    while (b != 0) {
        if (b & 1) {
            product ^= a;
        }
        a = XTime(a);
        b = static_cast<uint8_t>(b >> 1);
    }
    return product;
}

constexpr uint8_t RotateByteLeft(uint8_t b, int shift) {
    return static_cast<uint8_t>((b << shift) | (b >> (8 - shift)));
}

// Walks the multiplicative group with generator 3 and its inverse at once, applying the
// affine transform of FIPS-197 5.1.1 to each inverse.
constexpr std::array<uint8_t, 256> MakeSBox() {
    std::array<uint8_t, 256> box{};
    uint8_t p = 1;
    uint8_t q = 1;
    do {
        p = static_cast<uint8_t>(p ^ XTime(p));  // p * 3
        q = static_cast<uint8_t>(q ^ (q << 1));  // q / 3
        q = static_cast<uint8_t>(q ^ (q << 2));
        q = static_cast<uint8_t>(q ^ (q << 4));
        if (q & 0x80) {
            q ^= 0x09;
        }
        const uint8_t affine =
            static_cast<uint8_t>(q ^ RotateByteLeft(q, 1) ^ RotateByteLeft(q, 2) ^
                                 RotateByteLeft(q, 3) ^ RotateByteLeft(q, 4));
        box[p] = static_cast<uint8_t>(affine ^ 0x63);
    } while (p != 1);
    box[0] = 0x63;
    return box;
}

constexpr std::array<uint8_t, 256> kSBox = MakeSBox();

constexpr std::array<uint8_t, 256> MakeInverseSBox() {
    std::array<uint8_t, 256> inverse{};
    for (int i = 0; i < 256; ++i) {
        inverse[kSBox[i]] = static_cast<uint8_t>(i);
    }
    return inverse;
}

constexpr std::array<uint8_t, 256> kInverseSBox = MakeInverseSBox();

constexpr uint32_t PackWord(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    return uint32_t{b0} | (uint32_t{b1} << 8) | (uint32_t{b2} << 16) | (uint32_t{b3} << 24);
}

// SubBytes + MixColumns for a byte in row 0: the column (2s, s, s, 3s).
constexpr std::array<uint32_t, 256> MakeForwardTable() {
    std::array<uint32_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const uint8_t s = kSBox[i];
        table[i] = PackWord(GfMultiply(s, 2), s, s, GfMultiply(s, 3));
    }
    return table;
}

// InvSubBytes + InvMixColumns for a byte in row 0: the column (14s, 9s, 13s, 11s).
constexpr std::array<uint32_t, 256> MakeInverseTable() {
    std::array<uint32_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const uint8_t s = kInverseSBox[i];
        table[i] =
            PackWord(GfMultiply(s, 14), GfMultiply(s, 9), GfMultiply(s, 13), GfMultiply(s, 11));
    }
    return table;
}

constexpr std::array<uint32_t, 256> Widen(const std::array<uint8_t, 256>& bytes) {
    std::array<uint32_t, 256> words{};
    for (int i = 0; i < 256; ++i) {
        words[i] = bytes[i];
    }
    return words;
}

alignas(64) constexpr std::array<uint32_t, 256> kForwardTable = MakeForwardTable();
alignas(64) constexpr std::array<uint32_t, 256> kSBoxWide = Widen(kSBox);
alignas(64) constexpr std::array<uint32_t, 256> kInverseTable = MakeInverseTable();
alignas(64) constexpr std::array<uint32_t, 256> kInverseSBoxWide = Widen(kInverseSBox);

static_assert(kSBox[0x00] == 0x63 && kSBox[0x53] == 0xED && kSBox[0xFF] == 0x16);
static_assert(kInverseSBox[0x63] == 0x00 && kInverseSBox[0x16] == 0xFF);

constexpr uint8_t Byte0(uint32_t w) {
    return static_cast<uint8_t>(w);
}
constexpr uint8_t Byte1(uint32_t w) {
    return static_cast<uint8_t>(w >> 8);
}
constexpr uint8_t Byte2(uint32_t w) {
    return static_cast<uint8_t>(w >> 16);
}
constexpr uint8_t Byte3(uint32_t w) {
    return static_cast<uint8_t>(w >> 24);
}

inline uint32_t LoadWord(const uint8_t* p) {
    return PackWord(p[0], p[1], p[2], p[3]);
}

inline void StoreWord(uint32_t w, uint8_t* p) {
    p[0] = Byte0(w);
    p[1] = Byte1(w);
    p[2] = Byte2(w);
    p[3] = Byte3(w);
}

struct TState {
    uint32_t W0, W1, W2, W3;
};

inline TState LoadState(const uint8_t* in, const uint32_t* roundKey) {
    return {LoadWord(in) ^ roundKey[0], LoadWord(in + 4) ^ roundKey[1],
            LoadWord(in + 8) ^ roundKey[2], LoadWord(in + 12) ^ roundKey[3]};
}

inline void StoreState(const TState& s, uint8_t* out) {
    StoreWord(s.W0, out);
    StoreWord(s.W1, out + 4);
    StoreWord(s.W2, out + 8);
    StoreWord(s.W3, out + 12);
}

// One full round on four table lookups per column; the rows come from the columns that
// ShiftRows (or InvShiftRows) moves into this one.
inline uint32_t RoundColumn(const std::array<uint32_t, 256>& table, uint32_t row0, uint32_t row1,
                            uint32_t row2, uint32_t row3, uint32_t roundKey) {
    return table[Byte0(row0)] ^ std::rotl(table[Byte1(row1)], 8) ^
           std::rotl(table[Byte2(row2)], 16) ^ std::rotl(table[Byte3(row3)], 24) ^ roundKey;
}

inline uint32_t LastRoundColumn(const std::array<uint32_t, 256>& table, uint32_t row0,
                                uint32_t row1, uint32_t row2, uint32_t row3, uint32_t roundKey) {
    return table[Byte0(row0)] ^ (table[Byte1(row1)] << 8) ^ (table[Byte2(row2)] << 16) ^
           (table[Byte3(row3)] << 24) ^ roundKey;
}

inline TState EncryptRound(const TState& s, const uint32_t* rk) {
    const auto& t = kForwardTable;
    return {RoundColumn(t, s.W0, s.W1, s.W2, s.W3, rk[0]),
            RoundColumn(t, s.W1, s.W2, s.W3, s.W0, rk[1]),
            RoundColumn(t, s.W2, s.W3, s.W0, s.W1, rk[2]),
            RoundColumn(t, s.W3, s.W0, s.W1, s.W2, rk[3])};
}

inline TState EncryptLastRound(const TState& s, const uint32_t* rk) {
    const auto& t = kSBoxWide;
    return {LastRoundColumn(t, s.W0, s.W1, s.W2, s.W3, rk[0]),
            LastRoundColumn(t, s.W1, s.W2, s.W3, s.W0, rk[1]),
            LastRoundColumn(t, s.W2, s.W3, s.W0, s.W1, rk[2]),
            LastRoundColumn(t, s.W3, s.W0, s.W1, s.W2, rk[3])};
}

inline TState DecryptRound(const TState& s, const uint32_t* rk) {
    const auto& t = kInverseTable;
    return {RoundColumn(t, s.W0, s.W3, s.W2, s.W1, rk[0]),
            RoundColumn(t, s.W1, s.W0, s.W3, s.W2, rk[1]),
            RoundColumn(t, s.W2, s.W1, s.W0, s.W3, rk[2]),
            RoundColumn(t, s.W3, s.W2, s.W1, s.W0, rk[3])};
}

inline TState DecryptLastRound(const TState& s, const uint32_t* rk) {
    const auto& t = kInverseSBoxWide;
    return {LastRoundColumn(t, s.W0, s.W3, s.W2, s.W1, rk[0]),
            LastRoundColumn(t, s.W1, s.W0, s.W3, s.W2, rk[1]),
            LastRoundColumn(t, s.W2, s.W1, s.W0, s.W3, rk[2]),
            LastRoundColumn(t, s.W3, s.W2, s.W1, s.W0, rk[3])};
}

uint32_t SubWord(uint32_t w) {
    return LastRoundColumn(kSBoxWide, w, w, w, w, 0);
}

// InvMixColumns of one round-key word: the inverse round table undoes the S-box it holds
// when fed S-box outputs.
uint32_t InvMixColumnsWord(uint32_t w) {
    return RoundColumn(kInverseTable, kSBoxWide[Byte0(w)], kSBoxWide[Byte1(w)] << 8,
                       kSBoxWide[Byte2(w)] << 16, kSBoxWide[Byte3(w)] << 24, 0);
}

}  // namespace

AesExpandedKey256 AesExpandEncryptKey(const AesKey256& key) {
    AesExpandedKey256 expanded;
    auto& w = expanded.Words;
    for (int i = 0; i < 8; ++i) {
        w[i] = LoadWord(key.data() + 4 * i);
    }
    uint32_t roundConstant = 0x01;
    for (int i = 8; i < 64; ++i) {
        uint32_t temp = w[i - 1];
        if (i % 8 == 0) {
            temp = SubWord(std::rotr(temp, 8)) ^ roundConstant;
            roundConstant = XTime(static_cast<uint8_t>(roundConstant));
        } else if (i % 8 == 4) {
            temp = SubWord(temp);
        }
        w[i] = w[i - 8] ^ temp;
    }
    return expanded;
}

AesExpandedKey256 AesExpandDecryptKey(const AesKey256& key) {
    AesExpandedKey256 expanded = AesExpandEncryptKey(key);
    for (int i = 4; i < 56; ++i) {
        expanded.Words[i] = InvMixColumnsWord(expanded.Words[i]);
    }
    return expanded;
}

void AesEncryptBytes(const uint8_t* in, const AesExpandedKey256& key, uint8_t* out) {
    const uint32_t* rk = key.Words.data();
    TState s = LoadState(in, rk);
    s = EncryptRound(s, rk + 4);
    s = EncryptRound(s, rk + 8);
    s = EncryptRound(s, rk + 12);
    s = EncryptRound(s, rk + 16);
    s = EncryptRound(s, rk + 20);
    s = EncryptRound(s, rk + 24);
    s = EncryptRound(s, rk + 28);
    s = EncryptRound(s, rk + 32);
    s = EncryptRound(s, rk + 36);
    s = EncryptRound(s, rk + 40);
    s = EncryptRound(s, rk + 44);
    s = EncryptRound(s, rk + 48);
    s = EncryptRound(s, rk + 52);
    s = EncryptLastRound(s, rk + 56);
    StoreState(s, out);
}

void AesDecryptBytes(const uint8_t* in, const AesExpandedKey256& key, uint8_t* out) {
    const uint32_t* rk = key.Words.data();
    TState s = LoadState(in, rk + 56);
    s = DecryptRound(s, rk + 52);
    s = DecryptRound(s, rk + 48);
    s = DecryptRound(s, rk + 44);
    s = DecryptRound(s, rk + 40);
    s = DecryptRound(s, rk + 36);
    s = DecryptRound(s, rk + 32);
    s = DecryptRound(s, rk + 28);
    s = DecryptRound(s, rk + 24);
    s = DecryptRound(s, rk + 20);
    s = DecryptRound(s, rk + 16);
    s = DecryptRound(s, rk + 12);
    s = DecryptRound(s, rk + 8);
    s = DecryptRound(s, rk + 4);
    s = DecryptLastRound(s, rk);
    StoreState(s, out);
}

void AesEncryptBlock(const AesBlock& input, const AesExpandedKey256& key, AesBlock& output) {
    AesEncryptBytes(input.data(), key, output.data());
}

void AesDecryptBlock(const AesBlock& input, const AesExpandedKey256& key, AesBlock& output) {
    AesDecryptBytes(input.data(), key, output.data());
}

namespace {

// Undecided until first use, then one of TAesPath's values.
constexpr int kUndecided = -1;

std::atomic<int> gCipherPath{kUndecided};

// Widest first: on processors that have them, wider registers carry more blocks per instruction.
TAesPath FastestPath() {
    for (const TAesPath path : {TAesPath::Vaes512, TAesPath::Vaes256, TAesPath::AesNi}) {
        if (AesPathAvailable(path)) {
            return path;
        }
    }
    return TAesPath::Tables;
}

bool HardwareRefusedByEnvironment() {
    const char* setting = std::getenv("COFFERIX_AES_HARDWARE");
    return setting && std::string_view(setting) == "0";
}

// Decided at first use rather than at static initialisation, so that no order of
// initialisation can see it undecided.
TAesPath ChosenPath() {
    int path = gCipherPath.load(std::memory_order_relaxed);
    if (path == kUndecided) {
        path = static_cast<int>(HardwareRefusedByEnvironment() ? TAesPath::Tables : FastestPath());
        gCipherPath.store(path, std::memory_order_relaxed);
    }
    return static_cast<TAesPath>(path);
}

}  // namespace

void AesEncryptBlocks(const uint8_t* in, const AesExpandedKey256& key, uint8_t* out,
                      std::size_t blockCount) {
    switch (ChosenPath()) {
        case TAesPath::Vaes512:
            AesVaes512EncryptBlocks(in, key, out, blockCount);
            return;
        case TAesPath::Vaes256:
            AesVaes256EncryptBlocks(in, key, out, blockCount);
            return;
        case TAesPath::AesNi:
            AesHardwareEncryptBlocks(in, key, out, blockCount);
            return;
        case TAesPath::Tables:
            break;
    }
    for (std::size_t i = 0; i < blockCount; ++i) {
        AesEncryptBytes(in + 16 * i, key, out + 16 * i);
    }
}

void AesDecryptBlocks(const uint8_t* in, const AesExpandedKey256& key, uint8_t* out,
                      std::size_t blockCount) {
    switch (ChosenPath()) {
        case TAesPath::Vaes512:
            AesVaes512DecryptBlocks(in, key, out, blockCount);
            return;
        case TAesPath::Vaes256:
            AesVaes256DecryptBlocks(in, key, out, blockCount);
            return;
        case TAesPath::AesNi:
            AesHardwareDecryptBlocks(in, key, out, blockCount);
            return;
        case TAesPath::Tables:
            break;
    }
    for (std::size_t i = 0; i < blockCount; ++i) {
        AesDecryptBytes(in + 16 * i, key, out + 16 * i);
    }
}

bool AesPathAvailable(TAesPath path) {
    switch (path) {
        case TAesPath::Vaes512:
            return AesVaes512Supported();
        case TAesPath::Vaes256:
            return AesVaes256Supported();
        case TAesPath::AesNi:
            return AesHardwareSupported();
        case TAesPath::Tables:
            return true;
    }
    return false;
}

void AesUsePath(TAesPath path) {
    const TAesPath usable = AesPathAvailable(path) ? path : TAesPath::Tables;
    gCipherPath.store(static_cast<int>(usable), std::memory_order_relaxed);
}

TAesPath AesPathInUse() {
    return ChosenPath();
}

const char* AesPathName(TAesPath path) {
    switch (path) {
        case TAesPath::Vaes512:
            return "VAES-512";
        case TAesPath::Vaes256:
            return "VAES-256";
        case TAesPath::AesNi:
            return "AES-NI";
        case TAesPath::Tables:
            return "tables";
    }
    return "unknown";
}

bool AesHardwareAvailable() {
    return AesHardwareSupported();
}

void AesUseHardware(bool useHardware) {
    AesUsePath(useHardware ? FastestPath() : TAesPath::Tables);
}

bool AesUsesHardware() {
    return ChosenPath() != TAesPath::Tables;
}

void WipeExpandedKey(AesExpandedKey256& key) {
    WipeBytes(key.Words.data(), sizeof(key.Words));
}
