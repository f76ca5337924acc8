#pragma once

#include "dialogs/FixedDialog.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TRecordTree;
struct TNodeData;

// The record editor: group, title, user name, password, URL and notes of one record, with a
// password generator button and a live strength meter. Stores nothing itself: the caller
// sets the caption (and, when modifying, the fields and SelectGroup) and reads the fields
// after OK. OK is refused while the group name is blank.
class TfrmNewRecord : public TFixedDialog {
    Q_OBJECT
public:
    explicit TfrmNewRecord(const TRecordTree& tree, QWidget* parent = nullptr);
    // The password shown or typed leaves memory with the editor.
    ~TfrmNewRecord() override;

    // Lists every group of the tree in its order and selects the first one.
    bool FillGroupList();
    // Selects the group of that name (letters a-z compared without case); keeps the first
    // item selected when no item has that name.
    void SelectGroup(const QString& name);
    // Fills the five fields with a record's texts, each shown whole even beyond the limits that
    // bound typing, so that a field left alone can keep its stored bytes.
    void ShowFields(const TNodeData& data);

    QLabel* lblTitle;
    QLineEdit* edtTitle;
    QLabel* lblGroup;
    QComboBox* cmbGroup;
    QLabel* lblID;
    QLineEdit* edtID;
    QLabel* lblPass;
    QLineEdit* edtPass;
    QFrame* ShapePass;
    QLabel* lblWeak;
    QPushButton* btnGenPass;
    QLabel* lblURL;
    QLineEdit* edtUrl;
    QLabel* lblInfo;
    QPlainTextEdit* txtInfo;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void btnOKClick();
    void btnGenPassClick();
    // The strength meter: rates edtPass, whichever edit changed.
    void edtPassChange();

private:
    void CreateControls();
    // Object names, and each label names its field for the keyboard and screen readers.
    void NameFields();
    void LayOut();

    const TRecordTree& FTree;
};
