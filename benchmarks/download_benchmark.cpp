// Copies the double's 20 MiB file with the downloader while a progress bar follows it,
// then the same file with curl -o, and prints the throughput ratio and the worst
// event-loop stall seen during the downloader's transfer.
#include "download/cls_download.h"
#include "download/downloadmath.h"
#include "servicedouble.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

servicedouble::ServiceDouble *g_double = nullptr;

void BM_DLFileAgainstCurl(benchmark::State &state)
{
    const QString url = QString::fromStdString(servicedouble::ServiceDouble::largeFileUrl());
    const double size = double(servicedouble::ServiceDouble::largeFileSize());
    QTemporaryDir dir;
    QProgressBar bar;
    bar.setRange(0, 100);
    bar.show();
    Cls_DownLoad cdf;
    QObject::connect(&cdf, &Cls_DownLoad::entDLFileDowning, &bar,
                     [&bar](const QString &, qint64 done, qint64 total, qint64) {
                         bar.setValue(download::progressPercent(done, total));
                     });
    double ours = 0, curl = 0;
    qint64 worstStall = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        QTimer ticker;
        qint64 stall = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, sinceTick.restart());
        });
        ticker.start(1);
        sinceTick.start();
        QElapsedTimer clock;
        clock.start();
        const qint64 written = cdf.DLFile(url, dir.filePath(QStringLiteral("ours.mp3")), 10000);
        ours += clock.nsecsElapsed() / 1e9;
        stall = std::max(stall, sinceTick.elapsed());
        ticker.stop();
        worstStall = std::max(worstStall, stall);
        if (written != qint64(size))
            state.SkipWithError("the downloader did not copy the whole file");

        clock.restart();
        const int rc = QProcess::execute(QStringLiteral("curl"),
                                         {QStringLiteral("-s"), QStringLiteral("-o"), dir.filePath(QStringLiteral("curl.mp3")),
                                          QStringLiteral("-x"), QString::fromStdString(g_double->proxyUrl()), url});
        curl += clock.nsecsElapsed() / 1e9;
        if (rc != 0)
            state.SkipWithError("curl failed");
    }
    const double n = double(state.iterations());
    state.counters["DLFile_MBps"] = size / (ours / n) / 1e6;
    state.counters["curl_MBps"] = size / (curl / n) / 1e6;
    state.counters["ratio"] = curl / ours;
    state.counters["worst_stall_ms"] = double(worstStall);
}
BENCHMARK(BM_DLFileAgainstCurl)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    servicedouble::clearMachineProxy();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    servicedouble::ServiceDouble service;
    g_double = &service;
    qputenv("http_proxy", QByteArray::fromStdString(service.proxyUrl()));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
