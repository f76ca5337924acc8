#include "vault/SecretZlib.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/Wipe.h"
#include "vault/CofferixError.h"
#include "vault/VaultFormat2.h"

namespace {

constexpr std::size_t kLengthSize = 8;
// The largest plaintext a vault may hold: its file is refused from 2 GiB on.
constexpr std::uint64_t kMaxPlaintext = std::uint64_t{1} << 31;
constexpr std::uint64_t kMaxRatio = 1032;

// zlib's allocations carry their size in front, so that the free can wipe them.
voidpf WipingAlloc(voidpf, uInt items, uInt size) {
    const std::size_t bytes = std::size_t{items} * size;
    auto* block = static_cast<std::uint8_t*>(std::malloc(bytes + sizeof(std::size_t)));
    if (!block) {
        return Z_NULL;
    }
    std::memcpy(block, &bytes, sizeof bytes);
    return block + sizeof(std::size_t);
}

void WipingFree(voidpf, voidpf address) {
    if (!address) {
        return;
    }
    auto* block = static_cast<std::uint8_t*>(address) - sizeof(std::size_t);
    std::size_t bytes = 0;
    std::memcpy(&bytes, block, sizeof bytes);
    WipeBytes(block, bytes + sizeof(std::size_t));
    std::free(block);
}

z_stream WipingStream() {
    z_stream stream{};
    stream.zalloc = WipingAlloc;
    stream.zfree = WipingFree;
    return stream;
}

[[noreturn]] void Damaged(const std::string& path) {
    throw EVaultDamagedError(VaultFormat2::DamagedVaultText(path, "its content does not unpack"));
}

}  // namespace

TWipedBytes CompressSecret(const std::uint8_t* data, std::size_t size) {
    z_stream stream = WipingStream();
    if (deflateInit(&stream, Z_BEST_SPEED) != Z_OK) {
        throw std::bad_alloc();
    }
    TWipedBytes room(kLengthSize + deflateBound(&stream, static_cast<uLong>(size)));
    for (std::size_t i = 0; i < kLengthSize; ++i) {
        room.Data()[i] = static_cast<std::uint8_t>(std::uint64_t{size} >> (8 * i));
    }
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = room.Data() + kLengthSize;
    stream.avail_out = static_cast<uInt>(room.Size() - kLengthSize);
    const int result = deflate(&stream, Z_FINISH);
    const std::size_t used = kLengthSize + stream.total_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::bad_alloc();  // deflateBound leaves room for any input
    }
    TWipedBytes packed(used);
    std::memcpy(packed.Data(), room.Data(), used);
    return packed;
}

TWipedBytes DecompressSecret(const std::uint8_t* data, std::size_t size, const std::string& path) {
    if (size < kLengthSize) {
        Damaged(path);
    }
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < kLengthSize; ++i) {
        length |= std::uint64_t{data[i]} << (8 * i);
    }
    // Deflate packs at most 1032 bytes into one: a stated length beyond that is a lie, and
    // must not make the reader allocate it.
    if (length > kMaxPlaintext || length > (size - kLengthSize) * kMaxRatio + kMaxRatio) {
        Damaged(path);
    }
    TWipedBytes plaintext(static_cast<std::size_t>(length));
    z_stream stream = WipingStream();
    if (inflateInit(&stream) != Z_OK) {
        throw std::bad_alloc();
    }
    stream.next_in = const_cast<Bytef*>(data + kLengthSize);
    stream.avail_in = static_cast<uInt>(size - kLengthSize);
    stream.next_out = plaintext.Data();
    stream.avail_out = static_cast<uInt>(length);
    const int result = inflate(&stream, Z_FINISH);
    const bool whole = result == Z_STREAM_END && stream.total_out == length && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!whole) {
        Damaged(path);
    }
    return plaintext;
}
