#include "dialogs/UnitChangePass.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "base/VaultRules.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/UnitPassGen.h"
#include "dialogs/VaultHost.h"
#include "vault/NodeData.h"

namespace {

constexpr int kClientWidth = 505;
constexpr int kClientHeight = 274;
constexpr int kPasswordLimit = 64;
constexpr int kLogoSize = 32;

QLabel* CentredLabel(std::string_view caption, QWidget* parent) {
    auto* label = new QLabel(Tr(caption), parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

TfrmChangePassword::TfrmChangePassword(IVaultHost& host, QWidget* parent)
    : TFixedDialog(parent, kClientWidth, kClientHeight), FHost(host) {
    CentreOnScreen();
    setWindowTitle(Tr(Str::sChangeMasterCaption));
    // Modal to its owner only, so that a generator window opened from here stays usable.
    setWindowModality(Qt::WindowModal);
    imgLogo = MakePicture(QStringLiteral(":/images/app.png"), kLogoSize, this);
    const QIcon appIcon = QApplication::windowIcon();
    if (!appIcon.isNull()) {
        imgLogo->setPixmap(appIcon.pixmap(kLogoSize, kLogoSize));
    }
    lblAskPass = new QLabel(Tr(Str::sChangeMasterPrompt), this);
    lblAskPass->setWordWrap(true);
    lblAskPass->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblAskPass->setFixedHeight(2 * fontMetrics().lineSpacing() + 4);
    lblOldPass = CentredLabel(Str::sCurrentPassword, this);
    edtOld = new QLineEdit(this);
    MakePasswordEdit(edtOld, kPasswordLimit);
    lblPass = CentredLabel(Str::sNewPassword, this);
    EditPass = new QLineEdit(this);
    MakePasswordEdit(EditPass, kPasswordLimit);
    lblConfirm = CentredLabel(Str::sConfirmPassword, this);
    EditConfirm = new QLineEdit(this);
    MakePasswordEdit(EditConfirm, kPasswordLimit);
    chkDisplayPass = new QCheckBox(Tr(Str::sDisplayPassword), this);
    edtOld->setObjectName(QStringLiteral("edtOld"));
    EditPass->setObjectName(QStringLiteral("EditPass"));
    EditConfirm->setObjectName(QStringLiteral("EditConfirm"));
    chkDisplayPass->setObjectName(QStringLiteral("chkDisplayPass"));
    LabelField(lblOldPass, edtOld);
    LabelField(lblPass, EditPass);
    LabelField(lblConfirm, EditConfirm);
    btnPassGen = MakeButton(Tr(Str::sPassGenButton));
    btnOK = MakeButton(Tr(Str::sOK));
    btnCancel = MakeButton(Tr(Str::sCancel));
    LayOut();

    connect(btnOK, &QPushButton::clicked, this, &TfrmChangePassword::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnPassGen, &QPushButton::clicked, this, &TfrmChangePassword::btnPassGenClick);
    connect(chkDisplayPass, &QCheckBox::toggled, this, &TfrmChangePassword::chkDisplayPassClick);
}

TfrmChangePassword::~TfrmChangePassword() {
    WipePasswordEdit(edtOld);
    WipePasswordEdit(EditPass);
    WipePasswordEdit(EditConfirm);
}

void TfrmChangePassword::LayOut() {
    auto* header = new QHBoxLayout;
    header->addWidget(imgLogo);
    header->addSpacing(12);
    header->addWidget(lblAskPass, 1);

    auto* passwords = new QGridLayout;
    passwords->addWidget(lblOldPass, 0, 0);
    passwords->addWidget(edtOld, 0, 1);
    passwords->addWidget(lblPass, 1, 0);
    passwords->addWidget(EditPass, 1, 1);
    passwords->addWidget(lblConfirm, 2, 0);
    passwords->addWidget(EditConfirm, 2, 1);
    passwords->addWidget(chkDisplayPass, 3, 1);
    passwords->setColumnStretch(1, 1);

    LayOutPage(this, {header, passwords}, {btnPassGen}, {btnOK, btnCancel});
    SetTabChain({edtOld, EditPass, EditConfirm, chkDisplayPass, btnOK, btnCancel, btnPassGen});
    edtOld->setFocus();
}

bool TfrmChangePassword::CurrentPasswordOpensVault() {
    const std::optional<bool> opens = CheckTypedPassword(FHost, DbFileName, edtOld->text());
    if (!opens) {
        return false;
    }
    if (!*opens) {
        SelectAndFocus(edtOld);
        ShowWarning(Tr(Str::sInvalidPassword));
    }
    return *opens;
}

void TfrmChangePassword::btnOKClick() {
    // The current password is proved before the new one is looked at.
    if (!CurrentPasswordOpensVault()) {
        return;
    }
    const TNewPasswordProblem problem =
        TypedNewPasswordProblem(EditPass->text(), EditConfirm->text());
    if (problem == TNewPasswordProblem::TooShort) {
        ShowWarning(Tr(Str::sPasswordTooShort));
        return;
    }
    if (problem == TNewPasswordProblem::ConfirmationDiffers) {
        SelectAndFocus(EditConfirm);
        return;
    }
    std::string current = QStringToAnsi(edtOld->text());
    std::string replacement = QStringToAnsi(EditPass->text());
    const bool changed = FHost.ChangeVaultPassword(DbFileName, current, replacement, true);
    WipeString(current);
    WipeString(replacement);
    if (changed) {
        accept();
    }
}

void TfrmChangePassword::btnPassGenClick() {
    // Centred over the main window, which owns this dialog.
    TfrmPassGen::ShowModeless(&FHost, parentWidget() != nullptr ? parentWidget() : this);
}

void TfrmChangePassword::chkDisplayPassClick() {
    SetPasswordsMasked({edtOld, EditPass, EditConfirm}, !chkDisplayPass->isChecked());
}
