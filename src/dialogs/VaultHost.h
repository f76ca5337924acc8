#pragma once

#include <QString>
#include <string>

class TRecordTree;

// What the dialogs need of the main window: three vault operations, the record tree and
// the open vault's path. TfrmCofferix implements it; tests use a stand-in.
class IVaultHost {
public:
    virtual ~IVaultHost() = default;

    // True when the password opens the vault; false for a short file or a wrong password.
    // An error opening the file passes to the caller as an ECofferixError.
    virtual bool CheckVaultPassword(const QString& path, const std::string& password) = 0;
    // False after a failure, which has been shown with ShowWarning.
    virtual bool CreateVault(const QString& path, const std::string& password,
                             bool writeSideFile) = 0;
    virtual bool ChangeVaultPassword(const QString& path, const std::string& currentPassword,
                                     const std::string& newPassword, bool writeSideFile) = 0;
    virtual const TRecordTree& RecordTree() const = 0;
    // The open vault's path (empty when none), so that nothing writes over it by accident.
    virtual QString DatabaseFile() const = 0;
};
