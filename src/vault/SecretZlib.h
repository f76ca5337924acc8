#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/WipedBytes.h"

// zlib (RFC 1950) over plaintext that holds secrets: every buffer, zlib's own working memory
// included, is wiped before it goes back.

// The uncompressed length as 8 little-endian bytes, then the zlib stream.
TWipedBytes CompressSecret(const std::uint8_t* data, std::size_t size);
// What CompressSecret made, back; throws EVaultDamagedError naming path when it is not that.
TWipedBytes DecompressSecret(const std::uint8_t* data, std::size_t size, const std::string& path);
