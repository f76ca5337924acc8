// Filter as you type in the main window with a vault of 100,000 records (1,000 groups of 100):
// one keystroke into the filter box, shown and laid out, for needles that keep every record,
// a few or none; the first keystroke (which also takes the view's state), a keystroke that
// narrows an existing filter, and the clearing that brings back the whole tree.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "BenchVault.h"
#include "app/UnitCofferix.h"

namespace {

constexpr int kRecords = 100000;

const TBenchVault& Vault() {
    static const TBenchVault vault(kRecords);
    return vault;
}

// Needles as a user types them: every record (all titles), a handful, one, none.
const std::vector<QString> kNeedles = {
    QStringLiteral("account"),       // every title
    QStringLiteral("4242"),          // a few records, in a few groups
    QStringLiteral("user77777@"),    // one record
    QStringLiteral("zzz"),           // nothing
    QStringLiteral("EXAMPLE.ORG/"),  // every URL, in the upper case
};

struct TWindow {
    std::unique_ptr<TfrmCofferix> Window;
    QLineEdit* Box = nullptr;

    TWindow() : Window(std::make_unique<TfrmCofferix>()) {
        const QString path = QFile::decodeName(Vault().Path().c_str());
        Window->Vault().SetPassword(kBenchPassword);
        Window->Vault().SetDatabaseFile(path);
        Window->LoadVault(path);
        Window->ApplyCaptions();
        Window->show();
        QApplication::processEvents();
        Box = Window->findChild<QLineEdit*>(QStringLiteral("edtFilter"));
    }

    void Type(const QString& text) {
        Box->setText(text);
        QApplication::processEvents();
    }

    int ShownRecords() const {
        const TRecordTreeModel& model = Window->Model();
        int count = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            count += model.rowCount(model.index(row, 0));
        }
        return count;
    }
};

TWindow& Shared() {
    static TWindow window;
    return window;
}

// From an empty box: the filter starts.
void BM_FirstKeystroke(benchmark::State& state) {
    TWindow& window = Shared();
    const QString needle = kNeedles[state.range(0)];
    for (auto _ : state) {
        window.Type(needle);
        state.PauseTiming();
        state.counters["shown"] = window.ShownRecords();
        window.Type(QString());
        state.ResumeTiming();
    }
    state.SetLabel(needle.toStdString());
}
BENCHMARK(BM_FirstKeystroke)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The box holds all but the needle's last character: the next keystroke narrows the filter.
void BM_NextKeystroke(benchmark::State& state) {
    TWindow& window = Shared();
    const QString needle = kNeedles[state.range(0)];
    const QString before = needle.chopped(1);
    for (auto _ : state) {
        state.PauseTiming();
        window.Type(before);
        state.ResumeTiming();
        window.Type(needle);
    }
    state.counters["shown"] = window.ShownRecords();
    window.Type(QString());
    state.SetLabel(needle.toStdString());
}
BENCHMARK(BM_NextKeystroke)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// A keystroke that widens the filter again (backspace).
void BM_Backspace(benchmark::State& state) {
    TWindow& window = Shared();
    const QString needle = kNeedles[state.range(0)];
    const QString after = needle.chopped(1);
    for (auto _ : state) {
        state.PauseTiming();
        window.Type(needle);
        state.ResumeTiming();
        window.Type(after);
    }
    window.Type(QString());
    state.SetLabel(needle.toStdString());
}
BENCHMARK(BM_Backspace)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// Emptying the box: the whole tree comes back as it was.
void BM_ClearFilter(benchmark::State& state) {
    TWindow& window = Shared();
    const QString needle = kNeedles[state.range(0)];
    for (auto _ : state) {
        state.PauseTiming();
        window.Type(needle);
        state.ResumeTiming();
        window.Type(QString());
    }
    state.SetLabel(needle.toStdString());
}
BENCHMARK(BM_ClearFilter)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Private settings and data folders, and no display needed.
    QTemporaryDir folder;
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
