#pragma once

#include <cstdint>

// The process-wide pseudo-random generator shared by the string scrambler and the password
// generator: one unsigned 32-bit state, re-seeded from a monotonic clock at every use.
namespace Random {

// state := the low 32 bits of a monotonic high-resolution clock's count.
void Reseed();
// state := value. For tests.
void SetState(std::uint32_t value);
std::uint32_t State();
// state := state * 0x08088405 + 1 (mod 2^32); answers the upper 32 bits of state * n.
std::uint32_t Below(std::uint32_t n);

}  // namespace Random
