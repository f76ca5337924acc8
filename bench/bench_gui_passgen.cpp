// The generator's largest list: 65,000 passwords of 128 characters in one click. The
// window is created offscreen and shown, and the time runs from the click until the list
// is in the text widget and the window has processed the resulting events.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>

#include "dialogs/SpinEdit.h"
#include "dialogs/UnitPassGen.h"

namespace {

void BM_CreatePasswordClick(benchmark::State& state) {
    TfrmPassGen window(nullptr);
    window.SpinCount->setValue(65000);
    window.SpinPassLen->setValue(128);
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        window.Button1->click();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.txtGen->document()->blockCount());
    }
    const int lines = window.txtGen->document()->blockCount();
    if (lines != 65000 || window.txtGen->document()->firstBlock().length() != 129) {
        state.SkipWithError("the list does not hold 65,000 passwords of 128 characters");
    }
    state.counters["passwords"] = lines;
}

BENCHMARK(BM_CreatePasswordClick)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
