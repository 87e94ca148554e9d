// Process start to main window with menus built, on the sample data: the start-up sequence
// with its windows, on a fresh copy of the program folder each round.

#include "shell/context.h"
#include "shell/startup.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/qtprompt.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "support/testfolder.h"

namespace {

void BM_StartupToMenus(benchmark::State &state)
{
    QTemporaryDir dir;
    qrn::test::copyTree(QStringLiteral(QUARNARO_SAMPLE_DIR), dir.path());
    for (auto _ : state) {
        qrn::AppContext ctx;
        ctx.setProgramFolder(dir.path());
        qrn::ScriptedPrompt prompt;
        ctx.setPrompt(&prompt);
        qrn::ui::MainWindow w(ctx);
        qrn::InstanceLock lock(ctx.programFolder);
        w.show();
        if (w.startUp(lock) != qrn::StartupOutcome::Running || !prompt.shown().empty())
            state.SkipWithError("start-up failed");
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.menuModel().countNodes());
    }
}
BENCHMARK(BM_StartupToMenus)->Unit(benchmark::kMillisecond);

// The whole process: the program is started on a fresh program folder, builds its main window
// and menus, and ends as soon as they are ready (--quit-after-start).
void BM_ProcessStartToMenus(benchmark::State &state)
{
    QTemporaryDir dir;
    qrn::test::copyTree(QStringLiteral(QUARNARO_SAMPLE_DIR), dir.path());
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral(QUARNARO_PROGRAM),
                {QStringLiteral("--home"), dir.path(), QStringLiteral("--quit-after-start")});
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            state.SkipWithError("the program did not start and end cleanly");
            break;
        }
    }
}
BENCHMARK(BM_ProcessStartToMenus)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
