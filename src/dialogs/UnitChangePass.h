#pragma once

#include <QString>

#include "dialogs/FixedDialog.h"

class IVaultHost;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Changes the master password of the open vault DbFileName. OK closes the dialog only after
// the vault has been re-keyed; EditPass then holds the new master password.
class TfrmChangePassword : public TFixedDialog {
    Q_OBJECT
public:
    explicit TfrmChangePassword(IVaultHost& host, QWidget* parent = nullptr);
    // Wipes the password edits: the text typed stays in memory no longer than the dialog.
    ~TfrmChangePassword() override;

    // Set by the caller before showing; never changed by the dialog.
    QString DbFileName;

    QLabel* imgLogo;
    QLabel* lblAskPass;
    QLabel* lblOldPass;
    QLineEdit* edtOld;
    QLabel* lblPass;
    QLineEdit* EditPass;
    QLabel* lblConfirm;
    QLineEdit* EditConfirm;
    QCheckBox* chkDisplayPass;
    QPushButton* btnPassGen;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void btnOKClick();
    void btnPassGenClick();
    void chkDisplayPassClick();

private:
    void LayOut();
    // Step 1 of OK: false (after the reaction) when the current password does not open the
    // vault or the vault cannot be read.
    bool CurrentPasswordOpensVault();

    IVaultHost& FHost;
};
