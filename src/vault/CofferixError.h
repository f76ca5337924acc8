#pragma once

#include "base/CofferixError.h"

// The failures of the vault core, each a kind that callers can act on.

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

// A vault that another program kept locked for longer than a reader or writer waits.
class EVaultBusyError : public EVaultOpenError {
public:
    using EVaultOpenError::EVaultOpenError;
};

// The password does not open the vault ("Invalid password!").
class EVaultPasswordError : public EVaultError {
public:
    using EVaultError::EVaultError;
};

// A save into a vault file that another program changed since it was loaded; nothing was
// written.
class EVaultChangedError : public EVaultError {
public:
    using EVaultError::EVaultError;
};

// A backup, text export or generated list aimed at the open vault file; nothing was written.
class EOpenVaultDestinationError : public EVaultError {
public:
    using EVaultError::EVaultError;
};

// A save into a vault whose load failed: the tree is not the vault's content.
class EVaultNotLoadedError : public EVaultError {
public:
    using EVaultError::EVaultError;
};

// A vault file that is not what its format says: changed, cut or written by something else.
// Told apart from a wrong password (EVaultPasswordError).
class EVaultDamagedError : public EVaultError {
public:
    using EVaultError::EVaultError;
};

// A conversion the vault's content or password does not allow; nothing was written.
class EVaultFormatError : public EVaultError {
public:
    using EVaultError::EVaultError;
};
