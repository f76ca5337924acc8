#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "CommonQtTests.h"
#include "common/TextCodec.h"

namespace {

void TypeText(QWidget* widget, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
}

}  // namespace

class TTextCodecTest : public QObject {
    Q_OBJECT
private slots:
    void EveryByteRoundTripsAsOneCharacter() {
        std::string all;
        for (int value = 0; value < 256; ++value) {
            const std::string one(1, static_cast<char>(value));
            const QString text = AnsiToQString(one);
            QCOMPARE(text.size(), 1);
            QVERIFY2(IsAnsiText(text), qPrintable(QString::number(value)));
            QCOMPARE(QStringToAnsi(text), one);
            all += one;
        }
        QCOMPARE(QStringToAnsi(AnsiToQString(all)), all);
    }

    void MapsTheCodePageCharacters() {
        QCOMPARE(AnsiToQString("\x80"), QString(QChar(0x20AC)));
        QCOMPARE(AnsiToQString(std::string("\x8A")), QString(QChar(0x0160)));
        QCOMPARE(AnsiToQString(std::string("\x99")), QString(QChar(0x2122)));
        QCOMPARE(AnsiToQString(std::string("\x9F")), QString(QChar(0x0178)));
        QCOMPARE(AnsiToQString("\xA0\xE9\xFF"), QStringLiteral("\u00A0\u00E9\u00FF"));
        // The five undefined bytes keep the control character of the same number.
        for (const int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
            QCOMPARE(AnsiToQString(std::string(1, static_cast<char>(undefined))).at(0).unicode(),
                     static_cast<char16_t>(undefined));
        }
        QCOMPARE(Tr(std::string_view("Crete New Password")), QStringLiteral("Crete New Password"));
    }

    void CharactersOutsideTheCodePageBecomeOneQuestionMark() {
        QVERIFY(!IsAnsiText(QStringLiteral("\u0100")));
        QVERIFY(!IsAnsiText(QString(QChar(0x0080))));  // a C1 control the code page replaced
        QCOMPARE(QStringToAnsi(QStringLiteral("a\u0100b")), std::string("a?b"));
        // A character outside the basic plane is one character.
        QCOMPARE(QStringToAnsi(QString::fromUcs4(U"x\U0001F600y")), std::string("x?y"));
        QVERIFY(!IsAnsiText(QString::fromUcs4(U"\U0001F600")));
    }

    void ValidatorRefusesForeignCharacters() {
        TAnsiValidator validator;
        int pos = 0;
        QString accepted = QStringLiteral("\u20ACuro \u00E9t\u00E9");
        QCOMPARE(validator.validate(accepted, pos), QValidator::Acceptable);
        QString refused = QStringLiteral("ok\u0100");
        QCOMPARE(validator.validate(refused, pos), QValidator::Invalid);
    }

    void AnsiEditKeepsOnlyWhatTheCodePageHoldsUpToItsLimit() {
        QLineEdit edit;
        MakeAnsiEdit(&edit, 6);
        QTest::keyClicks(&edit, "abc");
        TypeText(&edit, QStringLiteral("\u0100"));
        QCOMPARE(edit.text(), QStringLiteral("abc"));
        edit.insert(QStringLiteral("d\u4E2De"));  // a paste with one foreign character
        QCOMPARE(edit.text(), QStringLiteral("abc"));
        TypeText(&edit, QStringLiteral("\u20AC"));
        QTest::keyClicks(&edit, "wxyz");
        QCOMPARE(edit.text(), QStringLiteral("abc\u20ACwx"));
        QCOMPARE(QStringToAnsi(edit.text()).size(), std::size_t(6));
    }

    void AnsiMemoCutsForeignAndExcessInput() {
        QPlainTextEdit memo;
        MakeAnsiMemo(&memo, 8);
        memo.insertPlainText(QStringLiteral("ab\u0100c\u00A0d"));
        QCOMPARE(memo.document()->toRawText(), QStringLiteral("abc\u00A0d"));
        // What is typed beyond the limit is cut, not the text after the cursor.
        QTextCursor cursor = memo.textCursor();
        cursor.setPosition(1);
        memo.setTextCursor(cursor);
        memo.insertPlainText(QStringLiteral("123456"));
        QCOMPARE(memo.document()->toRawText(), QStringLiteral("a123bc\u00A0d"));
        // Text set from code is cut back too, from its end.
        memo.setPlainText(QStringLiteral("0123456789"));
        QCOMPARE(memo.toPlainText(), QStringLiteral("01234567"));
        memo.setPlainText(QStringLiteral("l1\nl2\u4E2D"));
        QCOMPARE(memo.toPlainText(), QStringLiteral("l1\nl2"));
        // A line break is stored as CR LF and counts two against the limit.
        memo.setPlainText(QStringLiteral("a\nb\nc\nde"));
        QCOMPARE(memo.toPlainText(), QStringLiteral("a\nb\nc"));
    }
};

int RunTextCodecTests(int argc, char** argv) {
    TTextCodecTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TextCodecQtTest.moc"
