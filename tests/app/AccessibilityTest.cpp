// What a screen reader gets of the program: every input control of every window has a name,
// a field with a label beside it is named and labelled by that label, masked password edits
// say so and never read out what was typed, and the locked window holds no record text.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/FindDialog.h"
#include "app/PassTree.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "dialogs/UnitChangePass.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/UnitDatabaseFormat.h"
#include "dialogs/UnitImportDb.h"
#include "dialogs/UnitNewPass.h"
#include "dialogs/UnitNewRecord.h"
#include "dialogs/UnitOptions.h"
#include "dialogs/UnitPassGen.h"
#include "support/RecordingServices.h"
#include "tray/RecordingTrayShell.h"

namespace {

const std::string kPassword = "master-1";
const std::vector<TRecordSpec> kRecords{
    {"Quarrystone", "Harbour Ledger", "quillon.user", "pw-heron-41", "ledger.example", "tide"},
    {"Quarrystone", "Tessaly Bank", "moreno.kestrel", "pw-finch-72", "bank.example", ""},
};
// Added while another program holds the vault's lock, so that it is still unsaved at the lock.
const TRecordSpec kUnsaved{"Quarrystone", "Orrin Pier", "wexley.q", "pw-gull-19", "", ""};
// Typed into each masked edit; no accessible text may hold it.
const QString kTypedSecret = QStringLiteral("typed-Secret-93");

// The inner edit of a spin box or combo box and the header or pop-up list of an item view
// are parts of that control: a screen reader meets the control, which carries the name.
bool IsPartOfControl(const QWidget* widget, const QWidget* window) {
    for (const QWidget* up = widget->parentWidget(); up != nullptr && up != window;
         up = up->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(up) || qobject_cast<const QComboBox*>(up) ||
            qobject_cast<const QAbstractItemView*>(up)) {
            return true;
        }
    }
    return false;
}

bool IsInputControl(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QCheckBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget);
}

// "window class/object name (widget class)".
QString Where(const QWidget* window, const QWidget* widget) {
    const QString name =
        widget->objectName().isEmpty() ? QStringLiteral("<no object name>") : widget->objectName();
    return QStringLiteral("%1/%2 (%3)")
        .arg(QLatin1String(window->metaObject()->className()), name,
             QLatin1String(widget->metaObject()->className()));
}

// Everything the interface would read out about itself.
QStringList Texts(QAccessibleInterface* face) {
    QStringList texts{face->text(QAccessible::Name), face->text(QAccessible::Value),
                      face->text(QAccessible::Description)};
    if (QAccessibleTextInterface* text = face->textInterface()) {
        texts << text->text(0, text->characterCount());
    }
    return texts;
}

// The texts of the interface and of all below it.
void CollectTexts(QAccessibleInterface* face, QStringList& texts, int depth = 0) {
    if (face == nullptr || depth > 64) {
        return;
    }
    texts << Texts(face);
    for (int i = 0; i < face->childCount(); ++i) {
        CollectTexts(face->child(i), texts, depth + 1);
    }
}

bool IsLabelledBy(QAccessibleInterface* field, QLabel* label) {
    QAccessibleInterface* labelFace = QAccessible::queryAccessibleInterface(label);
    for (const auto& relation : field->relations(QAccessible::Label)) {
        if (relation.first == labelFace) {
            return true;
        }
    }
    return false;
}

struct TAudit {
    QStringList Offenders;
    QStringList PasswordEdits;  // Where() of each masked edit
    QStringList Labelled;       // Where() of each field that a label names
    int Controls = 0;
};

void AuditPasswordEdit(QLineEdit* edit, QAccessibleInterface* face, const QString& where,
                       TAudit& audit) {
    audit.PasswordEdits << where;
    if (face->role() != QAccessible::EditableText || !face->state().passwordEdit) {
        audit.Offenders << where + QStringLiteral(": not exposed as a password edit");
    }
    edit->setText(kTypedSecret);
    if (Texts(face).join(QLatin1Char('\n')).contains(kTypedSecret)) {
        audit.Offenders << where + QStringLiteral(": reads out the typed password");
    }
    edit->setText(QString());
}

