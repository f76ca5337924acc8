// The record and group commands of the main window: add, modify, rename, delete, find,
// copy and the tree's clicks, each checked against the vault file afterwards.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/FindDialog.h"
#include "app/UnitCofferix.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "dialogs/UnitNewRecord.h"
#include "support/RecordingServices.h"
#include "vault/StreamCodec.h"
#include "vault/Streams.h"

namespace {

const std::string kPassword = "master-1";

}  // namespace

class TRecordCommandsTest : public QObject {
    Q_OBJECT
public:
    explicit TRecordCommandsTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        FScript = std::make_unique<TDialogScript>();
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void AddFindsTheGroupWithoutCaseAndKeepsTheSelection() {
        Start({{"Mail", "home", "me", "pw", "", ""}, {"Bank", "acct", "", "", "", ""}});
        const PNode acct = Node("acct");
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(acct);
        QString caption;
        FScript->Then([&caption](QDialog& dialog) {
            caption = dialog.windowTitle();
            return RecordWith({"MAIL", "work", "me@work", "pw2", "work.org", "one\ntwo"})(dialog);
        });
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();

        QCOMPARE(caption, QStringLiteral("Add Record"));
        const PNode work = Node("work");
        QVERIFY(work);
        QCOMPARE(Tree().Parent(work), Node("Mail"));
        QCOMPARE(work->Row, 1);
        QVERIFY(Part<TPassTree>(*FWindow, "PassTree")
                    ->isExpanded(FWindow->Model().IndexOf(Node("Mail"))));
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->SelectedNodes(),
                 (std::vector<PNode>{work, acct}));
        QVERIFY(work->Data.AddedTime > 0);
        QVERIFY(work->Data.AddedTime2 >= work->Data.AddedTime);
        QVERIFY(!(work->Data.Guid == TGuid{}));
        // Notes keep CR LF line breaks in the vault.
        QCOMPARE(work->Data.Notes, std::string("one\r\ntwo"));
        ExpectVaultMatchesTree();
    }

    void AddToAGroupWithoutRecordsMakesASecondGroup() {
        Start({{"Old", "only", "", "", "", ""}, {"Other", "x", "", "", "", ""}});
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(Node("only"));
        Part<QAction>(*FWindow, "ActDelRecord")->trigger();
        FScript->Then(RecordWith({"old", "new", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(Outline(Tree()),
                 QStringList({"[Old]", "[Other]", "  x||||", "[old]", "  new||||"}));
        ExpectVaultMatchesTree();
    }

    void CancelledEditorChangesNothing() {
        Start({{"Mail", "home", "me", "pw", "", ""}});
        const quint64 inode = FileInode(FVault);
        const QStringList before = Outline(Tree());
        FScript->Then(CancelDialog());
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(Node("home"));
        FScript->Then(CancelDialog());
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        QCOMPARE(FScript->Shown, QStringList({"TfrmNewRecord", "TfrmNewRecord"}));
        QCOMPARE(Outline(Tree()), before);
        QCOMPARE(FileInode(FVault), inode);
    }

    void RenamingAGroupSavesOnlyARealChange() {
        Start({{"Mail", "home", "", "", "", ""}});
        const PNode mail = Node("Mail");
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(mail);
        const quint64 inode = FileInode(FVault);
        FServices->InputAnswers = {QStringLiteral("mAIL"), QString()};
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();  // letter case only
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();  // cancelled
        QCOMPARE(FServices->InputCaptions, QStringList({"Rename Group", "Rename Group"}));
        QCOMPARE(FServices->InputPrompts.first(),
                 QStringLiteral("Please input a new group name for the seletced group"));
        QCOMPARE(FServices->InputDefaults.first(), QStringLiteral("Mail"));
        QCOMPARE(mail->Data.Title, std::string("Mail"));
        QCOMPARE(FileInode(FVault), inode);

        FServices->InputAnswers = {QStringLiteral("Post")};
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        QCOMPARE(mail->Data.Title, std::string("Post"));
        ExpectVaultMatchesTree();
        FServices->InputAnswers = {QStringLiteral("")};
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        QCOMPARE(mail->Data.Title, std::string());
        ExpectVaultMatchesTree();
        QVERIFY(FScript->Shown.isEmpty());
    }

    void ModifyWithoutChangesStillSavesAndKeepsTheTimes() {
        // A non-breaking space (0xA0) in the notes must survive the editor unchanged.
        Start({{"Mail", "home", "me", "p.w", "mail.org", "a\r\nb\xC2\xA0"}});
        Part<QCheckBox>(*FWindow, "chkDisplayPass")->setChecked(false);
        const PNode home = Node("home");
        const TNodeData before = home->Data;
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(home);
        const quint64 inode = FileInode(FVault);
        QStringList seen;
        FScript->Then(Answer<TfrmNewRecord>([&seen](TfrmNewRecord& dialog) {
            // A copy of its own: the editor wipes its password's characters when it goes.
            const QString password = dialog.edtPass->text();
            seen << dialog.windowTitle() << dialog.edtTitle->text() << dialog.edtID->text()
                 << QString(password.constData(), password.size()) << dialog.edtUrl->text()
                 << dialog.txtInfo->document()->toRawText() << dialog.cmbGroup->currentText();
            dialog.btnOKClick();
        }));
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        // The password in clear although the tree masks it; notes with the editor's breaks.
        QCOMPARE(seen, QStringList({"Modify Record", "home", "me", "p.w", "mail.org",
                                    QStringLiteral("a\u2029b\u00A0"), "Mail"}));
        QVERIFY(FileInode(FVault) != inode);
        QCOMPARE(home->Data.Notes, std::string("a\r\nb\xC2\xA0"));
        QCOMPARE(home->Data.AddedTime, before.AddedTime);
        QCOMPARE(home->Data.AddedTime2, before.AddedTime2);
        QVERIFY(home->Data.Guid == before.Guid);
        ExpectVaultMatchesTree();
    }

    void ModifyWithoutChangesKeepsTheStoredBytesOfLongFields() {
        // Other writers of the format fill the fields beyond the editor's typing limits.
        std::string password(200, 'p');
        password.replace(150, 1, "\xC2\x81");  // a byte the code page leaves undefined
        const std::string url = "https://" + std::string(248, 'u');
        const std::string notes = "line one\nline two\r\nend";  // a lone LF and a CR LF
        Start({{"Mail", "home", "me", password, url, notes}});
        const QByteArray before = RecordSlot(1);
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(Node("home"));
        QString shownPassword;
        FScript->Then(Answer<TfrmNewRecord>([&shownPassword](TfrmNewRecord& dialog) {
            shownPassword = dialog.edtPass->text();
            dialog.btnOKClick();
        }));
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        QCOMPARE(shownPassword.size(), 200);  // shown whole, not cut to the typing limit
        QCOMPARE(RecordSlot(1), before);
        QCOMPARE(Node("home")->Data.Notes, notes);

        // A field the user changes takes the edit's text; the others keep their bytes.
        FScript->Then(Answer<TfrmNewRecord>([](TfrmNewRecord& dialog) {
            dialog.edtID->setText(QStringLiteral("you"));
            dialog.btnOKClick();
        }));
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        const TNodeData& data = Node("home")->Data;
        QCOMPARE(data.UserName, std::string("you"));
        QCOMPARE(data.Password, password);
        QCOMPARE(data.Url, url);
        QCOMPARE(data.Notes, notes);
    }

    void EditorLetsStoredTextShrinkButNotGrowPastTheLimit() {
        Start({{"Mail", "home", "", std::string(130, 'p'), "", std::string(1020, '\n')}});
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(Node("home"));
        FScript->Then(Answer<TfrmNewRecord>([](TfrmNewRecord& dialog) {
            dialog.show();
            dialog.edtPass->setFocus();
            dialog.edtPass->end(false);
            QTest::keyClick(dialog.edtPass, Qt::Key_X);  // beyond the limit: refused
            QCOMPARE(dialog.edtPass->text().size(), 130);
            QTest::keyClick(dialog.edtPass, Qt::Key_Backspace);
            QTest::keyClick(dialog.edtPass, Qt::Key_X);  // shortened text does not grow back
            QCOMPARE(dialog.edtPass->text(), QString(129, u'p'));
            // Notes of 1020 lone LFs weigh 2040 bytes as CR LF; a keystroke must not cut them.
            dialog.txtInfo->setFocus();
            QTest::keyClick(dialog.txtInfo, Qt::Key_A);
            QCOMPARE(dialog.txtInfo->document()->blockCount(), 1021);
            QCOMPARE(dialog.txtInfo->document()->characterCount(), 1021);
            dialog.btnOKClick();
        }));
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        QCOMPARE(Node("home")->Data.Password, std::string(129, 'p'));
    }

    void ModifyMovesTheRecordToANewGroupAndKeepsTheOldOne() {
        Start({{"Mail", "home", "me", "", "", ""}, {"Bank", "acct", "", "", "", ""}});
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(Node("home"));
        FScript->Then(RecordWith({"Travel", "trip", "me2", "pw", "", ""}));
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        QCOMPARE(Outline(Tree()),
                 QStringList({"[Mail]", "[Bank]", "  acct||||", "[Travel]", "  trip|me2|pw||"}));
        QVERIFY(Part<TPassTree>(*FWindow, "PassTree")
                    ->isExpanded(FWindow->Model().IndexOf(Node("Travel"))));
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->SelectedNodes(),
                 std::vector<PNode>{Node("trip")});
        ExpectVaultMatchesTree();
    }

    void ModifyTakesTheFirstSelectedInTreeOrder() {
        Start({{"G", "first", "", "", "", ""}, {"G", "second", "", "", "", ""}});
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        Part<TPassTree>(*FWindow, "PassTree")->AddToSelection(Node("second"));
        Part<TPassTree>(*FWindow, "PassTree")->AddToSelection(Node("first"));
        QString title;
        FScript->Then(Answer<TfrmNewRecord>([&title](TfrmNewRecord& dialog) {
            title = dialog.edtTitle->text();
            dialog.reject();
        }));
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        QCOMPARE(title, QStringLiteral("first"));
    }

    void DeleteTakesAGroupWithAllItsRecordsOnce() {
        Start({{"Mail", "m1", "", "", "", ""},
               {"Mail", "m2", "", "", "", ""},
               {"Bank", "b1", "", "", "", ""},
               {"Bank", "b2", "", "", "", ""},
               {"Shop", "s1", "", "", "", ""}});
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        for (const char* title : {"b2", "m2", "Mail"}) {
            Part<TPassTree>(*FWindow, "PassTree")->AddToSelection(Node(title));
        }
        FServices->OkCancelAnswers = {false};
        Part<QAction>(*FWindow, "ActDelRecord")->trigger();
        QCOMPARE(Tree().Count(), std::size_t{8});

        Part<QAction>(*FWindow, "ActDelRecord")->trigger();
        QCOMPARE(FServices->Questions,
                 QStringList(2, QStringLiteral("Are you sure to delete these records?")));
        QCOMPARE(Outline(Tree()), QStringList({"[Bank]", "  b1||||", "[Shop]", "  s1||||"}));
        QVERIFY(!Part<QAction>(*FWindow, "ActDelRecord")->isEnabled());
        ExpectVaultMatchesTree();
    }

    void FindWalksUserPasswordAndNotesWithoutWrapping() {
        Start({{"G", "FINDME", "Alice", "", "findme.org", ""},
               {"G", "two", "", "", "", "has FindMe inside"},
               {"G", "three", "", "x-findme-x", "", ""}});
        Part<QPushButton>(*FWindow, "btnSearch")->click();
        QVERIFY(Part<TFindDialog>(*FWindow, "FindDialog")->isVisible());
        Find("fIndMe");
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->SelectedNodes(),
                 std::vector<PNode>{Node("two")});
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->currentIndex(),
                 FWindow->Model().IndexOf(Node("two")));
        QVERIFY(
            Part<TPassTree>(*FWindow, "PassTree")->isExpanded(FWindow->Model().IndexOf(Node("G"))));
        Find("fIndMe");
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->SelectedNodes(),
                 std::vector<PNode>{Node("three")});
        QCOMPARE(FServices->Beeps, 0);
        Find("fIndMe");
        Find("fIndMe");
        QCOMPARE(FServices->Beeps, 2);
        QCOMPARE(FWindow->LastFound(), Node("three"));
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->SelectedNodes(),
                 std::vector<PNode>{Node("three")});

        FWindow->SetLastFound(nullptr);
        Find("");  // an empty text matches nothing
        QCOMPARE(FServices->Beeps, 3);
    }

    void CtrlFStartsAtTheTopAndTheFindButtonAfterTheSelection() {
        Start({{"G", "one", "", "", "", "x"}, {"G", "two", "", "", "", "x"}});
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(Node("two"));
        Part<QPushButton>(*FWindow, "btnSearch")->click();
        QCOMPARE(FWindow->LastFound(), Node("two"));
        Find("x");
        QCOMPARE(FServices->Beeps, 1);

        QTest::keyRelease(Part<TPassTree>(*FWindow, "PassTree"), Qt::Key_F,
                          Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(FWindow->LastFound(), nullptr);
        Find("x");
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->SelectedNodes(),
                 std::vector<PNode>{Node("one")});
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->FirstSelected(), Node("one"));
    }

    void FindNeverStepsOnFromARemovedNode() {
        Start({{"G", "one", "", "", "", "x"}, {"G", "two", "", "", "", "x"}});
        Find("x");
        QCOMPARE(FWindow->LastFound(), Node("one"));
        Part<QAction>(*FWindow, "ActDelRecord")->trigger();  // deletes the found and selected "one"
        QCOMPARE(FWindow->LastFound(), nullptr);
        Find("x");
        QCOMPARE(FWindow->LastFound(), Node("two"));
        QVERIFY(FWindow->LoadVault(FVault));  // a reload empties the tree first
        QCOMPARE(FWindow->LastFound(), nullptr);
        Find("x");
        QCOMPARE(FWindow->LastFound(), Node("two"));
    }

    void AClickMakesTheFindContinueAfterTheClickedNode() {
        Start({{"G", "one", "", "", "", "x"},
               {"G", "two", "", "", "", "x"},
               {"G", "three", "", "", "", "x"}});
        ShowWindow();
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        const QRect cell = Part<TPassTree>(*FWindow, "PassTree")
                               ->visualRect(FWindow->Model().IndexOf(Node("two")));
        QTest::mouseClick(Part<TPassTree>(*FWindow, "PassTree")->viewport(), Qt::LeftButton, {},
                          cell.center());
        QCOMPARE(FWindow->LastFound(), Node("two"));
        QVERIFY(Part<QAction>(*FWindow, "ActEditRecord")->isEnabled());
        QVERIFY(Part<QPushButton>(*FWindow, "btnModifyRecord")->isEnabled());
        Find("x");
        QCOMPARE(FWindow->LastFound(), Node("three"));
    }

    void ARightClickKeepsTheSelectionAndTheFindPosition() {
        Start({{"G", "one", "", "", "", "x"},
               {"G", "two", "", "", "", "x"},
               {"G", "three", "", "", "", "x"}});
        ShowWindow();
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        auto centre = [this](const char* title) {
            return Part<TPassTree>(*FWindow, "PassTree")
                ->visualRect(FWindow->Model().IndexOf(Node(title)))
                .center();
        };
        QWidget* viewport = Part<TPassTree>(*FWindow, "PassTree")->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, centre("one"));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, centre("two"));
        QCOMPARE(FWindow->LastFound(), Node("one"));
        QTest::mouseClick(viewport, Qt::RightButton, {}, centre("three"));
        QTest::mouseDClick(viewport, Qt::RightButton, {}, centre("three"));
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->SelectedNodes(),
                 (std::vector<PNode>{Node("one"), Node("two")}));
        QCOMPARE(FWindow->LastFound(), Node("one"));
        QVERIFY(FScript->Shown.isEmpty());  // a right double-click opens no editor

        // The pop-up menu's Delete takes the selection, not the row under the pointer.
        FWindow->PassTreeGetPopupMenu(FWindow->Model().IndexOf(Node("three")));
        Part<QAction>(*FWindow, "ActDelRecord")->trigger();
        QCOMPARE(Outline(Tree()), QStringList({"[G]", "  three||||x"}));
    }

    void FindKeepsItsPlaceWhenAnotherNodeGoes() {
        Start({{"G", "one", "", "", "", "x"},
               {"G", "two", "", "", "", "x"},
               {"G", "three", "", "", "", "x"},
               {"H", "four", "", "", "", ""}});
        Find("x");
        Find("x");
        QCOMPARE(FWindow->LastFound(), Node("two"));
        for (const char* other : {"one", "H"}) {
            Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(Node(other));
            Part<QAction>(*FWindow, "ActDelRecord")->trigger();
        }
        QCOMPARE(FWindow->LastFound(), Node("two"));
        Find("x");
        QCOMPARE(FWindow->LastFound(), Node("three"));
        Part<TPassTree>(*FWindow, "PassTree")
            ->SelectOnly(Node("G"));  // the found node goes with its group
        Part<QAction>(*FWindow, "ActDelRecord")->trigger();
        QCOMPARE(FWindow->LastFound(), nullptr);
    }

    void CopyTakesTheFirstSelectedNodesClearField() {
        Start({{"G", "one", "user1", "secret1", "", ""}, {"G", "two", "user2", "", "", ""}});
        Part<QCheckBox>(*FWindow, "chkDisplayPass")->setChecked(false);
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(Node("one"));
        QMenu* menu = FWindow->PassTreeGetPopupMenu(FWindow->Model().IndexOf(Node("one"), 2));
        QCOMPARE(menu, Part<QMenu>(*FWindow, "PopupMenuTree"));
        QVERIFY(Part<QAction>(*FWindow, "mnuCopy")->isVisible());
        QCOMPARE(Part<QAction>(*FWindow, "mnuCopy")->text(), QStringLiteral("Copy Password"));
        Part<QAction>(*FWindow, "mnuCopy")->trigger();
        QCOMPARE(FServices->Clipboard, QStringList{"secret1"});

        // The menu of another row still copies the first selected node.
        FWindow->PassTreeGetPopupMenu(FWindow->Model().IndexOf(Node("two"), 1));
        QCOMPARE(Part<QAction>(*FWindow, "mnuCopy")->text(), QStringLiteral("Copy User Name"));
        Part<QAction>(*FWindow, "mnuCopy")->trigger();
        QCOMPARE(FServices->Clipboard.last(), QStringLiteral("user1"));

        FWindow->PassTreeGetPopupMenu(FWindow->Model().IndexOf(Node("G"), 2));
        QVERIFY(!Part<QAction>(*FWindow, "mnuCopy")->isVisible());
        FWindow->PassTreeGetPopupMenu(QModelIndex());
        QVERIFY(!Part<QAction>(*FWindow, "mnuCopy")->isVisible());
    }

    // Only the address and the title reach the desktop's opener, whose command line every
    // local user can read; a shown password, a user name or a note holding a dot opens the
    // editor instead. Real double-clicks, so the view's own handling is covered too.
    void DoubleClickOpensOnlyTheAddressAndTitleAndEditsTheRest() {
        Start({{"G", "site.name", "us.er", "Secr3t.PassXYZ", "site.org", "no.te"},
               {"G", "plain", "", "p.w", "", ""}});
        ShowWindow();
        auto* tree = Part<TPassTree>(*FWindow, "PassTree");
        tree->expandAll();
        QVERIFY(Part<QCheckBox>(*FWindow, "chkDisplayPass")->isChecked());
        auto doubleClick = [&](const char* title, int column) {
            const QModelIndex cell = FWindow->Model().IndexOf(Node(title), column);
            QVERIFY(cell.isValid());
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualRect(cell).center());
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {},
                               tree->visualRect(cell).center());
        };
        QStringList edited;
        for (int column : {TRecordTreeModel::colPassword, TRecordTreeModel::colUserName,
                           TRecordTreeModel::colNotes}) {
            FScript->Then(Answer<TfrmNewRecord>([&edited](TfrmNewRecord& dialog) {
                edited << dialog.edtTitle->text();
                dialog.reject();
            }));
            doubleClick("site.name", column);
        }
        QCOMPARE(edited, QStringList({"site.name", "site.name", "site.name"}));
        QVERIFY(FServices->OpenedTargets.isEmpty());

        doubleClick("site.name", TRecordTreeModel::colUrl);
        doubleClick("site.name", TRecordTreeModel::colTitle);
        QCOMPARE(FServices->OpenedTargets, QStringList({"site.org", "site.name"}));

        // A title without a dot and a hidden password edit too; a group opens nothing.
        FScript->Then(CancelDialog());
        doubleClick("plain", TRecordTreeModel::colTitle);
        Part<QCheckBox>(*FWindow, "chkDisplayPass")->setChecked(false);
        FScript->Then(CancelDialog());
        doubleClick("plain", TRecordTreeModel::colPassword);
        QCOMPARE(FScript->Shown.size(), 5);
        QVERIFY(FScript->Done());
        tree->SelectOnly(Node("G"));
        FWindow->PassTreeColumnDblClick(FWindow->Model().IndexOf(Node("G"), 0));
        QCOMPARE(FScript->Shown.size(), 5);
        QCOMPARE(FServices->OpenedTargets.size(), 2);
    }

    void DisplayPasswordBoxStoresOnlyAChange() {
        Start({{"G", "one", "", "pw", "", ""}});
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("Dravenor Cofferix FREE"));
        QVERIFY(Part<QCheckBox>(*FWindow, "chkDisplayPass")->isChecked());
        QVERIFY(!settings.contains(QStringLiteral("DisplayPass")));
        const QModelIndex password = FWindow->Model().IndexOf(Node("one"), 2);
        QCOMPARE(password.data().toString(), QStringLiteral("pw"));
        Part<QCheckBox>(*FWindow, "chkDisplayPass")->click();
        QVERIFY(!Settings::DisplayPass());
        QCOMPARE(password.data().toString(), QStringLiteral("*"));
        Part<QCheckBox>(*FWindow, "chkDisplayPass")->click();
        QVERIFY(Settings::DisplayPass());
        QCOMPARE(password.data().toString(), QStringLiteral("pw"));
    }

    void EveryGeneratorCommandOpensAnotherModelessWindow() {
        Start({});
        Part<QAction>(*FWindow, "ActPassGen")->trigger();
        Part<QPushButton>(*FWindow, "btnPassGen")->click();
        const QList<QWidget*> windows = FWindow->GeneratorWindows();
        QCOMPARE(windows.size(), 2);
        QVERIFY(windows[0] != windows[1]);
        for (QWidget* window : windows) {
            QVERIFY(window->isVisible());
            QVERIFY(!window->isModal());
        }
        windows[0]->close();
        QTRY_COMPARE(FWindow->GeneratorWindows().size(), 1);
    }

