// The real window's downloads against curl, both through the local service double as
// their proxy, the double running as a process of its own (quillory-service), so that
// the server's work never counts as the program's and curl shows what the server gives:
// - one 40 MiB song saved with 开始下载 while the panel is shown, against curl -o of the
//   same file: both throughputs, the worst event-loop stall during the window's
//   transfer, and processor time per MiB (the window's thread and its whole process);
// - a far network (40 ms before every answer, each connection capped at 4 MB/s): a
//   generated singer of 50 works of 2 MiB saved with "下载全部作品", three works at once
//   and one at a time, against one curl process fetching only the 50 files one after
//   another: both times, the requests the queue sent per work, and the resident memory
//   after the first work and at its peak;
// - a real MP3 of about 40 MiB at 128 kb/s (made once with sox and lame, with a tag of its
//   own ahead and an ID3v1 tail, as a service's file may have) saved with and without
//   tags through the panel and through quillory-cli get, against curl -o of the same file
//   and curl -o followed by sync of it, in the same run: each one's time, the ratio to
//   curl, the worst event-loop stall of the panel, and the bytes written to disk per
//   saved byte (write_bytes of /proc/self/io for the panel, the children's output blocks
//   for quillory-cli and curl).
// Build in Release for figures worth quoting. Other programs on the machine skew them.
#include "app/form1.h"
#include "net/pagefetch.h"
#include "platform/messagebox.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"
#include "servicedouble.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QCheckBox>
#include <QNetworkProxy>
#include <QProcess>
#include <QStandardPaths>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <time.h>

namespace {

constexpr size_t kSongBytes = 40u * 1024 * 1024;
constexpr int kQueueWorks = 50;
constexpr size_t kWorkBytes = 2u * 1024 * 1024;
constexpr int kFarLatencyMs = 40;
constexpr long long kFarBytesPerSecond = 4'000'000;

// quillory-service as a process of its own, on a free port; it tells every request it
// answers, which is counted here.
class ServiceProcess
{
public:
    explicit ServiceProcess(const QStringList &extra)
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { read(); });
        process.start(QStringLiteral(QUILLORY_SERVICE),
                      QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--log-requests")} + extra);
        QElapsedTimer wait;
        wait.start();
        while (proxy.isEmpty() && wait.elapsed() < 10000 && process.state() != QProcess::NotRunning)
            process.waitForReadyRead(100);
    }
    ~ServiceProcess()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
    QString proxy;
    int requests = 0;

private:
    void read()
    {
        buffered += process.readAllStandardOutput();
        for (qsizetype end; (end = buffered.indexOf('\n')) >= 0; buffered.remove(0, end + 1)) {
            const QByteArray line = buffered.left(end);
            if (line.startsWith("request "))
                ++requests;
            else if (const qsizetype at = line.indexOf("http://127.0.0.1:"); at >= 0 && proxy.isEmpty())
                proxy = QString::fromLatin1(line.mid(at).trimmed());
        }
    }
    QProcess process;
    QByteArray buffered;
};


double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The resident memory of this process in MB.
double residentMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6 : 0;
}

// Records the longest time between two turns of the event loop.
class StallMeter
{
public:
    StallMeter()
    {
        QObject::connect(&ticker, &QTimer::timeout, [this] { worst = std::max(worst, sinceTick.restart()); });
        ticker.start(1);
        sinceTick.start();
    }
    qint64 worstMs()
    {
        worst = std::max(worst, sinceTick.elapsed());
        return worst;
    }

private:
    QTimer ticker;
    QElapsedTimer sinceTick;
    qint64 worst = 0;
};

// The real window, started against the double, saving into a folder of its own.
struct Window {
    QTemporaryDir folder;
    Form1 form;

    Window()
    {
        platform::setProgramFolder(folder.path());
        platform::setRevealHandler([](const platform::RevealRequest &) {});
        platform::setMessageBoxAnswerer([](const platform::MessageBoxRequest &) { return platform::MessageAnswer::Ok; });
        form.Form_Load();
    }
    ~Window() { platform::setProgramFolder(QString()); }

    template<typename T>
    T *control(const char *name) { return form.findChild<T *>(QLatin1String(name)); }
    QString music() const { return folder.filePath(QStringLiteral("Music")); }
};

QString curl() { return QStringLiteral("curl"); }
QStringList curlBase(const QString &proxy)
{
    return {QStringLiteral("-s"), QStringLiteral("-x"), proxy};
}