void AuditWindow(QWidget* window, TAudit& audit) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->window() != window || !IsInputControl(widget) ||
            IsPartOfControl(widget, window)) {
            continue;
        }
        ++audit.Controls;
        const QString where = Where(window, widget);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        if (face == nullptr) {
            audit.Offenders << where + QStringLiteral(": no accessible interface");
            continue;
        }
        if (face->text(QAccessible::Name).trimmed().isEmpty()) {
            audit.Offenders << where + QStringLiteral(": no accessible name");
        }
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (edit != nullptr && edit->echoMode() == QLineEdit::Password) {
            AuditPasswordEdit(edit, face, where, audit);
        }
    }
    for (QLabel* label : window->findChildren<QLabel*>()) {
        QWidget* field = label->buddy();
        if (label->window() != window || field == nullptr) {
            continue;
        }
        audit.Labelled << Where(window, field);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field);
        // Qt on Unix reads a combo box's current text as its name and leaves the label to the
        // relation; the name given is still what other platforms read.
        const QString name = qobject_cast<QComboBox*>(field) ? field->accessibleName()
                                                             : face->text(QAccessible::Name);
        // The label's text as read: no mnemonic marker, no closing colon.
        if (name.contains(QLatin1Char('&')) || name.endsWith(QLatin1Char(':')) ||
            !label->text().remove(QLatin1Char('&')).startsWith(name)) {
            audit.Offenders << Where(window, field) + QStringLiteral(": named \"%1\" by \"%2\"")
                                                          .arg(name, label->text());
        }
        if (!IsLabelledBy(face, label)) {
            audit.Offenders << Where(window, field) + QStringLiteral(": not labelled by its label");
        }
    }
}

// The record texts a locked window must not give away.
QStringList RecordTexts() {
    QStringList texts;
    std::vector<TRecordSpec> records = kRecords;
    records.push_back(kUnsaved);
    for (const TRecordSpec& record : records) {
        for (const std::string* field : {&record.Group, &record.Title, &record.UserName,
                                         &record.Password, &record.Url, &record.Notes}) {
            if (!field->empty()) {
                texts << QString::fromStdString(*field);
            }
        }
    }
    return texts;
}

// The record texts that occur in the texts.
QStringList Leaked(const QStringList& texts) {
    const QString all = texts.join(QLatin1Char('\n'));
    QStringList leaked;
    for (const QString& record : RecordTexts()) {
        if (all.contains(record)) {
            leaked << record;
        }
    }
    return leaked;
}

}  // namespace

class TAccessibilityTest : public QObject {
    Q_OBJECT
public:
    explicit TAccessibilityTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        WriteVault(FVault, kPassword, kRecords);
        Settings::SetDatabase(FVault);
        FScript = std::make_unique<TDialogScript>();
        FWindow = std::make_unique<TfrmCofferix>();
        auto shell = std::make_unique<TRecordingTrayShell>();
        FWindow->TrayLock().SetTrayShell(std::move(shell));
        FScript->Attach(*FWindow);
        FScript->Then(OpenWith(kPassword));
        QVERIFY(FWindow->FormCreate());
        FWindow->TrayLock().ShowAtStart(false);
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    // Every dialog, the find window and the main window with the vault's records.
    void EveryControlIsNamedAndPasswordEditsAreMasked() {
        std::vector<std::unique_ptr<QWidget>> dialogs;
        dialogs.push_back(std::make_unique<TfrmChangePassword>(*FWindow));
        dialogs.push_back(std::make_unique<TfrmCheckPassword>(*FWindow));
        dialogs.push_back(std::make_unique<TfrmImportDb>(*FWindow));
        dialogs.push_back(std::make_unique<TfrmNewPassword>(*FWindow));
        dialogs.push_back(std::make_unique<TfrmNewRecord>(FWindow->RecordTree()));
        dialogs.push_back(std::make_unique<TfrmOptions>());
        dialogs.push_back(std::make_unique<TfrmPassGen>(FWindow.get()));
        dialogs.push_back(
            std::make_unique<TfrmDatabaseFormat>(TVaultFormat::Format2, TKdfParameters{}));
        QList<QWidget*> windows{FWindow.get(), Part<TFindDialog>(*FWindow, "FindDialog")};
        for (const auto& dialog : dialogs) {
            windows << dialog.get();
        }
        QVERIFY(FWindow->Model().rowCount() > 0);

        TAudit audit;
        for (QWidget* window : windows) {
            AuditWindow(window, audit);
        }
        if (!audit.Offenders.isEmpty()) {
            QFAIL(qPrintable(audit.Offenders.join(QLatin1Char('\n'))));
        }
        // The walk met the controls: 4 + 2 + 3 + 4 + 6 + 5 + 11 + 0 + 1 + 3.
        QCOMPARE(audit.Controls, 39);
        QCOMPARE(audit.PasswordEdits.size(), 7);
        audit.Labelled.sort();
        QCOMPARE(audit.Labelled, QStringList({"TfrmChangePassword/EditConfirm (QLineEdit)",
                                              "TfrmChangePassword/EditPass (QLineEdit)",
                                              "TfrmChangePassword/edtOld (QLineEdit)",
                                              "TfrmCheckPassword/EditPass (QLineEdit)",
                                              "TfrmImportDb/edtFile (QLineEdit)",
                                              "TfrmImportDb/edtPass (QLineEdit)",
                                              "TfrmNewPassword/EditConfirm (QLineEdit)",
                                              "TfrmNewPassword/EditPass (QLineEdit)",
                                              "TfrmNewPassword/edtFile (QLineEdit)",
                                              "TfrmNewRecord/cmbGroup (QComboBox)",
                                              "TfrmNewRecord/edtID (QLineEdit)",
                                              "TfrmNewRecord/edtPass (QLineEdit)",
                                              "TfrmNewRecord/edtTitle (QLineEdit)",
                                              "TfrmNewRecord/edtUrl (QLineEdit)",
                                              "TfrmNewRecord/txtInfo (QPlainTextEdit)",
                                              "TfrmOptions/SpinClearSeconds (QSpinBox)",
                                              "TfrmOptions/SpinIdleMinutes (QSpinBox)",
                                              "TfrmOptions/edtBreachList (QLineEdit)",
                                              "TfrmPassGen/SpinCount (TSpinEdit)",
                                              "TfrmPassGen/SpinPassLen (TSpinEdit)"}));
        // The system's own label texts stay as they are, typos included.
        auto& change = static_cast<TfrmChangePassword&>(*dialogs[0]);
        QCOMPARE(change.lblOldPass->text(), QStringLiteral("Currect Password:"));
        QCOMPARE(QAccessible::queryAccessibleInterface(change.edtOld)->text(QAccessible::Name),
                 QStringLiteral("Currect Password"));
        auto& options = static_cast<TfrmOptions&>(*dialogs[5]);
        QCOMPARE(
            QAccessible::queryAccessibleInterface(options.SpinIdleMinutes)->text(QAccessible::Name),
            QStringLiteral("Lock the workspace after this many minutes without input "
                           "(0 = never)"));
    }

