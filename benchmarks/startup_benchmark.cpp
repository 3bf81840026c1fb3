// Start-up time: from launching a process to its window being painted for the first time,
// the program's main window (start-up sequence and update check against the local service
// double, as the program starts) against a bare Qt window of the same size. Each start
// is a fresh process, so loading the libraries, the fonts and the platform is counted.
// Run it in an X server: xvfb-run -a build-test/benchmarks/startup_benchmark

#include "app/form1.h"
#include "app/program.h"
#include "platform/programfolder.h"
#include "servicedouble.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// The child's side: prints one line when the window is first painted and ends at once.
class FirstPaint : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow()) {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            _exit(0);
        }
        return false;
    }
};

int runChild(int argc, char **argv, bool bare)
{
    QApplication app(argc, argv);
    FirstPaint watch;
    if (bare) {
        QWidget window;
        window.resize(1063, 575);
        window.installEventFilter(&watch);
        window.show();
        return app.exec();
    }
    // As the program's main() (the skin next to the built program), through the same run.
    platform::setProgramFolder(QStringLiteral(QUILLORY_PROGRAM_DIR));
    Form1 window;
    window.installEventFilter(&watch);
    return runProgram(app, window);
}

std::vector<double> &samples(bool bare)
{
    static std::vector<double> bareTimes, programTimes;
    return bare ? bareTimes : programTimes;
}

// One start: launch to the "shown" line, in milliseconds; < 0 when the child failed.
double timeOneStart(const QString &self, bool bare)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(self, {QStringLiteral("--child"), bare ? QStringLiteral("bare") : QStringLiteral("quillory")});
    while (child.state() != QProcess::NotRunning || child.bytesAvailable()) {
        if (child.canReadLine() && child.readLine().startsWith("shown"))
            break;
        if (!child.waitForReadyRead(20000) && child.state() == QProcess::NotRunning && !child.canReadLine())
            return -1;
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    child.waitForFinished(5000);
    return ms;
}

// The two kinds of start alternate, so that a change in the machine's load (other
// builds, the file cache) weighs on both alike. The time reported is the program's; both
// medians and their ratio are printed at the end.
void BM_StartUpAgainstABareQtWindow(benchmark::State &state)
{
    const QString self = QCoreApplication::applicationFilePath();
    timeOneStart(self, true); // warm the file cache
    timeOneStart(self, false);
    for (auto _ : state) {
        const double bare = timeOneStart(self, true);
        const double program = timeOneStart(self, false);
        if (bare < 0 || program < 0) {
            state.SkipWithError("the window never showed (no X server? run under xvfb-run)");
            break;
        }
        samples(true).push_back(bare);
        samples(false).push_back(program);
        state.SetIterationTime(program / 1000);
    }
}
BENCHMARK(BM_StartUpAgainstABareQtWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, std::strcmp(argv[2], "bare") == 0);

    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("startup_benchmark: no X server; run it as: xvfb-run -a startup_benchmark\n", stderr);
        return 1;
    }
    servicedouble::clearMachineProxy();
    servicedouble::ServiceDouble service; // answers the update check of every child
    qputenv("http_proxy", QByteArray::fromStdString(service.proxyUrl()));
    qputenv("no_proxy", "");

    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double bare = median(samples(true));
    const double program = median(samples(false));
    if (bare > 0 && program > 0)
        std::printf("median start-up: bare Qt window %.1f ms, Quillory %.1f ms, ratio %.2f (target at most 1.50)\n",
                    bare, program, program / bare);
    return 0;
}
