#pragma once

#include <cstddef>
#include <cstdint>

#include "vault/ElAES.h"

// AES-256 ECB on the processor's AES instructions (AES-NI), for ElAES's multi-block entry
// points. It takes the same expanded keys as the table-driven cipher; the caller checks
// AesHardwareSupported() first.

bool AesHardwareSupported();

void AesHardwareEncryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                              std::uint8_t* out, std::size_t blockCount);
void AesHardwareDecryptBlocks(const std::uint8_t* in, const AesExpandedKey256& key,
                              std::uint8_t* out, std::size_t blockCount);
