// The window beside another writer of its vault (the command-line tool, say): what the other
// program saved is taken in, and never written over.
#include <QAction>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/UnitCofferix.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"
#include "dialogs/UnitNewRecord.h"
#include "support/RecordingServices.h"
#include "vault/VaultSession.h"

namespace {

const std::string kPassword = "master-1";

// Another program's whole run: load, add one record, save.
void AddElsewhere(const QString& vault, const std::string& title) {
    TVaultSession other;
    other.SetPath(NativePath(vault));
    other.SetPassword(kPassword);
    other.Load();
    TNodeData fields;
    fields.Title = title;
    other.Change([&](TVaultChange& change) { change.AddRecord("Mail", fields); });
}

}  // namespace

class TSharedVaultTest : public QObject {
    Q_OBJECT
public:
    explicit TSharedVaultTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        FScript = std::make_unique<TDialogScript>();
        WriteVault(FVault, kPassword, {{"Mail", "home", "me", "pw", "", ""}});
        FWindow = StartWindowOn(FVault, kPassword, *FScript);
        QVERIFY(FWindow);
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void ChangeOnDiskIsShownAndKeptByTheNextAdd() {
        FWindow->PassTree->SelectOnly(FindByTitle(FWindow->RecordTree(), "home"));
        AddElsewhere(FVault, "from tool");

        QTRY_VERIFY(FindByTitle(FWindow->RecordTree(), "from tool"));
        QCOMPARE(FWindow->StatusText(), Tr(Str::sVaultReloaded));
        // The selection follows the record across the reload.
        QCOMPARE(FWindow->PassTree->FirstSelected(), FindByTitle(FWindow->RecordTree(), "home"));

        FScript->Then(RecordWith({"Mail", "from window", "", "", "", ""}));
        FWindow->ActAddRecord->trigger();
        QCOMPARE(Outline(*ReadVault(FVault, kPassword)),
                 QStringList({"[Mail]", "  home|me|pw||", "  from tool||||", "  from window||||"}));
        QVERIFY(FServices->Boxes.isEmpty());
    }

    // The other program saves while the record editor is open: its record is taken in, and
    // the window's goes on top of it, without a word.
    void ChangeMadeWhileAnotherProgramSavedKeepsBoth() {
        FScript->Then([this](QDialog& dialog) {
            AddElsewhere(FVault, "from tool");
            return RecordWith({"Mail", "from window", "", "", "", ""})(dialog);
        });
        FWindow->ActAddRecord->trigger();

        QCOMPARE(Outline(*ReadVault(FVault, kPassword)),
                 QStringList({"[Mail]", "  home|me|pw||", "  from tool||||", "  from window||||"}));
        QCOMPARE(Outline(FWindow->RecordTree()), Outline(*ReadVault(FVault, kPassword)));
        QVERIFY(FServices->Boxes.isEmpty());
        QCOMPARE(FWindow->PassTree->FirstSelected(),
                 FindByTitle(FWindow->RecordTree(), "from window"));
    }

private:
    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TSharedVaultTest)
#include "SharedVaultTest.moc"
