#pragma once

#include <array>
#include <cstdint>
#include <string_view>

using TSha1 = std::array<std::uint8_t, 20>;
// The SHA-1 in upper-case hex digits, as the breach lists write it.
using TSha1Hex = std::array<char, 40>;

// The SHA-1 of the password's bytes (UTF-8, which is what the breach lists hash). A password's
// hash is as good as the password to someone with a list: the caller wipes digest.
void PasswordSha1(std::string_view password, TSha1& digest);

void Sha1ToHex(const std::uint8_t sha1[20], TSha1Hex& hex);