// Routes the program's requests to the service.
void useProxy(const QString &proxy)
{
    net::networkManager().setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), QUrl(proxy).port()));
    net::networkManager().clearConnectionCache();
}

void BM_PanelAgainstCurl(benchmark::State &state)
{
    ServiceProcess service({});
    if (service.proxy.isEmpty()) {
        state.SkipWithError("quillory-service did not start");
        return;
    }
    useProxy(service.proxy);
    Window window;
    const QString share = QString::fromStdString(servicedouble::ServiceDouble::generatedShareUrl(1, kSongBytes));
    window.control<QLineEdit>("Text1")->setText(share);
    QTest::mouseClick(window.control<QWidget>("aicAlphaImage3"), Qt::LeftButton);
    const QString audio = window.form.songRecord().strMusicUrl;
    if (audio.isEmpty()) {
        state.SkipWithError("the lookup found no song");
        return;
    }
    QTemporaryDir curlDir;
    double ours = 0, theirs = 0, uiCpu = 0, allCpu = 0;
    qint64 worstStall = 0;
    for (auto _ : state) {
        window.control<QPushButton>("Command2")->click(); // the panel, shown
        QApplication::processEvents();
        const QString saved = window.form.savePath();
        QFile::remove(saved);
        StallMeter stalls;
        const double ui0 = threadCpuSeconds(), all0 = processCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        window.control<QPushButton>("Command6")->click();
        ours += double(clock.nsecsElapsed()) / 1e9;
        uiCpu += threadCpuSeconds() - ui0;
        allCpu += processCpuSeconds() - all0;
        worstStall = std::max(worstStall, stalls.worstMs());
        if (QFileInfo(saved).size() != qint64(kSongBytes))
            state.SkipWithError("the window did not save the whole song");

        clock.restart();
        const int rc = QProcess::execute(curl(), curlBase(service.proxy) + QStringList{QStringLiteral("-o"), curlDir.filePath(QStringLiteral("song.mp3")), audio});
        theirs += double(clock.nsecsElapsed()) / 1e9;
        if (rc != 0)
            state.SkipWithError("curl failed");
    }
    const double n = double(state.iterations());
    const double mib = double(kSongBytes) / (1024.0 * 1024.0);
    state.counters["window_MBps"] = double(kSongBytes) / (ours / n) / 1e6;
    state.counters["curl_MBps"] = double(kSongBytes) / (theirs / n) / 1e6;
    state.counters["ratio"] = theirs / ours;
    state.counters["worst_stall_ms"] = double(worstStall);
    state.counters["ui_cpu_ms_per_MiB"] = uiCpu / n / mib * 1000.0;
    state.counters["process_cpu_ms_per_MiB"] = allCpu / n / mib * 1000.0;
}
BENCHMARK(BM_PanelAgainstCurl)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// Bytes this process had sent to disk, dirtied pages included (write_bytes).
qint64 writeBytes()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("write_bytes:"))
            return line.mid(12).trimmed().toLongLong();
    return 0;
}

// The same of the children waited for, in 512-byte blocks.
qint64 childrenWriteBytes()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return qint64(usage.ru_oublock) * 512;
}

// A real song: about 40 MiB of a 440 Hz tone at 128 kb/s, with an ID3v2 tag of its own
// and an ID3v1 tail, made once beside the benchmark; "" when sox or lame are missing.
QString realMp3(QString *why)
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/download-benchmark-song.mp3");
    if (QFileInfo(path).size() > 0)
        return path;
    const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (sox.isEmpty() || lame.isEmpty()) {
        *why = QStringLiteral("the real MP3 needs sox and lame (apt-get install sox lame): skipped");
        return {};
    }
    constexpr int kSeconds = int(kSongBytes * 8 / 128000);
    QProcess tone, encoder;
    tone.setStandardOutputProcess(&encoder);
    const QString partial = path + QStringLiteral(".part");
    encoder.start(lame, {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("--add-id3v2"),
                         QStringLiteral("--tt"), QStringLiteral("served title"), QStringLiteral("--ta"),
                         QStringLiteral("served artist"), QStringLiteral("-"), partial});
    tone.start(sox, {QStringLiteral("-q"), QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                     QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"),
                     QStringLiteral("-t"), QStringLiteral("wav"), QStringLiteral("-"), QStringLiteral("synth"),
                     QString::number(kSeconds), QStringLiteral("sine"), QStringLiteral("440")});
    tone.waitForFinished(-1);
    encoder.waitForFinished(-1);
    if (encoder.exitCode() != 0 || !QFile::rename(partial, path)) {
        *why = QStringLiteral("sox and lame did not make the MP3");
        return {};
    }
    return path;
}

