#include "dialogs/UnitNewPass.h"

#include <QCheckBox>
#include <QDir>
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
#include "dialogs/UnitPassGen.h"
#include "dialogs/VaultHost.h"
#include "vault/NodeData.h"

namespace {

constexpr int kClientWidth = 618;
constexpr int kClientHeight = 301;
constexpr int kPasswordLimit = 64;
constexpr int kPathLimit = 32767;

}  // namespace

TfrmNewPassword::TfrmNewPassword(IVaultHost& host, QWidget* parent)
    : TFixedDialog(parent, kClientWidth, kClientHeight), FHost(host) {
    CentreOnScreen();
    setWindowTitle(Tr(Str::sNewMasterCaption));
    imgLogo = MakePicture(QStringLiteral(":/images/newpass.png"), 64, this);
    lblAskPass = new QLabel(Tr(Str::sNewMasterPrompt), this);
    lblAskPass->setWordWrap(true);
    lblAskPass->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblAskPass->setFixedHeight(2 * fontMetrics().lineSpacing() + 4);
    lblChooseDb = new QLabel(Tr(Str::sDatabaseFile), this);
    edtFile = new QLineEdit(this);
    // Any file name: the code page rule is for text stored in the vault, not for paths.
    edtFile->setMaxLength(kPathLimit);
    btnBrowse = MakeButton(Tr(Str::sBrowse));
    lblPass = new QLabel(Tr(Str::sNewPassword), this);
    EditPass = new QLineEdit(this);
    MakePasswordEdit(EditPass, kPasswordLimit);
    lblConfirm = new QLabel(Tr(Str::sConfirmPassword), this);
    EditConfirm = new QLineEdit(this);
    MakePasswordEdit(EditConfirm, kPasswordLimit);
    chkDisplayPass = new QCheckBox(Tr(Str::sDisplayPassword), this);
    edtFile->setObjectName(QStringLiteral("edtFile"));
    EditPass->setObjectName(QStringLiteral("EditPass"));
    EditConfirm->setObjectName(QStringLiteral("EditConfirm"));
    chkDisplayPass->setObjectName(QStringLiteral("chkDisplayPass"));
    LabelField(lblChooseDb, edtFile);
    LabelField(lblPass, EditPass);
    LabelField(lblConfirm, EditConfirm);
    btnPassGen = MakeButton(Tr(Str::sPassGenButton));
    btnOK = MakeButton(Tr(Str::sOK));
    btnCancel = MakeButton(Tr(Str::sCancel));
    LayOut();

    connect(btnOK, &QPushButton::clicked, this, &TfrmNewPassword::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmNewPassword::btnBrowseClick);
    connect(btnPassGen, &QPushButton::clicked, this, &TfrmNewPassword::btnPassGenClick);
    connect(chkDisplayPass, &QCheckBox::toggled, this, &TfrmNewPassword::chkDisplayPassClick);
}

TfrmNewPassword::~TfrmNewPassword() {
    WipePasswordEdit(EditPass);
    WipePasswordEdit(EditConfirm);
}

void TfrmNewPassword::LayOut() {
    auto* header = new QHBoxLayout;
    header->addWidget(imgLogo);
    header->addSpacing(12);
    header->addWidget(lblAskPass, 1);

    auto* file = new QGridLayout;
    file->addWidget(lblChooseDb, 0, 0, 1, 2);
    file->addWidget(edtFile, 1, 0);
    file->addWidget(btnBrowse, 1, 1);

    auto* passwords = new QGridLayout;
    passwords->addWidget(lblPass, 0, 0);
    passwords->addWidget(EditPass, 0, 1);
    passwords->addWidget(lblConfirm, 1, 0);
    passwords->addWidget(EditConfirm, 1, 1);
    passwords->addWidget(chkDisplayPass, 2, 1);
    passwords->setColumnStretch(1, 1);

    LayOutPage(this, {header, file, passwords}, {btnPassGen}, {btnOK, btnCancel});
    SetTabChain(
        {EditPass, chkDisplayPass, btnOK, btnCancel, EditConfirm, btnPassGen, btnBrowse, edtFile});
    EditPass->setFocus();
}

void TfrmNewPassword::btnOKClick() {
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
    const QString path = edtFile->text();
    if (!MayReplaceExistingFile(path)) {
        SelectAndFocus(edtFile);
        return;
    }
    std::string password = QStringToAnsi(EditPass->text());
    const bool created = FHost.CreateVault(path, password, true);
    WipeString(password);
    if (created) {
        accept();
    }
}

bool TfrmNewPassword::MayReplaceExistingFile(const QString& path) {
    // Creating a vault empties whatever file is there; ask before losing it.
    const QFileInfo existing(path);
    if (path.isEmpty() || !existing.exists() || existing.isDir()) {
        return true;
    }
    return AskOkCancel(this, Tr(Str::sReplaceWithNewVault)
                                 .replace(QStringLiteral("%s"), QDir::toNativeSeparators(path)));
}

void TfrmNewPassword::btnBrowseClick() {
    const QString folder =
        edtFile->text().isEmpty() ? QString() : QFileInfo(edtFile->text()).absolutePath();
    const QString preset = folder.isEmpty() ? Tr(Str::sDefaultVaultFile)
                                            : QDir(folder).filePath(Tr(Str::sDefaultVaultFile));
    // No default suffix: a name typed without an extension is used exactly as typed.
    const QString chosen =
        ServicesBackend().SaveFileName(this, QStringLiteral("Dat File (*.dat)"), QString(), preset);
    if (!chosen.isEmpty()) {
        edtFile->setText(QFileInfo(chosen).absoluteFilePath());
    }
}

void TfrmNewPassword::btnPassGenClick() {
    TfrmPassGen generator(&FHost, this);
    generator.exec();
}

void TfrmNewPassword::chkDisplayPassClick() {
    SetPasswordsMasked({EditPass, EditConfirm}, !chkDisplayPass->isChecked());
}
