#include "dialogs/UnitNewRecord.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string_view>

#include "base/StringTable.h"
#include "base/VaultRules.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/PasswordTools.h"
#include "vault/NodeData.h"
#include "vault/RecordTree.h"

namespace {

constexpr int kClientWidth = 696;
constexpr int kClientHeight = 416;
constexpr int kFieldLimit = static_cast<int>(kFieldMaxLength);
constexpr int kNotesLimit = static_cast<int>(kNotesMaxLength);

struct TStrengthLevel {
    std::string_view Label;
    QColor Colour;
};

// The level's text is the core's (the health report rates by the same levels); the colour
// shades the Very Weak level further by score.
TStrengthLevel StrengthLevel(int score) {
    const std::string_view label = PasswordStrengthText(PasswordStrengthOf(score));
    if (score < 0)
        return {label, QColor(0, 255, 0)};
    if (score == 0)
        return {label, QColor(0, 200, 0)};
    if (score <= 2)
        return {label, QColor(0, 150, 0)};
    if (score <= 4)
        return {label, QColor(0, 100, 0)};
    return {label, QColor(200, 150, 0)};
}

// Blanks and control characters, as the group name's trimming sees them.
bool IsBlankOrControl(QChar c) {
    return c.unicode() <= 0x20;
}

QString TrimBlanksAndControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlankOrControl(text.at(first)))
        ++first;
    while (last > first && IsBlankOrControl(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

// Group names compare with only a-z folded onto A-Z, as the tree sorts them.
std::string FoldCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

TfrmNewRecord::TfrmNewRecord(const TRecordTree& tree, QWidget* parent)
    : TFixedDialog(parent, kClientWidth, kClientHeight), FTree(tree) {
    CreateControls();
    NameFields();
    LayOut();
    FillGroupList();
    ShapePass->hide();
    lblWeak->hide();

    connect(btnOK, &QPushButton::clicked, this, &TfrmNewRecord::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnGenPass, &QPushButton::clicked, this, &TfrmNewRecord::btnGenPassClick);
    connect(edtPass, &QLineEdit::textChanged, this, &TfrmNewRecord::edtPassChange);
    connect(edtUrl, &QLineEdit::textChanged, this, &TfrmNewRecord::edtPassChange);
}

void TfrmNewRecord::CreateControls() {
    lblTitle = new QLabel(Tr(Str::sColTitle), this);
    edtTitle = new QLineEdit(this);
    lblGroup = new QLabel(Tr(Str::sGroupName), this);
    cmbGroup = new QComboBox(this);
    cmbGroup->setEditable(true);
    cmbGroup->setInsertPolicy(QComboBox::NoInsert);
    // Group names have no limit of their own, but must fit the code page.
    cmbGroup->setValidator(new TAnsiValidator(cmbGroup));
    lblID = new QLabel(Tr(Str::sColUserName), this);
    edtID = new QLineEdit(this);
    lblPass = new QLabel(Tr(Str::sColPassword), this);
    edtPass = new QLineEdit(this);
    ShapePass = new QFrame(this);
    ShapePass->setFixedSize(212, 20);
    ShapePass->setFrameShape(QFrame::Box);
    ShapePass->setAutoFillBackground(true);
    lblWeak = new QLabel(this);
    lblWeak->setFixedWidth(112);
    btnGenPass = MakeButton(QStringLiteral("Create Random Password"));
    lblURL = new QLabel(Tr(Str::sColUrl), this);
    edtUrl = new QLineEdit(this);
    lblInfo = new QLabel(Tr(Str::sColNotes), this);
    txtInfo = new QPlainTextEdit(this);
    txtInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtInfo->setTabChangesFocus(true);
    for (QLineEdit* edit : {edtTitle, edtID, edtPass, edtUrl}) {
        edit->clear();
        MakeAnsiEdit(edit, kFieldLimit);
    }
    txtInfo->clear();
    MakeAnsiMemo(txtInfo, kNotesLimit);
    btnOK = MakeButton(Tr(Str::sOK));
    btnCancel = MakeButton(Tr(Str::sCancel));
}

void TfrmNewRecord::NameFields() {
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    cmbGroup->setObjectName(QStringLiteral("cmbGroup"));
    edtID->setObjectName(QStringLiteral("edtID"));
    edtPass->setObjectName(QStringLiteral("edtPass"));
    edtUrl->setObjectName(QStringLiteral("edtUrl"));
    txtInfo->setObjectName(QStringLiteral("txtInfo"));
    LabelField(lblTitle, edtTitle);
    LabelField(lblGroup, cmbGroup);
    LabelField(lblID, edtID);
    LabelField(lblPass, edtPass);
    LabelField(lblURL, edtUrl);
    LabelField(lblInfo, txtInfo);
}

void TfrmNewRecord::LayOut() {
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* fields = new QGridLayout(panel);
    fields->addWidget(lblTitle, 0, 0);
    fields->addWidget(edtTitle, 0, 1);
    fields->addWidget(lblGroup, 1, 0);
    fields->addWidget(cmbGroup, 1, 1);
    fields->addWidget(lblID, 2, 0);
    fields->addWidget(edtID, 2, 1);
    fields->addWidget(lblPass, 3, 0);
    fields->addWidget(edtPass, 3, 1);
    auto* meter = new QHBoxLayout;
    meter->addWidget(ShapePass);
    meter->addWidget(lblWeak);
    meter->addStretch(1);
    meter->addWidget(btnGenPass);
    fields->addLayout(meter, 4, 1);
    fields->addWidget(lblURL, 5, 0);
    fields->addWidget(edtUrl, 5, 1);
    fields->addWidget(lblInfo, 6, 0, Qt::AlignTop);
    fields->addWidget(txtInfo, 6, 1);
    fields->setRowStretch(6, 1);
    fields->setColumnStretch(1, 1);
    // The meter's row keeps its height while the meter is hidden.
    fields->setRowMinimumHeight(4, btnGenPass->sizeHint().height());

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* page = new QVBoxLayout(this);
    page->addWidget(panel, 1);
    page->addLayout(buttons);

    // The group box comes last although it stands second.
    SetTabChain(
        {edtTitle, edtID, edtPass, edtUrl, txtInfo, btnGenPass, cmbGroup, btnOK, btnCancel});
    edtTitle->setFocus();
}

TfrmNewRecord::~TfrmNewRecord() {
    WipePasswordEdit(edtPass);
}

bool TfrmNewRecord::FillGroupList() {
    cmbGroup->clear();
    FTree.ForEach([this](TRecordTree::TNode& node) {
        if (node.Data.IsGroup) {
            cmbGroup->addItem(AnsiToQString(node.Data.Title));
        }
    });
    if (cmbGroup->count() > 0) {
        cmbGroup->setCurrentIndex(0);
    }
    return true;
}

void TfrmNewRecord::SelectGroup(const QString& name) {
    const std::string wanted = FoldCase(QStringToAnsi(name));
    for (int i = 0; i < cmbGroup->count(); ++i) {
        if (FoldCase(QStringToAnsi(cmbGroup->itemText(i))) == wanted) {
            cmbGroup->setCurrentIndex(i);
            return;
        }
    }
    if (cmbGroup->count() > 0) {
        cmbGroup->setCurrentIndex(0);
    }
}

void TfrmNewRecord::ShowFields(const TNodeData& data) {
    SetStoredText(edtTitle, AnsiToQString(data.Title));
    SetStoredText(edtID, AnsiToQString(data.UserName));
    SetStoredText(edtPass, AnsiToQString(data.Password));
    SetStoredText(edtUrl, AnsiToQString(data.Url));
    // The vault keeps CR LF line breaks; the memo works with "\n".
    SetStoredText(txtInfo,
                  AnsiToQString(data.Notes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TfrmNewRecord::btnOKClick() {
    if (TrimBlanksAndControls(cmbGroup->currentText()).isEmpty()) {
        cmbGroup->setFocus(Qt::OtherFocusReason);
        return;
    }
    accept();
}

void TfrmNewRecord::btnGenPassClick() {
    std::string password = CreateRecordPassword();
    edtPass->setText(AnsiToQString(password));
    WipeString(password);
}

void TfrmNewRecord::edtPassChange() {
    std::string password = QStringToAnsi(edtPass->text());
    const int score = CalcPasswordScore(password);
    const bool empty = password.empty();
    WipeString(password);
    const TStrengthLevel level = StrengthLevel(score);
    QPalette palette = ShapePass->palette();
    palette.setColor(QPalette::Window, level.Colour);
    ShapePass->setPalette(palette);
    lblWeak->setText(Tr(level.Label));
    ShapePass->setVisible(!empty);
    lblWeak->setVisible(!empty);
    DebugLog(QString::number(score));
}
