// The generator's largest list: 65,000 passwords of 128 characters in one click. The
// window is created offscreen and shown, and the time runs from the click until the list
// is in the text widget and the window has processed the resulting events. Then one
// keystroke typed into that list, until the window has processed it and repainted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
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
    const int lines = window.txtGen->document()->blockCount() - 1;  // after the last line end
    if (lines != 65000 || window.txtGen->document()->firstBlock().length() != 129) {
        state.SkipWithError("the list does not hold 65,000 passwords of 128 characters");
    }
    state.counters["passwords"] = lines;
}

BENCHMARK(BM_CreatePasswordClick)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_KeystrokeInFullList(benchmark::State& state) {
    TfrmPassGen window(nullptr);
    window.SpinCount->setValue(65000);
    window.SpinPassLen->setValue(128);
    window.show();
    window.Button1->click();
    window.txtGen->setFocus();
    QTextCursor middle(window.txtGen->document()->findBlockByNumber(32500));
    middle.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 64);
    window.txtGen->setTextCursor(middle);
    QCoreApplication::processEvents();
    const int before = window.txtGen->document()->characterCount();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(window.txtGen, &press);
        QApplication::sendEvent(window.txtGen, &release);
        QCoreApplication::processEvents();
    }
    const qint64 typed = window.txtGen->document()->characterCount() - before;
    if (typed != static_cast<qint64>(state.iterations())) {
        state.SkipWithError("the keystrokes did not reach the list");
    }
}

BENCHMARK(BM_KeystrokeInFullList)->Unit(benchmark::kMillisecond)->Iterations(50);

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
