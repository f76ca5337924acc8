#include "base/SystemRandom.h"

#include <pthread.h>
#include <sys/random.h>

#include <cerrno>
#include <mutex>

#include "base/CofferixError.h"
#include "base/Wipe.h"

namespace {

constexpr std::size_t kBlockSize = 4096;

// Bytes fetched ahead and not yet used. They decide future passwords, so they are wiped
// when used up, when the thread ends and in a forked child, which must not draw the same.
struct TByteBlock {
    std::uint8_t Bytes[kBlockSize];
    std::size_t Used = kBlockSize;

    ~TByteBlock() { Forget(); }
    void Forget() {
        WipeBytes(Bytes, kBlockSize);
        Used = kBlockSize;
    }
    std::uint8_t Next() {
        if (Used == kBlockSize) {
            SystemRandom::Fill(Bytes, kBlockSize);
            Used = 0;
        }
        return Bytes[Used++];
    }
};

thread_local TByteBlock tBlock;

void ForgetInChild() {
    tBlock.Forget();
}

}  // namespace

namespace SystemRandom {

void Fill(std::uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::getrandom(bytes + done, size - done, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            throw ECofferixError("The system's random number generator is not available.");
        }
        done += static_cast<std::size_t>(got);
    }
}

std::uint32_t Below(std::uint32_t n) {
    static std::once_flag registered;
    std::call_once(registered, [] { ::pthread_atfork(nullptr, nullptr, ForgetInChild); });
    return UnbiasedBelow(n, [] { return tBlock.Next(); });
}

}  // namespace SystemRandom
