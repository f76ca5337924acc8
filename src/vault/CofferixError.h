#pragma once

#include <stdexcept>
#include <string>

// The one base of every failure the core reports. The message is the text the user sees.
class ECofferixError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Invalid buffer size for decryption".
class EAESError : public ECofferixError {
public:
    using ECofferixError::ECofferixError;
};

// "Stream read error" / "Stream write error".
class EStreamError : public ECofferixError {
public:
    using ECofferixError::ECofferixError;
};

// Failures of the vault file operations: invalid database, invalid password, open, create,
// folder creation, side file, size limits.
class EVaultError : public ECofferixError {
public:
    using ECofferixError::ECofferixError;
};

// A vault file that another operation holds open ("Cannot open file ..."). Separate so that
// callers can tell it from a wrong password.
class EVaultOpenError : public EVaultError {
public:
    using EVaultError::EVaultError;
};
