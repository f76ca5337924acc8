#pragma once

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The Options: how long a copied password stays on the clipboard, the idle time before the
// workspace locks by itself, whether it locks with the desktop session, and whether new
// vaults are made in format 101 (readable by version 1 programs) rather than format 2. Unlike the
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
    QDialogButtonBox* Buttons;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The fields from the stored settings, and back.
    void LoadSettings();
    void SaveSettings() const;

private:
    void LayOut();
};
