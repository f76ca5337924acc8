#include "dialogs/SpinEdit.h"

#include <QKeyEvent>
#include <algorithm>

#include "common/Services.h"

namespace {

bool IsDigitOrSign(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
           c == QLatin1Char('-');
}

// More digits than this are far beyond either bound, whatever they say.
constexpr qsizetype kMaxDigits = 12;

}  // namespace

TSpinEdit::TSpinEdit(int minimum, int maximum, int value, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    setValue(value);
    // The value follows the text only when the typing is over, so that a half-typed number
    // is not pulled to a bound under the user's fingers.
    setKeyboardTracking(false);
}

QValidator::State TSpinEdit::validate(QString& input, int& pos) const {
    Q_UNUSED(pos);
    for (const QChar c : input) {
        if (!IsDigitOrSign(c)) {
            return QValidator::Invalid;
        }
    }
    return QValidator::Acceptable;
}

int TSpinEdit::valueFromText(const QString& text) const {
    QString digits = text.trimmed();
    bool negative = false;
    if (digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-'))) {
        negative = digits.startsWith(QLatin1Char('-'));
        digits.remove(0, 1);
    }
    if (digits.isEmpty()) {
        return minimum();
    }
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return minimum();
        }
    }
    // Leading zeros are no digits of the value.
    qsizetype zeros = 0;
    while (zeros + 1 < digits.size() && digits.at(zeros) == QLatin1Char('0')) {
        ++zeros;
    }
    digits.remove(0, zeros);
    if (digits.size() > kMaxDigits) {
        return negative ? minimum() : maximum();
    }
    const qlonglong number = digits.toLongLong() * (negative ? -1 : 1);
    return static_cast<int>(
        std::clamp(number, static_cast<qlonglong>(minimum()), static_cast<qlonglong>(maximum())));
}

QString TSpinEdit::textFromValue(int value) const {
    return QString::number(value);
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool command =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && !text.isEmpty() && text.at(0).isPrint() && !IsDigitOrSign(text.at(0))) {
        Beep();
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}
