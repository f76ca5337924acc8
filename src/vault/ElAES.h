#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// AES-256 (FIPS-197, 14 rounds, 16-byte blocks): key expansion for both directions and the
// cipher of one block. Table-driven; the only shared state is constant lookup tables and the
// choice of cipher path below, so every function may be called from any thread.

using AesKey256 = std::array<std::uint8_t, 32>;
using AesBlock = std::array<std::uint8_t, 16>;

// Words 0..59 are the fifteen round keys w[0..59] of FIPS-197 as little-endian words (key
// byte 4i is the low byte of word i). The schedule loop also fills 60..63; no round reads
// them.
struct AesExpandedKey256 {
    std::array<std::uint32_t, 64> Words{};
};

// The plain key schedule.
AesExpandedKey256 AesExpandEncryptKey(const AesKey256& key);

// The schedule for the equivalent inverse cipher: InvMixColumns on round keys 1..13.
AesExpandedKey256 AesExpandDecryptKey(const AesKey256& key);

void AesEncryptBlock(const AesBlock& input, const AesExpandedKey256& key, AesBlock& output);
void AesDecryptBlock(const AesBlock& input, const AesExpandedKey256& key, AesBlock& output);

// The same on raw 16-byte buffers. in and out may be the same buffer.
void AesEncryptBytes(const std::uint8_t* in, const AesExpandedKey256& key, std::uint8_t* out);
void AesDecryptBytes(const std::uint8_t* in, const AesExpandedKey256& key, std::uint8_t* out);

// ECB over blockCount whole blocks (16 bytes each) with the same expanded key, for the stream
// codec and the whole-vault operations. in and out may be the same buffer. On a processor with AES
// instructions these run on them, many blocks at a time; elsewhere they use the block functions
// above. Every path gives exactly the same bytes.
void AesEncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key, std::uint8_t* out,
                      std::size_t blockCount);
void AesDecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key, std::uint8_t* out,
                      std::size_t blockCount);

// The ways AesEncryptBlocks/AesDecryptBlocks can run: the tables (any processor), the AES
// instructions on one block per register (AES-NI), and the vector AES instructions on two blocks
// per 256-bit register (VAES with AVX2) or four per 512-bit register (VAES with AVX-512).
enum class TAesPath { Tables, AesNi, Vaes256, Vaes512 };

// True when the processor (and, for the wider registers, the operating system) supports the path.
bool AesPathAvailable(TAesPath path);
// Chooses the path; one that is not available leaves the tables in use. For tests and benchmarks;
// the path starts as the fastest available one, unless the environment sets
// COFFERIX_AES_HARDWARE=0.
void AesUsePath(TAesPath path);
TAesPath AesPathInUse();
// The path's name for messages and benchmark labels.
const char* AesPathName(TAesPath path);

// True when the processor has AES instructions.
bool AesHardwareAvailable();
// true takes the fastest path the processor has, false the tables.
void AesUseHardware(bool useHardware);
// True when AesEncryptBlocks/AesDecryptBlocks run on AES instructions now.
bool AesUsesHardware();

// Wipes an expanded key in a way the optimiser keeps.
void WipeExpandedKey(AesExpandedKey256& key);
