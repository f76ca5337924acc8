#pragma once

#include "dialogs/FixedDialog.h"

class IVaultHost;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TSpinEdit;

// The password generator: fills a list with any number of random passwords from the chosen
// character sets and lets the user clear, copy or save it. Shown modally by the create
// dialog, without waiting (ShowModeless) by the main window and the change dialog.
class TfrmPassGen : public TFixedDialog {
    Q_OBJECT
public:
    // host may be null; with one, Save refuses to write over the open vault.
    explicit TfrmPassGen(IVaultHost* host, QWidget* parent = nullptr);

    // A new window owned by the application, shown without waiting (centred over
    // centreOver when given) and destroyed when it closes.
    static TfrmPassGen* ShowModeless(IVaultHost* host, QWidget* centreOver = nullptr);

    QLabel* imgNew;
    QLabel* lblInfo;
    QLabel* Label1;
    TSpinEdit* SpinPassLen;
    QCheckBox* chkSmallLetter;
    QCheckBox* chkCaptialLetter;
    QCheckBox* chkNumber;
    QCheckBox* chkPunctuation;
    QCheckBox* chkBrackets;
    QCheckBox* chkSpace;
    QCheckBox* chkMinus;
    QCheckBox* chkUnderLine;
    QLabel* Label2;
    TSpinEdit* SpinCount;
    QPlainTextEdit* txtGen;
    QPushButton* btnClear;
    QPushButton* BtnCopy;
    QPushButton* btnSaveToFile;
    QPushButton* Button1;
    QPushButton* btnClose;

public slots:
    void Button1Click();
    void btnClearClick();
    void BtnCopyClick();
    void btnSaveToFileClick();
    void btnCloseClick();

private:
    void CreateControls();
    void LayOut();
    // The list's lines, each ended by CR LF, as 8-bit text.
    std::string ListAsCrLfLines() const;

    IVaultHost* FHost;
    QString FLastSaveName;
};
