#pragma once

#include <string>

// Holds the master password in memory only in scrambled form. Get gives back exactly what
// Set was given, for every byte value.
class TMasterPassword {
public:
    TMasterPassword() = default;
    ~TMasterPassword();
    TMasterPassword(const TMasterPassword&) = delete;
    TMasterPassword& operator=(const TMasterPassword&) = delete;

    void Set(const std::string& password);
    std::string Get() const;
    void Clear();

private:
    std::string FScrambled;
};
