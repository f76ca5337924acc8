// The main window with a vault of 100,000 records: load and show, one find step, a header
// click, and an add (which saves the whole vault). Runs offscreen in private folders.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/UnitCofferix.h"
#include "dialogs/UnitNewRecord.h"
#include "vault/TreeCommands.h"
#include "vault/VaultOperations.h"

namespace {

constexpr int kGroups = 100;
constexpr int kRecordsPerGroup = 1000;
const std::string kPassword = "bench-password";

QTemporaryDir* gFolder = nullptr;

std::string FileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// A vault of kGroups groups of kRecordsPerGroup records; only the very last record's notes
// hold "needle", so a find from the top walks the whole tree.
const QString& VaultPath() {
    static const QString path = [] {
        const QString vault = gFolder->filePath("bench.dat");
        TRecordTree tree;
        for (int g = 0; g < kGroups; ++g) {
            const std::string group = "Group " + std::to_string(g);
            for (int r = 0; r < kRecordsPerGroup; ++r) {
                TNodeData fields;
                fields.Title = "Record " + std::to_string(g * kRecordsPerGroup + r);
                fields.UserName = "user" + std::to_string((r * 7919) % kRecordsPerGroup);
                fields.Password = "pass-" + std::to_string(r * 31);
                fields.Url = "https://site" + std::to_string(r) + ".example.org";
                fields.Notes = "some notes about this account";
                AddRecordNode(tree, group, fields);
            }
        }
        tree.Child(tree.Child(nullptr, kGroups - 1), kRecordsPerGroup - 1)->Data.Notes =
            "the needle is here";
        VaultCreate(FileName(vault), kPassword);
        VaultSave(FileName(vault), kPassword, tree);
        return vault;
    }();
    return path;
}

std::unique_ptr<TfrmCofferix> OpenWindow(const QString& vault) {
    auto window = std::make_unique<TfrmCofferix>();
    window->Vault().SetPassword(kPassword);
    window->Vault().SetDatabaseFile(vault);
    window->LoadVault(vault);
    window->ApplyCaptions();
    window->show();
    QApplication::processEvents();
    return window;
}

void BM_LoadAndShow(benchmark::State& state) {
    const QString vault = VaultPath();
    for (auto _ : state) {
        auto window = OpenWindow(vault);
        benchmark::DoNotOptimize(window->RecordTree().Count());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadAndShow)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FindStepThroughTheWholeTree(benchmark::State& state) {
    auto window = OpenWindow(VaultPath());
    for (auto _ : state) {
        window->SetLastFound(nullptr);
        window->FindDialogFind(QStringLiteral("NEEDLE"));
        QApplication::processEvents();
    }
    if (!window->LastFound()) {
        state.SkipWithError("the needle was not found");
    }
}
BENCHMARK(BM_FindStepThroughTheWholeTree)->Unit(benchmark::kMillisecond);

void BM_HeaderClickSort(benchmark::State& state) {
    auto window = OpenWindow(VaultPath());
    auto* view = window->findChild<TPassTree*>(QStringLiteral("PassTree"));
    view->expand(window->Model().index(0, 0));
    view->SelectOnly(window->RecordTree().Child(window->RecordTree().First(), 10));
    for (auto _ : state) {
        window->PassTreeHeaderClick(0);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_HeaderClickSort)->Unit(benchmark::kMillisecond);

void BM_AddRecordAndSave(benchmark::State& state) {
    // A copy, so that the added records do not grow the vault the other benchmarks read.
    const QString vault = gFolder->filePath("add.dat");
    QFile::remove(vault);
    QFile::copy(VaultPath(), vault);
    auto window = OpenWindow(vault);
    window->SetDialogRunner([](QDialog& dialog) {
        auto& editor = static_cast<TfrmNewRecord&>(dialog);
        editor.cmbGroup->setCurrentText(QStringLiteral("Group 50"));
        editor.edtTitle->setText(QStringLiteral("added"));
        editor.btnOKClick();
        return dialog.result();
    });
    for (auto _ : state) {
        window->ActAddRecordExecute();
        QApplication::processEvents();
    }
    state.counters["records"] = static_cast<double>(window->RecordTree().Count());
}
BENCHMARK(BM_AddRecordAndSave)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor under an add: the core's save of the same tree, without the window.
void BM_CoreSaveOfTheSameVault(benchmark::State& state) {
    const QString vault = gFolder->filePath("core.dat");
    QFile::remove(vault);
    QFile::copy(VaultPath(), vault);
    TRecordTree tree;
    VaultLoad(FileName(vault), kPassword, tree);
    for (auto _ : state) {
        VaultSave(FileName(vault), kPassword, tree);
    }
}
BENCHMARK(BM_CoreSaveOfTheSameVault)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    // Private settings and data folders, and no display needed.
    QTemporaryDir folder;
    gFolder = &folder;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        qputenv(name, QFile::encodeName(folder.path()));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
