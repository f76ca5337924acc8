#include "dialogs/DialogHelpers.h"

#include <algorithm>

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/VaultHost.h"
#include "vault/NodeData.h"

void SelectAndFocus(QLineEdit* edit) {
    edit->selectAll();
    edit->setFocus(Qt::OtherFocusReason);
}

void SetPasswordsMasked(std::initializer_list<QLineEdit*> edits, bool masked) {
    for (QLineEdit* edit : edits) {
        edit->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    }
}

QString AccessibleNameOf(const QString& labelText) {
    QString name;
    name.reserve(labelText.size());
    for (qsizetype i = 0; i < labelText.size(); ++i) {
        if (labelText.at(i) == QLatin1Char('&')) {
            ++i;  // the marker goes; of "&&" one '&' stays
            if (i == labelText.size()) {
                break;
            }
        }
        name += labelText.at(i);
    }
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':'))) {
        name.chop(1);
    }
    return name.trimmed();
}

void LabelField(QLabel* label, QWidget* field) {
    label->setBuddy(field);
    field->setAccessibleName(AccessibleNameOf(label->text()));
}

void SetTabChain(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

void LayOutPage(QDialog* dialog, std::initializer_list<QLayout*> rows,
                std::initializer_list<QWidget*> leftButtons,
                std::initializer_list<QWidget*> rightButtons) {
    auto* buttons = new QHBoxLayout;
    for (QWidget* button : leftButtons) {
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    for (QWidget* button : rightButtons) {
        buttons->addWidget(button);
    }
    auto* page = new QVBoxLayout(dialog);
    for (QLayout* row : rows) {
        page->addLayout(row);
    }
    page->addStretch(1);
    page->addLayout(buttons);
}

void MakePasswordEdit(QLineEdit* edit, int maxLength) {
    MakeAnsiEdit(edit, maxLength);
    edit->clear();
    // 42 is '*', the mask character users of this program know.
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    edit->setEchoMode(QLineEdit::Password);
}

void WipePasswordEdit(QLineEdit* edit) {
    // text() shares the edit's own buffer; writing through it reaches the characters there,
    // also those behind the end that a clear() or a deletion left in place. Text set from a
    // literal lies in read-only memory and is no typed secret: left alone.
    QString shared = edit->text();
    if (shared.data_ptr().isMutable()) {
        auto* characters = const_cast<QChar*>(shared.constData());
        const qsizetype storage = shared.size() + shared.data_ptr().freeSpaceAtEnd();
        std::fill(characters, characters + storage, QChar(u'\0'));
    }
    // setText() drops the undo history.
    edit->setText(QString());
}

QLabel* MakePicture(const QString& resource, int size, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFixedSize(size, size);
    label->setPixmap(
        QPixmap(resource).scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return label;
}

TNewPasswordProblem TypedNewPasswordProblem(const QString& password,
                                            const std::optional<QString>& confirmation) {
    std::string clear = QStringToAnsi(password);
    std::string confirmationClear = confirmation ? QStringToAnsi(*confirmation) : std::string();
    const TNewPasswordProblem problem = CheckNewMasterPassword(
        clear, confirmation ? std::optional<std::string_view>(confirmationClear) : std::nullopt);
    WipeString(clear);
    WipeString(confirmationClear);
    return problem;
}

std::optional<bool> CheckTypedPassword(IVaultHost& host, const QString& path,
                                       const QString& typed) {
    std::string password = QStringToAnsi(typed);
    try {
        const bool opens = host.CheckVaultPassword(path, password);
        WipeString(password);
        return opens;
    } catch (const std::exception& error) {
        WipeString(password);
        ShowError(ErrorText(error));
        return std::nullopt;
    }
}
