#pragma once

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The Options: how long a copied password stays on the clipboard, the idle time before the
// workspace locks by itself, whether it locks with the desktop session, and whether new
// vaults are made in format 101 (readable by version 1 programs) rather than format 2, and the
// breach list the password health report looks passwords up in. Unlike the
// other dialogs it has a default button: Enter is OK and Escape cancels.
class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOptions(QWidget* parent = nullptr);

    QLabel* lblClearClipboard;
    QSpinBox* SpinClearSeconds;
    QLabel* lblIdleLock;
    QSpinBox* SpinIdleMinutes;
    QCheckBox* chkLockWithSession;
    QCheckBox* chkNewVaultsVersion1;
    QLabel* lblBreachList;
    QLineEdit* edtBreachList;
    QPushButton* btnBrowseBreachList;
    QDialogButtonBox* Buttons;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The fields from the stored settings, and back.
    void LoadSettings();
    void SaveSettings() const;

private:
    void LayOut();
    void BrowseBreachList();
};
