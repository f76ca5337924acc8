#pragma once

#include <cstdint>
#include <string>

#include "vault/ElAES.h"
#include "vault/Streams.h"

// AES-256 in ECB mode over whole streams, and the key a master password gives.
//
// Byte count: 0 means the whole source from offset 0 (the source is moved there first);
// any other count is cut to what is left from the source's position. A resulting count of
// 0 does nothing. Encryption pads a last partial block with zeros (unmarked). Decryption of
// a count that is not a multiple of 16 raises EAESError before any I/O. A short read or
// write raises EStreamError; blocks written before it stay in the destination.

void AesEncryptStream(TStream& source, std::uint32_t count, const AesKey256& key,
                      TStream& destination);
void AesEncryptStreamExpanded(TStream& source, std::uint32_t count, const AesExpandedKey256& key,
                              TStream& destination);
void AesDecryptStream(TStream& source, std::uint32_t count, const AesKey256& key,
                      TStream& destination);
void AesDecryptStreamExpanded(TStream& source, std::uint32_t count, const AesExpandedKey256& key,
                              TStream& destination);

// 32 zero bytes with the first min(32, length) bytes of the password copied in; nothing
// else (no hashing, no salt), so that every reader of the format forms the same key.
AesKey256 PasswordKey(const std::string& password);
