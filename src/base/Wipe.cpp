#include "base/Wipe.h"

#include <cstring>

void WipeBytes(void* data, std::size_t size) {
    if (size == 0) {
        return;
    }
#if defined(__GLIBC__)
    // As fast as memset, and never optimised away: a whole vault's plaintext gets wiped.
    explicit_bzero(data, size);
#else
    volatile auto* bytes = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = 0;
    }
#endif
}

void WipeString(std::string& text) {
    text.resize(text.capacity());  // never reallocates
    WipeBytes(text.data(), text.size());
    text.clear();
}
