// How long starting a song holds the user-interface thread, and how long it then takes
// until the song sounds, streaming from the local service double through the proxy.

#include "platform/mci.h"
#include "player/playcommands.h"
#include "servicedouble.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

const QString kAudio = QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/114/1050001234.mp3");

void startSong()
{
    for (const QString &command : player::playCommands(kAudio, 1000))
        platform::mciSendString(command);
}

bool waitForSound(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const platform::MciDeviceStatus status = platform::mciDeviceStatus(player::kAlias);
        if (status.playing && status.positionMs > 0)
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return false;
}

// The four commands of starting a song, as a click runs them.
void BM_StartSongCommands(benchmark::State &state)
{
    startSong(); // the first stream loads the player's network parts
    platform::mciSendString(player::kCloseAll);
    for (auto _ : state) {
        startSong();
        state.PauseTiming();
        platform::mciSendString(player::kCloseAll);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartSongCommands)->Unit(benchmark::kMillisecond)->Iterations(20);

// From the click to the first sound.
void BM_TimeToSound(benchmark::State &state)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        startSong();
        if (!waitForSound(10000)) {
            state.SkipWithError("the song never started");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        platform::mciSendString(player::kCloseAll);
    }
}
BENCHMARK(BM_TimeToSound)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// Closing a song while it plays.
void BM_StopPlayingSong(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        startSong();
        waitForSound(10000);
        state.ResumeTiming();
        platform::mciSendString(player::kCloseAll);
    }
}
BENCHMARK(BM_StopPlayingSong)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char **argv)
{
    // Silent, real-time output whatever sound the machine has.
    if (qEnvironmentVariableIsEmpty("GST_PLUGIN_FEATURE_RANK"))
        qputenv("GST_PLUGIN_FEATURE_RANK", "pulsesink:NONE,alsasink:NONE,pipewiresink:NONE,jackaudiosink:NONE,oss4sink:NONE,osssink:NONE,openalsink:NONE");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    servicedouble::clearMachineProxy();
    servicedouble::ServiceDouble service;
    qputenv("http_proxy", QByteArray::fromStdString(service.proxyUrl()));

    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    platform::mciSendString(player::kCloseAll);
    return 0;
}
