#pragma once

#include <QString>

#include "dialogs/VaultHost.h"
#include "vault/VaultSession.h"

// The dialogs' host over a vault session of the core: what the main window provides, without
// the window, so that tests drive the dialogs against real vault files. Failures of create and
// change are shown with ShowWarning and answered false; an error opening the file during the
// password check passes to the caller.
class TCoreVaultHost : public IVaultHost {
public:
    TCoreVaultHost();

    bool CheckVaultPassword(const QString& path, const std::string& password) override;
    // The side settings file is never written: it would keep the master password on disk.
    bool CreateVault(const QString& path, const std::string& password, bool writeSideFile) override;
    bool ChangeVaultPassword(const QString& path, const std::string& currentPassword,
                             const std::string& newPassword, bool writeSideFile) override;
    const TRecordTree& RecordTree() const override { return FSession.Tree(); }
    QString DatabaseFile() const override { return FDatabaseFile; }
    void SetDatabaseFile(const QString& path) { FDatabaseFile = path; }

private:
    TVaultSession FSession;
    QString FDatabaseFile;
};
