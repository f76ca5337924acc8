#include "dialogs/UnitCheckPass.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "base/StringTable.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/VaultHost.h"
#include "vault/NodeData.h"

namespace {

constexpr int kClientWidth = 477;
constexpr int kClientHeight = 141;
constexpr int kPasswordLimit = 64;

}  // namespace

TfrmCheckPassword::TfrmCheckPassword(IVaultHost& host, QWidget* parent)
    : TFixedDialog(parent, kClientWidth, kClientHeight), FHost(host) {
    CentreOnScreen();
    setWindowTitle(Tr(Str::sUnlockCaption));
    Image1 = MakePicture(QStringLiteral(":/images/unlock.png"), 48, this);
    lblPass = new QLabel(Tr(Str::sMasterPassword), this);
    EditPass = new QLineEdit(this);
    MakePasswordEdit(EditPass, kPasswordLimit);
    chkDisplayPass = new QCheckBox(Tr(Str::sDisplayPassword), this);
    EditPass->setObjectName(QStringLiteral("EditPass"));
    chkDisplayPass->setObjectName(QStringLiteral("chkDisplayPass"));
    LabelField(lblPass, EditPass);
    btnOK = MakeButton(Tr(Str::sOK));
    btnCancel = MakeButton(Tr(Str::sCancel));
    LayOut();

    connect(btnOK, &QPushButton::clicked, this, &TfrmCheckPassword::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(chkDisplayPass, &QCheckBox::toggled, this, &TfrmCheckPassword::chkDisplayPassClick);
}

TfrmCheckPassword::~TfrmCheckPassword() {
    WipePasswordEdit(EditPass);
}

void TfrmCheckPassword::LayOut() {
    auto* fields = new QVBoxLayout;
    fields->addWidget(lblPass);
    fields->addWidget(EditPass);
    fields->addWidget(chkDisplayPass);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(fields, 1);

    LayOutPage(this, {top}, {}, {btnOK, btnCancel});
    SetTabChain({EditPass, btnOK, btnCancel, chkDisplayPass});
    EditPass->setFocus();
}

void TfrmCheckPassword::btnOKClick() {
    // No length rule: whatever was typed, the empty text too, is tried.
    const std::optional<bool> opens = CheckTypedPassword(FHost, DbFileName, EditPass->text());
    if (!opens) {
        return;
    }
    if (*opens) {
        accept();
        return;
    }
    if (!FWrongPasswordNotice.isEmpty()) {
        ShowWarning(std::exchange(FWrongPasswordNotice, QString()));
    }
    SelectAndFocus(EditPass);
}

void TfrmCheckPassword::chkDisplayPassClick() {
    SetPasswordsMasked({EditPass}, !chkDisplayPass->isChecked());
}
