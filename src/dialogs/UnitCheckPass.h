#pragma once

#include <QString>

#include "dialogs/FixedDialog.h"

class IVaultHost;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Unlock: the master password of the open vault, checked against the file DbFileName. OK
// closes the dialog only when the password opens it.
class TfrmCheckPassword : public TFixedDialog {
    Q_OBJECT
public:
    explicit TfrmCheckPassword(IVaultHost& host, QWidget* parent = nullptr);
    // Wipes the password edits: the text typed stays in memory no longer than the dialog.
    ~TfrmCheckPassword() override;

    // Set by the caller before showing; never changed by the dialog.
    QString DbFileName;
    // Shown once, at the first password that does not open the file (why it does not).
    void SetWrongPasswordNotice(const QString& notice) { FWrongPasswordNotice = notice; }

    QLabel* Image1;
    QLabel* lblPass;
    QLineEdit* EditPass;
    QCheckBox* chkDisplayPass;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void btnOKClick();
    void chkDisplayPassClick();

private:
    void LayOut();

    IVaultHost& FHost;
    QString FWrongPasswordNotice;
};
