#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "DialogTestKit.h"
#include "common/TextCodec.h"
#include "dialogs/UnitNewRecord.h"
#include "vault/RecordTree.h"

namespace {

const QString kEditorSets = QStringLiteral(
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789~!@#$%^&*+=|\\:;\"?/.");

PNode AddNode(TRecordTree& tree, PNode parent, const std::string& title, bool group) {
    PNode node = tree.AddChild(parent);
    node->Data.Title = title;
    node->Data.IsGroup = group;
    return node;
}

// Two groups with records, and a group nested under a record's level to prove pre-order.
void FillTree(TRecordTree& tree) {
    PNode work = AddNode(tree, nullptr, "Work", true);
    AddNode(tree, work, "mail", false);
    PNode inner = AddNode(tree, work, "Inner", true);
    AddNode(tree, inner, "deep record", false);
    PNode home = AddNode(tree, nullptr, "Home \xC3\xA9t\xC3\xA9", true);
    AddNode(tree, home, "bank", false);
}

QColor BarColour(const TfrmNewRecord& dialog) {
    return dialog.ShapePass->palette().color(QPalette::Window);
}

}  // namespace

class TNewRecordTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TDialogTestScope> FScope;
    std::unique_ptr<TRecordTree> FTree;

private slots:
    void init() {
        FScope = std::make_unique<TDialogTestScope>();
        FTree = std::make_unique<TRecordTree>();
        FillTree(*FTree);
    }
    void cleanup() {
        FTree.reset();
        FScope.reset();
    }

    void IsLaidOutAsAgreed() {
        TfrmNewRecord dialog(*FTree);
        QCOMPARE(dialog.size(), QSize(696, 416));
        QCOMPARE(dialog.lblTitle->text(), QStringLiteral("Title"));
        QCOMPARE(dialog.lblGroup->text(), QStringLiteral("Group Name"));
        QCOMPARE(dialog.lblID->text(), QStringLiteral("User Name"));
        QCOMPARE(dialog.lblPass->text(), QStringLiteral("Password"));
        QCOMPARE(dialog.lblURL->text(), QStringLiteral("URL"));
        QCOMPARE(dialog.lblInfo->text(), QStringLiteral("Notes"));
        QCOMPARE(dialog.btnGenPass->text(), QStringLiteral("Create Random Password"));
        for (QLineEdit* edit : {dialog.edtTitle, dialog.edtID, dialog.edtPass, dialog.edtUrl}) {
            QCOMPARE(edit->maxLength(), 128);
            QVERIFY(edit->text().isEmpty());
        }
        QCOMPARE(dialog.edtPass->echoMode(), QLineEdit::Normal);
        QVERIFY(dialog.cmbGroup->isEditable());
        QCOMPARE(dialog.ShapePass->size(), QSize(212, 20));
        QVERIFY(dialog.ShapePass->isHidden());
        QVERIFY(dialog.lblWeak->isHidden());

        QVERIFY(ShowActive(&dialog));
        QVERIFY(dialog.edtTitle->hasFocus());
        const QList<QWidget*> expected = {dialog.edtID,   dialog.edtPass,    dialog.edtUrl,
                                          dialog.txtInfo, dialog.btnGenPass, dialog.cmbGroup,
                                          dialog.btnOK,   dialog.btnCancel,  dialog.edtTitle};
        QCOMPARE(TabSequence(&dialog, 9), expected);
    }

    void ListsTheGroupsInTreeOrder() {
        TfrmNewRecord dialog(*FTree);
        QCOMPARE(dialog.cmbGroup->count(), 3);
        QCOMPARE(dialog.cmbGroup->itemText(0), QStringLiteral("Work"));
        QCOMPARE(dialog.cmbGroup->itemText(1), QStringLiteral("Inner"));
        QCOMPARE(dialog.cmbGroup->itemText(2), QStringLiteral("Home \u00E9t\u00E9"));
        QCOMPARE(dialog.cmbGroup->currentText(), QStringLiteral("Work"));
        QVERIFY(dialog.FillGroupList());
        QCOMPARE(dialog.cmbGroup->count(), 3);  // refilled, not appended
    }

    void SelectsTheCallersGroup() {
        TfrmNewRecord dialog(*FTree);
        dialog.SelectGroup(QStringLiteral("INNER"));
        QCOMPARE(dialog.cmbGroup->currentIndex(), 1);
        dialog.SelectGroup(QStringLiteral("home \u00E9t\u00E9"));
        QCOMPARE(dialog.cmbGroup->currentIndex(), 2);
        // Only a-z fold: an accented capital is another letter.
        dialog.SelectGroup(QStringLiteral("HOME \u00C9T\u00C9"));
        QCOMPARE(dialog.cmbGroup->currentIndex(), 0);
        dialog.SelectGroup(QStringLiteral("Unknown"));
        QCOMPARE(dialog.cmbGroup->currentIndex(), 0);
    }

    void EmptyVaultLeavesTheGroupBoxEmpty() {
        TRecordTree empty;
        TfrmNewRecord dialog(empty);
        QCOMPARE(dialog.cmbGroup->count(), 0);
        QVERIFY(dialog.cmbGroup->currentText().isEmpty());
        dialog.btnOK->click();
        QVERIFY(dialog.result() != QDialog::Accepted);
    }

