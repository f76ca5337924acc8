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
    // The held form, never the clear text; for tests.
    const std::string& Scrambled() const { return FScrambled; }

private:
    std::string FScrambled;
};
