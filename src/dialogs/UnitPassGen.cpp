#include "dialogs/UnitPassGen.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "base/StringTable.h"
#include "common/ClipboardGuard.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/PasswordTools.h"
#include "dialogs/SpinEdit.h"
#include "dialogs/VaultHost.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"
#include "vault/NodeData.h"

namespace {

constexpr int kClientWidth = 702;
constexpr int kClientHeight = 466;

QCheckBox* MakeCheckBox(const char* name, const char* caption, bool ticked, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(ticked);
    return box;
}

}  // namespace

TfrmPassGen::TfrmPassGen(IVaultHost* host, QWidget* parent)
    : TFixedDialog(parent, kClientWidth, kClientHeight), FHost(host) {
    setWindowTitle(Tr(Str::sPassGenCaption));
    CreateControls();
    LayOut();
    connect(Button1, &QPushButton::clicked, this, &TfrmPassGen::Button1Click);
    connect(btnClear, &QPushButton::clicked, this, &TfrmPassGen::btnClearClick);
    connect(BtnCopy, &QPushButton::clicked, this, &TfrmPassGen::BtnCopyClick);
    connect(btnSaveToFile, &QPushButton::clicked, this, &TfrmPassGen::btnSaveToFileClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmPassGen::btnCloseClick);
}

