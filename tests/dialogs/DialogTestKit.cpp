#include "DialogTestKit.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

bool ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

bool IsSelectedAndFocused(QLineEdit* edit) {
    return edit->hasFocus() && edit->selectedText() == edit->text();
}

void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QList<QWidget*> TabSequence(QWidget* window, int count) {
    QList<QWidget*> sequence;
    for (int i = 0; i < count; ++i) {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused != nullptr ? focused : window, Qt::Key_Tab);
        focused = QApplication::focusWidget();
        if (focused != nullptr && focused->parentWidget() != nullptr &&
            (qobject_cast<QComboBox*>(focused->parentWidget()) != nullptr ||
             qobject_cast<QAbstractSpinBox*>(focused->parentWidget()) != nullptr)) {
            focused = focused->parentWidget();
        }
        sequence.append(focused);
    }
    return sequence;
}

QString WriteTestFile(const TDialogTestScope& scope, const QString& name, const QByteArray& bytes) {
    const QString path = scope.FilePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
    return path;
}

QByteArray ReadTestFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