    // Locked, the window is hidden but its accessible tree is still there to be read: it must
    // hold nothing of the records, also when a change that could not be saved keeps them in
    // memory until the unlock.
    void LockedWindowHoldsNoRecordText() {
        auto foreign = std::make_unique<TForeignLock>(FVault);
        FScript->Then(RecordWith(kUnsaved));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        FWindow->Vault().StopWaiting();  // the wait for the other program ends unsaved
        // Groups open, so that the view has a row for each record.
        auto& view = *Part<TPassTree>(*FWindow, "PassTree");
        view.expandAll();
        QStringList shown;
        CollectTexts(QAccessible::queryAccessibleInterface(FWindow.get()), shown);
        // The walk reaches the records while they are shown.
        for (const char* text : {"Harbour Ledger", "moreno.kestrel", "Orrin Pier"}) {
            QVERIFY2(Leaked(shown).contains(QLatin1String(text)), text);
        }

        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        QVERIFY(FWindow->TrayLock().IsLocked());
        QVERIFY(!FWindow->isVisible());
        QVERIFY(FindByTitle(FWindow->RecordTree(), "Orrin Pier"));
        QStringList locked;
        CollectTexts(QAccessible::queryAccessibleInterface(FWindow.get()), locked);
        QVERIFY(locked.size() > 10);
        QVERIFY2(Leaked(locked).isEmpty(), qPrintable(Leaked(locked).join(QLatin1String(", "))));

        // The unlock brings the records back into the view as it was.
        FWindow->Vault().StopWaiting();
        foreign.reset();
        FScript->Then(Answer<TfrmCheckPassword>([](TfrmCheckPassword& dialog) {
            dialog.EditPass->setText(AnsiToQString(kPassword));
            dialog.btnOKClick();
        }));
        FWindow->TrayLock().CoolTrayIconDblClick();
        QVERIFY(FWindow->isVisible());
        const PNode unsaved = FindByTitle(FWindow->RecordTree(), "Orrin Pier");
        QVERIFY(unsaved);
        QVERIFY(view.isExpanded(FWindow->Model().IndexOf(FWindow->RecordTree().Parent(unsaved))));
    }

private:
    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TAccessibilityTest)
#include "AccessibilityTest.moc"
