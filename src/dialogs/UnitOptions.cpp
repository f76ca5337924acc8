#include "dialogs/UnitOptions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"

namespace {

QSpinBox* MakeNumberField(int highest, QWidget* parent) {
    auto* field = new QSpinBox(parent);
    field->setRange(0, highest);
    field->setMinimumWidth(90);
    return field;
}

}  // namespace

TfrmOptions::TfrmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(Tr(Str::sOptionsCaption));
    lblClearClipboard = new QLabel(Tr(Str::sClearClipboardLabel), this);
    SpinClearSeconds = MakeNumberField(Settings::kMaxClearClipboardSeconds, this);
    SpinClearSeconds->setObjectName(QStringLiteral("SpinClearSeconds"));
    LabelField(lblClearClipboard, SpinClearSeconds);
    lblIdleLock = new QLabel(Tr(Str::sIdleLockLabel), this);
    SpinIdleMinutes = MakeNumberField(Settings::kMaxIdleLockMinutes, this);
    SpinIdleMinutes->setObjectName(QStringLiteral("SpinIdleMinutes"));
    LabelField(lblIdleLock, SpinIdleMinutes);
    chkLockWithSession = new QCheckBox(Tr(Str::sLockWithSession), this);
    chkLockWithSession->setObjectName(QStringLiteral("chkLockWithSession"));
    chkNewVaultsVersion1 = new QCheckBox(Tr(Str::sNewVaultsVersion1), this);
    chkNewVaultsVersion1->setObjectName(QStringLiteral("chkNewVaultsVersion1"));
    Buttons = new QDialogButtonBox(this);
    btnOK = Buttons->addButton(Tr(Str::sOK), QDialogButtonBox::AcceptRole);
    btnCancel = Buttons->addButton(Tr(Str::sCancel), QDialogButtonBox::RejectRole);
    btnOK->setDefault(true);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    LayOut();
    LoadSettings();
}

void TfrmOptions::LayOut() {
    auto* page = new QVBoxLayout(this);
    page->addWidget(lblClearClipboard);
    page->addWidget(SpinClearSeconds, 0, Qt::AlignLeft);
    page->addSpacing(6);
    page->addWidget(lblIdleLock);
    page->addWidget(SpinIdleMinutes, 0, Qt::AlignLeft);
    page->addSpacing(6);
    page->addWidget(chkLockWithSession);
    page->addWidget(chkNewVaultsVersion1);
    page->addStretch(1);
    page->addWidget(Buttons);
    SetTabChain({SpinClearSeconds, SpinIdleMinutes, chkLockWithSession, chkNewVaultsVersion1, btnOK,
                 btnCancel});
    SpinClearSeconds->setFocus();
}

void TfrmOptions::LoadSettings() {
    SpinClearSeconds->setValue(Settings::ClearClipboardSeconds());
    SpinIdleMinutes->setValue(Settings::IdleLockMinutes());
    chkLockWithSession->setChecked(Settings::LockWithSession());
    chkNewVaultsVersion1->setChecked(Settings::NewVaultsReadableByVersion1());
}

void TfrmOptions::SaveSettings() const {
    // Typed text the field has not taken in yet counts too.
    SpinClearSeconds->interpretText();
    SpinIdleMinutes->interpretText();
    Settings::SetClearClipboardSeconds(SpinClearSeconds->value());
    Settings::SetIdleLockMinutes(SpinIdleMinutes->value());
    Settings::SetLockWithSession(chkLockWithSession->isChecked());
    Settings::SetNewVaultsReadableByVersion1(chkNewVaultsVersion1->isChecked());
}
