#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The passwords sorted into classes of equal ones, each class its indices into passwords in
// order, the classes in the order of their first index; a password used once is a class of
// its own, and empty passwords are equal to each other.
//
// Passwords are compared by a keyed hash (BLAKE2b under a key drawn for this call and wiped
// after it) and every match is confirmed in constant time, so the work grows with the number
// of passwords, not its square, and nothing kept in memory tells a password.
std::vector<std::vector<std::size_t>> GroupEqualPasswords(
    const std::vector<const std::string*>& passwords);