TfrmPassGen* TfrmPassGen::ShowModeless(IVaultHost* host, QWidget* centreOver) {
    auto* window = new TfrmPassGen(host, nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (centreOver != nullptr) {
        const QRect over = centreOver->window()->frameGeometry();
        window->move(over.center() - window->rect().center());
    }
    window->show();
    return window;
}

void TfrmPassGen::CreateControls() {
    imgNew = MakePicture(QStringLiteral(":/images/passgen.png"), 32, this);
    lblInfo = new QLabel(Tr(Str::sPassGenInfo), this);
    lblInfo->setWordWrap(true);
    Label1 = new QLabel(QStringLiteral("Password Length:"), this);
    SpinPassLen =
        new TSpinEdit(kGeneratorMinLength, kGeneratorMaxLength, kGeneratorDefaultLength, this);
    const TCharSets& ticked = kDefaultCharSets;
    chkSmallLetter =
        MakeCheckBox("chkSmallLetter", "Include small letter(a,b,c...)", ticked.SmallLetters, this);
    chkCaptialLetter = MakeCheckBox("chkCaptialLetter", "Include Captial letter(eg. A,B,C...)",
                                    ticked.CapitalLetters, this);
    chkNumber = MakeCheckBox("chkNumber", "Include number(1,2,3..)", ticked.Digits, this);
    chkPunctuation = MakeCheckBox("chkPunctuation", "Include punctuation symbols(~,@,#,$,*,!,^...)",
                                  ticked.Punctuation, this);
    chkBrackets =
        MakeCheckBox("chkBrackets", "Include Brackets([,],<,>,{,})", ticked.Brackets, this);
    chkSpace = MakeCheckBox("chkSpace", "Include Space( )", ticked.Space, this);
    chkMinus = MakeCheckBox("chkMinus", "Include Minus(-)", ticked.Minus, this);
    chkUnderLine = MakeCheckBox("chkUnderLine", "Include Underline(_)", ticked.Underline, this);
    Label2 = new QLabel(QStringLiteral("Quantity(How many password you want to create):"), this);
    SpinCount = new TSpinEdit(kGeneratorMinCount, kGeneratorMaxCount, kGeneratorDefaultCount, this);
    txtGen = new QPlainTextEdit(this);
    txtGen->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtGen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtGen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtGen->setTabChangesFocus(true);
    MakeAnsiMemo(txtGen, std::numeric_limits<int>::max());
    txtGen->clear();
    SpinPassLen->setObjectName(QStringLiteral("SpinPassLen"));
    SpinCount->setObjectName(QStringLiteral("SpinCount"));
    txtGen->setObjectName(QStringLiteral("txtGen"));
    LabelField(Label1, SpinPassLen);
    LabelField(Label2, SpinCount);
    // The list has no label of its own.
    txtGen->setAccessibleName(Tr(Str::sGeneratedPasswordsName));
    btnClear = MakeButton(Tr(Str::sClear));
    BtnCopy = MakeButton(QStringLiteral("Copy"));
    btnSaveToFile = MakeButton(QStringLiteral("Save"));
    Button1 = MakeButton(QStringLiteral("Create Password"));
    btnClose = MakeButton(QStringLiteral("Close"));
}

void TfrmPassGen::LayOut() {
    auto* titlePanel = new QFrame(this);
    titlePanel->setFrameShape(QFrame::StyledPanel);
    titlePanel->setAutoFillBackground(true);
    titlePanel->setBackgroundRole(QPalette::Base);
    auto* titleRow = new QHBoxLayout(titlePanel);
    titleRow->addWidget(imgNew, 0, Qt::AlignTop);
    titleRow->addWidget(lblInfo, 1);

    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(Label1);
    lengthRow->addWidget(SpinPassLen);
    lengthRow->addStretch(1);

    // Two columns of four: small, number, punctuation, brackets | capital, minus, underline,
    // space.
    auto* sets = new QGridLayout;
    QCheckBox* const left[] = {chkSmallLetter, chkNumber, chkPunctuation, chkBrackets};
    QCheckBox* const right[] = {chkCaptialLetter, chkMinus, chkUnderLine, chkSpace};
    for (int row = 0; row < 4; ++row) {
        sets->addWidget(left[row], row, 0);
        sets->addWidget(right[row], row, 1);
    }

    auto* countRow = new QHBoxLayout;
    countRow->addWidget(Label2);
    countRow->addWidget(SpinCount);
    countRow->addStretch(1);
    SpinPassLen->setMinimumWidth(80);
    SpinCount->setMinimumWidth(80);

    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(btnClear);
    listButtons->addWidget(BtnCopy);
    listButtons->addWidget(btnSaveToFile);
    listButtons->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addWidget(btnClose);

    auto* page = new QVBoxLayout(this);
    page->addWidget(titlePanel);
    page->addLayout(lengthRow);
    page->addLayout(sets);
    page->addLayout(countRow);
    page->addWidget(txtGen, 1);
    page->addLayout(listButtons);
    page->addLayout(bottom);

    // Top to bottom, left column before right.
    SetTabChain({SpinPassLen, chkSmallLetter, chkCaptialLetter, chkNumber, chkMinus, chkPunctuation,
                 chkUnderLine, chkBrackets, chkSpace, SpinCount, txtGen, btnClear, BtnCopy,
                 btnSaveToFile, Button1, btnClose});
}

void TfrmPassGen::Button1Click() {
    // Read what was typed even when the focus never left the fields.
    SpinPassLen->interpretText();
    SpinCount->interpretText();
    TCharSets sets;
    sets.SmallLetters = chkSmallLetter->isChecked();
    sets.CapitalLetters = chkCaptialLetter->isChecked();
    sets.Digits = chkNumber->isChecked();
    sets.Punctuation = chkPunctuation->isChecked();
    sets.Brackets = chkBrackets->isChecked();
    sets.Space = chkSpace->isChecked();
    sets.Minus = chkMinus->isChecked();
    sets.Underline = chkUnderLine->isChecked();
    const int count = SpinCount->value();
    const int length = SpinPassLen->value();

    // The whole list is built first and handed over once: the text widget lays out one
    // large text far faster than tens of thousands of appended lines.
    std::string list;
    list.reserve(static_cast<std::size_t>(count) * static_cast<std::size_t>(length + 1));
    // Each password is a line with its line end, so that an empty password is a line too.
    for (int i = 0; i < count; ++i) {
        std::string password = CreateRandomPassword(sets, length);
        list += password;
        list += '\n';
        WipeString(password);
    }
    txtGen->setPlainText(AnsiToQString(list));
    WipeString(list);
}

void TfrmPassGen::btnClearClick() {
    txtGen->clear();
}

void TfrmPassGen::BtnCopyClick() {
    QString text = txtGen->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (CopySecretToClipboard(text)) {
        ShowInformation(Tr(Str::sCopiedToClipboard));
    }
    text.fill(QLatin1Char(' '));
}

std::string TfrmPassGen::ListAsCrLfLines() const {
    // The lines of the text: a last line without a line end is a line too, while the empty
    // stretch after the last line end is not.
    std::string bytes = QStringToAnsi(txtGen->toPlainText());
    std::string lines;
    lines.reserve(bytes.size() + bytes.size() / 8 + 2);
    for (char c : bytes) {
        if (c == '\n') {
            lines += "\r\n";
        } else {
            lines += c;
        }
    }
    if (!bytes.empty() && bytes.back() != '\n') {
        lines += "\r\n";
    }
    WipeString(bytes);
    return lines;
}

void TfrmPassGen::btnSaveToFileClick() {
    const QString path =
        ServicesBackend().SaveFileName(this, QString(), QStringLiteral("txt"), FLastSaveName);
    if (path.isEmpty()) {
        return;
    }
    FLastSaveName = path;
    const std::string openVault = FHost != nullptr ? NativePath(FHost->DatabaseFile()) : "";
    std::string lines = ListAsCrLfLines();
    try {
        WriteSecretFileBesideVault(NativePath(path), lines, openVault);
    } catch (const EOpenVaultDestinationError& error) {
        ShowWarning(ErrorText(error));
    } catch (const std::exception& error) {
        ShowError(ErrorText(error));
    }
    WipeString(lines);
}

void TfrmPassGen::btnCloseClick() {
    // Cancel result; closes the window whether it was shown modally or not.
    reject();
}
