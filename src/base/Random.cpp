#include "base/Random.h"

#include <chrono>

namespace {
std::uint32_t gState = 0;
}

namespace Random {

void Reseed() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    gState = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks));
}

void SetState(std::uint32_t value) {
    gState = value;
}

std::uint32_t State() {
    return gState;
}

std::uint32_t Below(std::uint32_t n) {
    gState = gState * 0x08088405u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(gState) * n) >> 32);
}

}  // namespace Random