// One way of saving the real MP3, timed, against curl in the same run.
enum class Saver { Panel, Cli };

void BM_RealMp3AgainstCurl(benchmark::State &state)
{
    const Saver saver = Saver(state.range(0));
    const bool tagged = state.range(1) != 0;
    QString why;
    const QString mp3 = realMp3(&why);
    if (mp3.isEmpty()) {
        static std::string message; // the library keeps the pointer
        message = why.toStdString();
        state.SkipWithError(message.c_str());
        return;
    }
    const qint64 mp3Bytes = QFileInfo(mp3).size();
    const QString share = QString::fromStdString(servicedouble::ServiceDouble::generatedShareUrl(1, size_t(mp3Bytes)));
    const QString audio = QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/gen/g%1n1.mp3").arg(mp3Bytes);
    ServiceProcess service({QStringLiteral("--serve"), audio + QLatin1Char('=') + mp3});
    if (service.proxy.isEmpty()) {
        state.SkipWithError("quillory-service did not start");
        return;
    }
    useProxy(service.proxy);
    Window window; // the panel's; quillory-cli saves into its folder too
    QProcessEnvironment cliEnvironment = QProcessEnvironment::systemEnvironment();
    cliEnvironment.insert(QStringLiteral("http_proxy"), service.proxy);
    cliEnvironment.insert(QStringLiteral("https_proxy"), service.proxy);
    if (saver == Saver::Panel) {
        window.control<QLineEdit>("Text1")->setText(share);
        QTest::mouseClick(window.control<QWidget>("aicAlphaImage3"), Qt::LeftButton);
        if (window.form.songRecord().strMusicUrl != audio) {
            state.SkipWithError("the lookup did not find the real MP3");
            return;
        }
    }
    QTemporaryDir curlDir;
    const QString curlFile = curlDir.filePath(QStringLiteral("song.mp3"));
    const QString cliFile = window.folder.filePath(QStringLiteral("cli.mp3"));
    double ours = 0, theirs = 0, theirsSynced = 0;
    qint64 worstStall = 0, ourWrites = 0, ourBytes = 0;
    for (auto _ : state) {
        QString saved = cliFile;
        QFile::remove(saved);
        qint64 written = 0;
        QElapsedTimer clock;
        if (saver == Saver::Panel) {
            window.control<QPushButton>("Command2")->click();
            QApplication::processEvents();
            window.control<QCheckBox>("writeTagsCheck")->setChecked(tagged);
            saved = window.form.savePath();
            QFile::remove(saved);
            StallMeter stalls;
            const qint64 before = writeBytes();
            clock.start();
            window.control<QPushButton>("Command6")->click();
            ours += double(clock.nsecsElapsed()) / 1e9;
            written = writeBytes() - before;
            worstStall = std::max(worstStall, stalls.worstMs());
        } else {
            QProcess cli;
            cli.setProcessEnvironment(cliEnvironment);
            QStringList arguments{QStringLiteral("get"), share, QStringLiteral("-o"), cliFile};
            if (!tagged)
                arguments << QStringLiteral("--no-tags");
            const qint64 before = childrenWriteBytes();
            clock.start();
            cli.start(QStringLiteral(QUILLORY_CLI), arguments);
            cli.waitForFinished(-1);
            ours += double(clock.nsecsElapsed()) / 1e9;
            written = childrenWriteBytes() - before;
            if (cli.exitCode() != 0)
                state.SkipWithError("quillory-cli get failed");
        }
        const qint64 size = QFileInfo(saved).size();
        if (tagged ? size <= mp3Bytes - 128 - 4096 : size != mp3Bytes)
            state.SkipWithError("the song was not saved whole");
        ourWrites += written;
        ourBytes += size;

        QFile::remove(curlFile);
        clock.restart();
        int rc = QProcess::execute(curl(), curlBase(service.proxy) + QStringList{QStringLiteral("-o"), curlFile, audio});
        theirs += double(clock.nsecsElapsed()) / 1e9;
        QFile::remove(curlFile);
        clock.restart();
        rc |= QProcess::execute(curl(), curlBase(service.proxy) + QStringList{QStringLiteral("-o"), curlFile, audio});
        rc |= QProcess::execute(QStringLiteral("sync"), {curlFile});
        theirsSynced += double(clock.nsecsElapsed()) / 1e9;
        if (rc != 0)
            state.SkipWithError("curl or sync failed");
    }
    const double n = double(state.iterations());
    state.counters["ours_s"] = ours / n;
    state.counters["curl_s"] = theirs / n;
    state.counters["curl_sync_s"] = theirsSynced / n;
    state.counters["speed_vs_curl"] = theirs / ours;
    state.counters["speed_vs_curl_sync"] = theirsSynced / ours;
    state.counters["written_per_saved_byte"] = ourBytes > 0 ? double(ourWrites) / double(ourBytes) : 0;
    if (saver == Saver::Panel)
        state.counters["worst_stall_ms"] = double(worstStall);
}
BENCHMARK(BM_RealMp3AgainstCurl)
    ->ArgNames({"cli", "tags"})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

