#include "app/FindDialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"

namespace {
constexpr int kMaxFindText = 255;
}

TFindDialog::TFindDialog(QWidget* parent)
    : QDialog(parent),
      edtFindText(new QLineEdit(this)),
      btnFind(new QPushButton(this)),
      btnClose(new QPushButton(this)) {
    setModal(false);
    setObjectName(QStringLiteral("FindDialog"));
    edtFindText->setObjectName(QStringLiteral("edtFindText"));
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnFind->setDefault(true);
    // The find text is searched for as vault bytes, so only what the code page holds is typed.
    MakeAnsiEdit(edtFindText, kMaxFindText);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnFind);
    buttons->addWidget(btnClose);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(edtFindText, 1, Qt::AlignTop);
    layout->addLayout(buttons);
    resize(360, 90);

    connect(btnFind, &QPushButton::clicked, this, [this] { emit Find(FindText()); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
}

QString TFindDialog::FindText() const {
    return edtFindText->text();
}

void TFindDialog::ApplyCaptions(const QString& caption, const QString& findCaption,
                                const QString& closeCaption) {
    setWindowTitle(caption);
    // The find text has no label: the window's caption names it.
    edtFindText->setAccessibleName(AccessibleNameOf(caption));
    btnFind->setText(findCaption);
    btnClose->setText(closeCaption);
}
