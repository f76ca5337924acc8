#pragma once

#include "dialogs/FixedDialog.h"

class IVaultHost;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Creates a new vault: where it goes and its master password, typed twice. OK closes the
// dialog only after the vault has been written; the caller then takes edtFile and EditPass.
class TfrmNewPassword : public TFixedDialog {
    Q_OBJECT
public:
    explicit TfrmNewPassword(IVaultHost& host, QWidget* parent = nullptr);
    // Wipes the password edits: the text typed stays in memory no longer than the dialog.
    ~TfrmNewPassword() override;

    QLabel* imgLogo;
    QLabel* lblAskPass;
    QLabel* lblChooseDb;
    QLineEdit* edtFile;
    QPushButton* btnBrowse;
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
    void btnBrowseClick();
    void btnPassGenClick();
    void chkDisplayPassClick();

private:
    void LayOut();
    // True when nothing is at the path, or the user agreed to replace what is there.
    bool MayReplaceExistingFile(const QString& path);

    IVaultHost& FHost;
};