void BM_QueueOnAFarNetwork(benchmark::State &state)
{
    ServiceProcess service({QStringLiteral("--latency-ms"), QString::number(kFarLatencyMs), QStringLiteral("--rate"),
                            QString::number(kFarBytesPerSecond)});
    if (service.proxy.isEmpty()) {
        state.SkipWithError("quillory-service did not start");
        return;
    }
    useProxy(service.proxy);
    Window window;
    window.control<QLineEdit>("Text2")->setText(
        QString::fromStdString(servicedouble::ServiceDouble::generatedSingerUrl(kQueueWorks, kWorkBytes)));
    window.control<QPushButton>("Command10")->click();
    auto *list = window.control<QTreeWidget>("ListView1");
    QElapsedTimer wait;
    wait.start();
    while (list->topLevelItemCount() < kQueueWorks && wait.elapsed() < 10000)
        QTest::qWait(20);
    if (list->topLevelItemCount() != kQueueWorks) {
        state.SkipWithError("the singer's works were not listed");
        return;
    }
    auto *all = window.form.findChild<QAction *>(QStringLiteral("downloadAllAction"));
    auto *queue = window.form.findChild<BatchDownload *>(QStringLiteral("batch"));
    queue->setJobs(int(state.range(0)));
    // The files only, one after another over one connection, as curl does best.
    QTemporaryDir curlDir;
    QStringList curlArguments = curlBase(service.proxy);
    for (int i = 1; i <= kQueueWorks; ++i)
        curlArguments << QStringLiteral("-o") << curlDir.filePath(QStringLiteral("%1.mp3").arg(i))
                      << QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/gen/g%1n%2.mp3").arg(kWorkBytes).arg(i);

    double ours = 0, theirs = 0, afterFirst = 0, peak = 0;
    qint64 worstStall = 0;
    int requests = 0;
    for (auto _ : state) {
        QDir(window.music()).removeRecursively();
        const int requestsBefore = service.requests;
        double firstThisRun = 0;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, residentMB()); });
        const auto connection = QObject::connect(queue, &BatchDownload::workStarted, [&](int position) {
            if (position == 2)
                firstThisRun = residentMB();
        });
        sampler.start(10);
        StallMeter stalls;
        QElapsedTimer clock;
        clock.start();
        all->trigger();
        ours += double(clock.nsecsElapsed()) / 1e9;
        QTest::qWait(50); // the service's last lines
        requests += service.requests - requestsBefore;
        worstStall = std::max(worstStall, stalls.worstMs());
        sampler.stop();
        QObject::disconnect(connection);
        afterFirst = std::max(afterFirst, firstThisRun);
        if (QDir(window.music()).entryList(QDir::Files).size() != kQueueWorks)
            state.SkipWithError("the queue did not save every work");

        clock.restart();
        const int rc = QProcess::execute(curl(), curlArguments);
        theirs += double(clock.nsecsElapsed()) / 1e9;
        if (rc != 0)
            state.SkipWithError("curl failed");
    }
    const double n = double(state.iterations());
    state.counters["queue_s"] = ours / n;
    state.counters["curl_s"] = theirs / n;
    state.counters["queue_per_curl"] = ours / theirs;
    state.counters["requests_per_work"] = double(requests) / n / kQueueWorks;
    state.counters["worst_stall_ms"] = double(worstStall);
    state.counters["rss_after_first_MB"] = afterFirst;
    state.counters["rss_peak_MB"] = peak;
    state.counters["rss_growth_MB"] = peak - afterFirst;
}
BENCHMARK(BM_QueueOnAFarNetwork)->ArgName("jobs")->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    servicedouble::clearMachineProxy();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
