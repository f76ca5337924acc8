#include "dialogs/UnitOptions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "common/Services.h"
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
    lblBreachList = new QLabel(Tr(Str::sBreachListLabel), this);
    lblBreachList->setWordWrap(true);
    edtBreachList = new QLineEdit(this);
    edtBreachList->setObjectName(QStringLiteral("edtBreachList"));
    LabelField(lblBreachList, edtBreachList);
    btnBrowseBreachList = new QPushButton(Tr(Str::sBrowseButton), this);
    btnBrowseBreachList->setObjectName(QStringLiteral("btnBrowseBreachList"));
    connect(btnBrowseBreachList, &QPushButton::clicked, this, &TfrmOptions::BrowseBreachList);
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
    page->addSpacing(6);
    page->addWidget(lblBreachList);
    auto* breachRow = new QHBoxLayout;
    breachRow->addWidget(edtBreachList, 1);
    breachRow->addWidget(btnBrowseBreachList);
    page->addLayout(breachRow);
    page->addStretch(1);
    page->addWidget(Buttons);
    SetTabChain({SpinClearSeconds, SpinIdleMinutes, chkLockWithSession, chkNewVaultsVersion1,
                 edtBreachList, btnBrowseBreachList, btnOK, btnCancel});
    SpinClearSeconds->setFocus();
}

void TfrmOptions::LoadSettings() {
    SpinClearSeconds->setValue(Settings::ClearClipboardSeconds());
    SpinIdleMinutes->setValue(Settings::IdleLockMinutes());
    chkLockWithSession->setChecked(Settings::LockWithSession());
    chkNewVaultsVersion1->setChecked(Settings::NewVaultsReadableByVersion1());
    edtBreachList->setText(Settings::BreachListFile());
}

void TfrmOptions::SaveSettings() const {
    // Typed text the field has not taken in yet counts too.
    SpinClearSeconds->interpretText();
    SpinIdleMinutes->interpretText();
    Settings::SetClearClipboardSeconds(SpinClearSeconds->value());
    Settings::SetIdleLockMinutes(SpinIdleMinutes->value());
    Settings::SetLockWithSession(chkLockWithSession->isChecked());
    Settings::SetNewVaultsReadableByVersion1(chkNewVaultsVersion1->isChecked());
    Settings::SetBreachListFile(edtBreachList->text().trimmed());
}

void TfrmOptions::BrowseBreachList() {
    const QString path =
        ServicesBackend().OpenFileName(this, Tr(Str::sBreachListFilter), edtBreachList->text());
    if (!path.isEmpty()) {
        edtBreachList->setText(path);
    }
}
