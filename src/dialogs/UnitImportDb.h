#pragma once

#include "dialogs/FixedDialog.h"

class IVaultHost;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Opens an existing vault: the user picks the vault file and types its master password. OK
// closes the dialog only when the password opens the file; the caller then takes edtFile
// and edtPass.
class TfrmImportDb : public TFixedDialog {
    Q_OBJECT
public:
    explicit TfrmImportDb(IVaultHost& host, QWidget* parent = nullptr);
    // Wipes the password edits: the text typed stays in memory no longer than the dialog.
    ~TfrmImportDb() override;

    QLabel* Image1;
    QLabel* lblChooseDb;
    QLineEdit* edtFile;
    QPushButton* btnBrowse;
    QLabel* lblPass;
    QLineEdit* edtPass;
    QCheckBox* chkDisplayPass;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void btnOKClick();
    void btnBrowseClick();
    void chkDisplayPassClick();

private:
    void LayOut();

    IVaultHost& FHost;
};
