#include "dialogs/UnitDatabaseFormat.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdint>

#include "base/StringTable.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"

namespace {

constexpr int kTextWidth = 520;
constexpr std::uint32_t kKiBPerMiB = 1024;

QLabel* MakeText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setMinimumWidth(kTextWidth);
    return label;
}

QString KdfText(const TKdfParameters& kdf) {
    return Tr(Str::sFormat2Kdf)
        .arg(kdf.MemoryKiB / kKiBPerMiB)
        .arg(kdf.Iterations)
        .arg(kdf.Parallelism);
}

}  // namespace

TfrmDatabaseFormat::TfrmDatabaseFormat(TVaultFormat format, const TKdfParameters& kdf,
                                       QWidget* parent)
    : QDialog(parent),
      FTarget(format == TVaultFormat::Format2 ? TVaultFormat::Format101 : TVaultFormat::Format2) {
    setObjectName(QStringLiteral("frmDatabaseFormat"));
    setWindowTitle(Tr(Str::sDatabaseFormatCaption));
    const bool format2 = format == TVaultFormat::Format2;
    lblFormatIs = MakeText(Tr(Str::sFormatIs), this);
    lblFormat = MakeText(Tr(format2 ? Str::sFormat2Name : Str::sFormat101Name), this);
    lblFormat->setObjectName(QStringLiteral("lblFormat"));
    QFont bold = lblFormat->font();
    bold.setBold(true);
    lblFormat->setFont(bold);
    lblDetail = MakeText(format2 ? KdfText(kdf) : Tr(Str::sFormat101Risk), this);
    lblDetail->setObjectName(QStringLiteral("lblDetail"));
    lblConvert = MakeText(Tr(format2 ? Str::sConvertTo101Meaning : Str::sConvertTo2Meaning), this);
    lblConvert->setObjectName(QStringLiteral("lblConvert"));
    auto* buttons = new QDialogButtonBox(this);
    btnConvert = buttons->addButton(Tr(format2 ? Str::sConvertTo101Button : Str::sConvertTo2Button),
                                    QDialogButtonBox::AcceptRole);
    btnConvert->setObjectName(QStringLiteral("btnConvert"));
    btnClose = buttons->addButton(Tr(Str::sClose), QDialogButtonBox::RejectRole);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnConvert->setAutoDefault(false);
    btnClose->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    LayOut();
}

void TfrmDatabaseFormat::LayOut() {
    auto* page = new QVBoxLayout(this);
    page->addWidget(lblFormatIs);
    page->addWidget(lblFormat);
    page->addWidget(lblDetail);
    page->addSpacing(12);
    page->addWidget(lblConvert);
    page->addStretch(1);
    page->addSpacing(8);
    page->addWidget(btnConvert->parentWidget());
    SetTabChain({btnClose, btnConvert});
    btnClose->setFocus();
}
