#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "dialogs/VaultHost.h"
#include "vault/CofferixError.h"
#include "vault/RecordTree.h"

// A counting stand-in for the main window: answers the password check by comparing with
// GoodPassword, records every call and its arguments, and can fail each operation.
class TFakeVaultHost : public IVaultHost {
public:
    struct TCall {
        QString Operation;  // "check", "create" or "change"
        QString Path;
        std::string Password;
        std::string NewPassword;
        bool WriteSideFile = false;
    };

    std::string GoodPassword = "secret1";
    bool CheckThrows = false;
    bool CreateSucceeds = true;
    bool ChangeSucceeds = true;
    QString OpenVault;
    TRecordTree Tree;
    std::vector<TCall> Calls;

    int CountOf(const QString& operation) const {
        int count = 0;
        for (const TCall& call : Calls) {
            count += call.Operation == operation ? 1 : 0;
        }
        return count;
    }

    bool CheckVaultPassword(const QString& path, const std::string& password) override {
        Calls.push_back({QStringLiteral("check"), path, password, {}, false});
        if (CheckThrows) {
            throw EVaultOpenError("Cannot open file \"" + path.toStdString() +
                                  "\". Permission denied");
        }
        return password == GoodPassword;
    }
    bool CreateVault(const QString& path, const std::string& password,
                     bool writeSideFile) override {
        Calls.push_back({QStringLiteral("create"), path, password, {}, writeSideFile});
        return CreateSucceeds;
    }
    bool ChangeVaultPassword(const QString& path, const std::string& currentPassword,
                             const std::string& newPassword, bool writeSideFile) override {
        Calls.push_back(
            {QStringLiteral("change"), path, currentPassword, newPassword, writeSideFile});
        return ChangeSucceeds;
    }
    const TRecordTree& RecordTree() const override { return Tree; }
    QString DatabaseFile() const override { return OpenVault; }
};
