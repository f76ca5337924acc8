// Hostile vault content for the loaders. The first byte picks the loader, the rest is the
// content:
//   0  a format-2 clear header and what follows it (the header parser, before any derivation);
//   1  a format-2 plaintext, sealed and opened with a fixed key first (the record stream that
//      a file opened with the right key hands the decoder);
//   2  a decrypted format-101 file: its header, then the slots it counts and holds whole, as the
//      load hands them to the slot loader;
//   3  a format-2 message as the cipher hands it over: its stated length and zlib stream.
// A loader may refuse the content with the core's errors; anything else (a crash, a leak, a
// sanitizer report, a hang) is a fault.

#include <cstddef>
#include <cstdint>

#include "vault/CofferixError.h"
#include "vault/RecordTree.h"
#include "vault/SecretZlib.h"
#include "vault/SlotLoader.h"
#include "vault/VaultFormat.h"
#include "vault/VaultFormat2.h"

namespace {

void Format2Header(const std::uint8_t* data, std::size_t size) {
    VaultFormat2::DecodeHeader(data, size, "fuzz");
}

void Format2Records(const std::uint8_t* data, std::size_t size) {
    static const TVaultKey key;  // all zeros: a fixed test key
    TWipedBytes plaintext(size);
    if (size) {
        std::copy(data, data + size, plaintext.Data());
    }
    VaultFormat2::THeader header;
    const std::vector<std::uint8_t> file = VaultFormat2::Seal(header, key, plaintext);
    const TWipedBytes opened = VaultFormat2::Open(file.data(), file.size(), header, key, "fuzz");
    TRecordTree tree;
    VaultFormat2::TVaultValues values;
    VaultFormat2::DecodePlaintext(opened.Data(), opened.Size(), "fuzz", values, tree);
}

void Format101Plaintext(const std::uint8_t* data, std::size_t size) {
    using namespace VaultFormat;
    if (size < kHeaderSize) {
        return;  // the load refuses a file shorter than its header before decrypting it
    }
    const TVaultHeader header = DecodeHeader(data);
    if (header.HeaderMagic != kMagic || header.Version != kVersion) {
        return;  // a wrong password, as the load answers it
    }
    TRecordTree tree;
    TSlotLoader loader(tree);
    const std::uint32_t slots = CountedSlotsHeld(header, static_cast<std::uint32_t>(size));
    for (std::uint32_t i = 0; i < slots; ++i) {
        loader.Add(data + kHeaderSize + std::size_t{i} * kSlotSize);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    try {
        switch (data[0] % 4) {
            case 0:
                Format2Header(data + 1, size - 1);
                break;
            case 2:
                Format101Plaintext(data + 1, size - 1);
                break;
            case 3:
                DecompressSecret(data + 1, size - 1, "fuzz");
                break;
            default:
                Format2Records(data + 1, size - 1);
                break;
        }
    } catch (const ECofferixError&) {
        // refused: what a loader must do with content it cannot take
    }
    return 0;
}