    void RefusesABlankGroupName() {
        TfrmNewRecord dialog(*FTree);
        QVERIFY(ShowActive(&dialog));
        for (const QString& blank : {QString(), QStringLiteral("   "), QStringLiteral(" \t ")}) {
            dialog.cmbGroup->setEditText(blank);
            dialog.edtTitle->setFocus();
            dialog.btnOK->click();
            QVERIFY(dialog.cmbGroup->hasFocus());
            QVERIFY(dialog.isVisible());
        }
        QVERIFY(FScope->Services->Boxes.isEmpty());
    }

    void KeepsALeadingBlankOfTheGroupName() {
        TfrmNewRecord dialog(*FTree);
        dialog.cmbGroup->setEditText(QStringLiteral(" Travel "));
        dialog.btnOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.cmbGroup->currentText(), QStringLiteral(" Travel "));
    }

    void MeterFollowsThePassword() {
        TfrmNewRecord dialog(*FTree);
        struct TCase {
            QString Password;
            QString Label;
            QColor Colour;
            int Score;
        };
        const TCase cases[] = {
            {QStringLiteral("abc"), QStringLiteral("Very Weak"), QColor(200, 150, 0), 7},
            {QStringLiteral("aaabbb"), QStringLiteral("Very Weak"), QColor(0, 100, 0), 4},
            {QStringLiteral("AaaaaB"), QStringLiteral("Very Weak"), QColor(0, 100, 0), 3},
            {QStringLiteral("012345"), QStringLiteral("Very Weak"), QColor(0, 150, 0), 2},
            {QStringLiteral("mhtwkrdq"), QStringLiteral("Strong"), QColor(0, 200, 0), 0},
            {QStringLiteral("a1b2c3d4e5"), QStringLiteral("Very Strong"), QColor(0, 255, 0), -4},
        };
        for (const TCase& c : cases) {
            dialog.edtPass->setText(c.Password);
            QCOMPARE(dialog.lblWeak->text(), c.Label);
            QCOMPARE(BarColour(dialog), c.Colour);
            QVERIFY(!dialog.ShapePass->isHidden());
            QVERIFY(!dialog.lblWeak->isHidden());
            QCOMPARE(FScope->Services->DebugLines.last(),
                     QStringLiteral("KLOMP:") + QString::number(c.Score));
        }
        dialog.edtPass->clear();
        QVERIFY(dialog.ShapePass->isHidden());
        QVERIFY(dialog.lblWeak->isHidden());
        QCOMPARE(FScope->Services->DebugLines.last(), QStringLiteral("KLOMP:10"));
    }

    void MeterShowsAtOnceWhenTheCallerSetsAPassword() {
        TfrmNewRecord dialog(*FTree);
        QVERIFY(FScope->Services->DebugLines.isEmpty());
        dialog.edtPass->setText(QStringLiteral("a!b#c$d%"));
        QVERIFY(!dialog.ShapePass->isHidden());
        QCOMPARE(dialog.lblWeak->text(), QStringLiteral("Very Strong"));
    }

    void EditingTheUrlRatesThePasswordAgain() {
        TfrmNewRecord dialog(*FTree);
        dialog.edtPass->setText(QStringLiteral("mhtwkrdq"));
        const qsizetype before = FScope->Services->DebugLines.size();
        dialog.edtUrl->setText(QStringLiteral("https://example.org"));
        QCOMPARE(FScope->Services->DebugLines.size(), before + 1);
        QCOMPARE(FScope->Services->DebugLines.last(), QStringLiteral("KLOMP:0"));
        QCOMPARE(dialog.lblWeak->text(), QStringLiteral("Strong"));
    }

    void GeneratesSixteenCharactersEachTime() {
        TfrmNewRecord dialog(*FTree);
        dialog.btnGenPass->click();
        const QString first = dialog.edtPass->text();
        dialog.btnGenPass->click();
        const QString second = dialog.edtPass->text();
        QCOMPARE(first.size(), 16);
        QCOMPARE(second.size(), 16);
        QVERIFY(first != second);
        for (const QChar c : first + second) {
            QVERIFY(kEditorSets.contains(c));
        }
        QVERIFY(!dialog.ShapePass->isHidden());
    }

    void FieldsTakeOnlyCodePageText() {
        TfrmNewRecord dialog(*FTree);
        QVERIFY(ShowActive(&dialog));
        dialog.edtTitle->setFocus();
        TypeText(dialog.edtTitle, QStringLiteral("T\u0394\u00FCr\u20AC"));
        QCOMPARE(dialog.edtTitle->text(), QStringLiteral("T\u00FCr\u20AC"));
        dialog.cmbGroup->setFocus();
        dialog.cmbGroup->lineEdit()->selectAll();
        TypeText(dialog.cmbGroup->lineEdit(), QStringLiteral("G\u4E2Dx"));
        QCOMPARE(dialog.cmbGroup->currentText(), QStringLiteral("Gx"));
        dialog.txtInfo->insertPlainText(QStringLiteral("n\u4E2Do") + QString(1100, 'z'));
        QCOMPARE(dialog.txtInfo->toPlainText().size(), 1024);
        QVERIFY(dialog.txtInfo->toPlainText().startsWith(QStringLiteral("no")));
    }
};

int RunNewRecordTests(int argc, char** argv) {
    TNewRecordTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "NewRecordQtTest.moc"
