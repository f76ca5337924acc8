#pragma once

#include <cstddef>
#include <cstdint>

#include "vault/ElAES.h"

// AES-256 ECB on the vector AES instructions (VAES), which run the AES round on every 128-bit
// lane of a 256-bit register (with AVX2) or a 512-bit one (with AVX-512), for ElAES's
// multi-block entry points. They take the same expanded keys as the table-driven cipher and give
// the same bytes; the caller checks the matching ...Supported() first. in and out may be the same
// buffer.

// VAES and AVX2 in the processor, and the operating system saves the 256-bit registers.
bool AesVaes256Supported();
// VAES, AVX-512F and AVX-512VL in the processor, and the operating system saves the 512-bit
// registers and the mask registers.
bool AesVaes512Supported();

void AesVaes256EncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount);
void AesVaes256DecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount);
void AesVaes512EncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount);
void AesVaes512DecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                             std::uint8_t* out, std::size_t blockCount);
