#include "dialogs/UnitImportDb.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "base/VaultRules.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/VaultHost.h"
#include "vault/NodeData.h"

namespace {

constexpr int kClientWidth = 622;
constexpr int kClientHeight = 226;
constexpr int kPasswordLimit = 128;
constexpr int kPathLimit = 32767;

}  // namespace

TfrmImportDb::TfrmImportDb(IVaultHost& host, QWidget* parent)
    : TFixedDialog(parent, kClientWidth, kClientHeight), FHost(host) {
    CentreOnScreen();
    setWindowTitle(Tr(Str::sOpenDatabaseCaption));
    Image1 = MakePicture(QStringLiteral(":/images/open.png"), 48, this);
    lblChooseDb = new QLabel(Tr(Str::sDatabaseFile), this);
    edtFile = new QLineEdit(this);
    // Any file name: the code page rule is for text stored in the vault, not for paths.
    edtFile->setMaxLength(kPathLimit);
    btnBrowse = MakeButton(Tr(Str::sBrowse));
    lblPass = new QLabel(Tr(Str::sMasterPassword), this);
    edtPass = new QLineEdit(this);
    MakePasswordEdit(edtPass, kPasswordLimit);
    chkDisplayPass = new QCheckBox(Tr(Str::sDisplayPassword), this);
    edtFile->setObjectName(QStringLiteral("edtFile"));
    edtPass->setObjectName(QStringLiteral("edtPass"));
    chkDisplayPass->setObjectName(QStringLiteral("chkDisplayPass"));
    LabelField(lblChooseDb, edtFile);
    LabelField(lblPass, edtPass);
    btnOK = MakeButton(Tr(Str::sOK));
    btnCancel = MakeButton(Tr(Str::sCancel));
    LayOut();

    connect(btnOK, &QPushButton::clicked, this, &TfrmImportDb::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmImportDb::btnBrowseClick);
    connect(chkDisplayPass, &QCheckBox::toggled, this, &TfrmImportDb::chkDisplayPassClick);
}

TfrmImportDb::~TfrmImportDb() {
    WipePasswordEdit(edtPass);
}

void TfrmImportDb::LayOut() {
    auto* fields = new QGridLayout;
    fields->addWidget(lblChooseDb, 0, 0, 1, 2);
    fields->addWidget(edtFile, 1, 0);
    fields->addWidget(btnBrowse, 1, 1);
    fields->addWidget(lblPass, 2, 0, 1, 2);
    fields->addWidget(edtPass, 3, 0);
    fields->addWidget(chkDisplayPass, 4, 0, 1, 2);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(fields, 1);

    LayOutPage(this, {top}, {}, {btnOK, btnCancel});
    SetTabChain({edtPass, btnOK, btnCancel, edtFile, btnBrowse, chkDisplayPass});
    edtPass->setFocus();
}

void TfrmImportDb::btnOKClick() {
    const QString path = edtFile->text();
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        SelectAndFocus(edtFile);
        return;
    }
    // Every vault's password once passed the new-password rule: a shorter one opens none.
    if (TypedNewPasswordProblem(edtPass->text(), std::nullopt) != TNewPasswordProblem::None) {
        SelectAndFocus(edtPass);
        return;
    }
    const std::optional<bool> opens = CheckTypedPassword(FHost, path, edtPass->text());
    if (!opens) {
        return;
    }
    if (*opens) {
        accept();
    } else {
        SelectAndFocus(edtPass);
    }
}

void TfrmImportDb::btnBrowseClick() {
    const QString chosen =
        ServicesBackend().OpenFileName(this, QStringLiteral("Dat File (*.dat)"), edtFile->text());
    if (!chosen.isEmpty()) {
        edtFile->setText(QFileInfo(chosen).absoluteFilePath());
    }
}

void TfrmImportDb::chkDisplayPassClick() {
    SetPasswordsMasked({edtPass}, !chkDisplayPass->isChecked());
}
