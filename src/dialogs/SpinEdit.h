#pragma once

#include <QSpinBox>

// A numeric field with up/down arrows that takes only digits and sign keys (other keys
// beep). Any number may be typed; it is pulled to the nearest bound when the field loses
// the focus, is stepped or is read with interpretText(). Text that does not read as a number
// counts as the minimum.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    TSpinEdit(int minimum, int maximum, int value, QWidget* parent = nullptr);

    QValidator::State validate(QString& input, int& pos) const override;

protected:
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
    void keyPressEvent(QKeyEvent* event) override;
};
