#include "vault/StreamCodec.h"

#include <algorithm>
#include <cstring>

#include "vault/CofferixError.h"
#include "vault/NodeData.h"

namespace {

constexpr std::uint32_t kBlockSize = 16;
// Blocks move in chunks of this many bytes: the same bytes reach the destination as with
// one block at a time, far fewer virtual calls are made, and the cipher gets many blocks at
// once to interleave.
constexpr std::uint32_t kChunkSize = 16384;

// Applies the byte-count rule and leaves the source where reading starts.
std::uint32_t EffectiveCount(TStream& source, std::uint32_t count) {
    if (count == 0) {
        source.Seek(0);
        return source.Size();
    }
    const std::uint32_t size = source.Size();
    const std::uint32_t position = source.Position();
    const std::uint32_t left = position < size ? size - position : 0;
    return std::min(count, left);
}

// Holds plaintext or ciphertext for one chunk; wiped when the call ends, also on failure.
struct TChunkBuffer {
    alignas(16) std::uint8_t Bytes[kChunkSize];
    TChunkBuffer() = default;
    TChunkBuffer(const TChunkBuffer&) = delete;
    TChunkBuffer& operator=(const TChunkBuffer&) = delete;
    ~TChunkBuffer() { WipeBytes(Bytes, sizeof(Bytes)); }
};

// Runs blocksCipher (buffer, block count) over count bytes in ECB mode. Only the final chunk can
// end in a partial block; when it was read whole it is padded with zeros. Blocks read whole are
// written before a short read is reported, as a block-by-block loop would have written them.
template <typename TBlocksCipher>
void ProcessBlocks(TStream& source, std::uint32_t count, TStream& destination,
                   TBlocksCipher blocksCipher) {
    TChunkBuffer buffer;
    while (count > 0) {
        const std::uint32_t wanted = std::min(count, kChunkSize);
        const std::uint32_t got = source.Read(buffer.Bytes, wanted);
        std::uint32_t ready = got / kBlockSize * kBlockSize;
        if (got == wanted && ready < got) {
            const std::uint32_t padded = ready + kBlockSize;
            std::memset(buffer.Bytes + got, 0, padded - got);
            ready = padded;
        }
        blocksCipher(buffer.Bytes, ready / kBlockSize);
        if (ready > 0 && destination.Write(buffer.Bytes, ready) != ready) {
            throw EStreamError("Stream write error");
        }
        if (got < wanted) {
            throw EStreamError("Stream read error");
        }
        count -= wanted;
    }
}

}  // namespace

void AesEncryptStreamExpanded(TStream& source, std::uint32_t count, const AesExpandedKey256& key,
                              TStream& destination) {
    count = EffectiveCount(source, count);
    ProcessBlocks(source, count, destination,
                  [&key](std::uint8_t* blocks, std::uint32_t blockCount) {
                      AesEncryptBlocks(blocks, key, blocks, blockCount);
                  });
}

void AesDecryptStreamExpanded(TStream& source, std::uint32_t count, const AesExpandedKey256& key,
                              TStream& destination) {
    count = EffectiveCount(source, count);
    if (count % kBlockSize != 0) {
        throw EAESError("Invalid buffer size for decryption");
    }
    ProcessBlocks(source, count, destination,
                  [&key](std::uint8_t* blocks, std::uint32_t blockCount) {
                      AesDecryptBlocks(blocks, key, blocks, blockCount);
                  });
}

namespace {

// Keeps an expanded key for one call and wipes it however the call ends. An aggregate, so
// the key is built in place rather than copied.
struct TScopedExpandedKey {
    AesExpandedKey256 Key;
    ~TScopedExpandedKey() { WipeExpandedKey(Key); }
};

}  // namespace

void AesEncryptStream(TStream& source, std::uint32_t count, const AesKey256& key,
                      TStream& destination) {
    TScopedExpandedKey expanded{AesExpandEncryptKey(key)};
    AesEncryptStreamExpanded(source, count, expanded.Key, destination);
}

void AesDecryptStream(TStream& source, std::uint32_t count, const AesKey256& key,
                      TStream& destination) {
    TScopedExpandedKey expanded{AesExpandDecryptKey(key)};
    AesDecryptStreamExpanded(source, count, expanded.Key, destination);
}

AesKey256 PasswordKey(const std::string& password) {
    AesKey256 key{};
    std::memcpy(key.data(), password.data(), std::min(password.size(), key.size()));
    return key;
}
