#include "dialogs/FixedDialog.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

TFixedDialog::TFixedDialog(QWidget* parent, int clientWidth, int clientHeight)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setFixedSize(clientWidth, clientHeight);
    setSizeGripEnabled(false);
}

void TFixedDialog::setVisible(bool visible) {
    // Placed before it is shown, so that the dialog does not centre itself over its owner.
    if (visible && FCentreOnScreen && !isVisible() && screen() != nullptr) {
        QRect placed(QPoint(), frameGeometry().size());
        placed.moveCenter(screen()->availableGeometry().center());
        move(placed.topLeft());
    }
    QDialog::setVisible(visible);
}

void TFixedDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            event->ignore();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* button = qobject_cast<QPushButton*>(focusWidget());
                button != nullptr && button->isEnabled()) {
                button->click();
                event->accept();
                return;
            }
            event->ignore();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

QPushButton* TFixedDialog::MakeButton(const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}
