#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolTip>

#include "CommonQtTests.h"
#include "base/Cp1252.h"
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
    // The model holds UTF-8: every character of the code page and beyond comes back whole;
    // what edits accept follows the open vault's format.
    void ModelTextRoundTripsAndEditsFollowTheVaultsFormat() {
        std::string everyByte;
        for (int value = 1; value < 256; ++value) {
            everyByte += static_cast<char>(value);
        }
        const std::string codePage = Cp1252ToUtf8(everyByte);
        const std::string beyond = "\xC5\x81ukasz \xD0\xAF \xE7\x8E\x8B \xF0\x9F\x98\x80";
        for (const std::string& model : {codePage, beyond}) {
            QCOMPARE(QStringToAnsi(AnsiToQString(model)), model);
        }
        QCOMPARE(AnsiToQString(codePage).size(), 255);
        QVERIFY(IsAnsiText(AnsiToQString(codePage)));
        QVERIFY(!IsAnsiText(AnsiToQString(beyond)));
        QVERIFY(!IsAnsiText(QString(QChar(0x0080))));  // a C1 control the code page replaced
        SetVaultTextKind(TVaultTextKind::Unicode);
        QVERIFY(IsAnsiText(AnsiToQString(beyond)));
        QLineEdit edit;
        MakeAnsiEdit(&edit, 6);
        TypeText(&edit, QStringLiteral("\u738B"));
        QPlainTextEdit memo;
        MakeAnsiMemo(&memo, 8);
        memo.insertPlainText(QStringLiteral("ab\u0100c"));
        SetVaultTextKind(TVaultTextKind::CodePage1252);
        QCOMPARE(edit.text(), QStringLiteral("\u738B"));
        QCOMPARE(memo.toPlainText(), QStringLiteral("ab\u0100c"));
        QCOMPARE(Tr(std::string_view("Crete New Password")), QStringLiteral("Crete New Password"));
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
        QCOMPARE(edit.text().size(), 6);
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

    // A refused character is named where it was typed, never dropped without a word; a
    // password edit does not spell it out.
    void RefusedCharacterIsNamedAtTheField() {
        QWidget page;
        auto* edit = new QLineEdit(&page);
        MakeAnsiEdit(edit, 20);
        auto* memo = new QPlainTextEdit(&page);
        MakeAnsiMemo(memo, 20);
        page.show();
        QTest::keyClicks(edit, "abc");
        QToolTip::hideText();
        TypeText(edit, QStringLiteral("\u0436"));
        QCOMPARE(edit->text(), QStringLiteral("abc"));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(),
                 QStringLiteral("This database (format 101) cannot hold the character "
                                "\u201C\u0436\u201D (U+0436); convert it to format 2 (File, "
                                "Database Format...) to use any character."));

        QToolTip::hideText();
        memo->insertPlainText(QStringLiteral("x\U0001F600y"));  // a paste
        QCOMPARE(memo->toPlainText(), QStringLiteral("xy"));
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().contains(QStringLiteral("\u201C\U0001F600\u201D (U+1F600)")),
                 qPrintable(QToolTip::text()));

        QToolTip::hideText();
        edit->setEchoMode(QLineEdit::Password);
        edit->insert(QStringLiteral("d\u0436"));
        QCOMPARE(edit->text(), QStringLiteral("abc"));
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().startsWith("This database (format 101) cannot hold that "
                                             "character;") &&
                     !QToolTip::text().contains(QStringLiteral("\u0436")),
                 qPrintable(QToolTip::text()));

        // Format 2 holds it: taken, and nothing to say.
        QToolTip::hideText();
        SetVaultTextKind(TVaultTextKind::Unicode);
        TypeText(edit, QStringLiteral("\u0436"));
        SetVaultTextKind(TVaultTextKind::CodePage1252);
        QCOMPARE(edit->text(), QStringLiteral("abc\u0436"));
        QTest::qWait(50);
        QVERIFY(!QToolTip::isVisible());
    }
};

int RunTextCodecTests(int argc, char** argv) {
    TTextCodecTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TextCodecQtTest.moc"
