#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

// Passwords sorted into classes of equal ones: a password used once is a class of its own, and
// empty passwords are equal to each other. Classes are numbered in the order of their first
// password, and each lists its passwords in order.
struct TPasswordClasses {
    std::vector<std::size_t> ClassOf;  // the class of each password
    std::vector<std::size_t> Members;  // the passwords of class c from Starts[c] to Starts[c + 1]
    std::vector<std::size_t> Starts;

    std::size_t Count() const { return Starts.empty() ? 0 : Starts.size() - 1; }
    std::span<const std::size_t> Class(std::size_t c) const {
        return std::span(Members).subspan(Starts[c], Starts[c + 1] - Starts[c]);
    }
};

// Compares the passwords by a keyed hash (SipHash under a key drawn for this call and wiped
// after it) and confirms every match in constant time, so the work grows with the number of
// passwords, not its square, and nothing kept in memory tells a password.
TPasswordClasses GroupEqualPasswords(const std::vector<const std::string*>& passwords);