private:
    void Start(const std::vector<TRecordSpec>& records) {
        WriteVault(FVault, kPassword, records);
        FWindow = StartWindowOn(FVault, kPassword, *FScript);
        QVERIFY(FWindow);
        FScript->Shown.clear();  // the open dialog of the start
    }

    void ShowWindow() {
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
    }

    const TRecordTree& Tree() { return FWindow->RecordTree(); }
    PNode Node(const std::string& title) { return FindByTitle(Tree(), title); }

    void Find(const QString& text) {
        Part<TFindDialog>(*FWindow, "FindDialog")->edtFindText->setText(text);
        Part<TFindDialog>(*FWindow, "FindDialog")->btnFind->click();
    }

    // The decrypted slot of the node at this pre-order position, as the vault file holds it.
    QByteArray RecordSlot(int slot) {
        const QByteArray file = FileBytes(FVault);
        TMemoryStream source;
        TMemoryStream plain;
        source.Write(file.constData(), static_cast<std::uint32_t>(file.size()));
        AesDecryptStream(source, 0, PasswordKey(kPassword), plain);
        constexpr int kHeader = 512;
        constexpr int kSlot = 2048;
        const char* bytes = reinterpret_cast<const char*>(plain.Data());
        return QByteArray(bytes + kHeader + slot * kSlot, kSlot);
    }

    void ExpectVaultMatchesTree() {
        QCOMPARE(Outline(*ReadVault(FVault, kPassword)), Outline(Tree()));
        QVERIFY(FServices->BoxTexts(IServicesBackend::TBoxKind::Warning).isEmpty());
    }

    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TRecordCommandsTest)
#include "RecordCommandsTest.moc"
