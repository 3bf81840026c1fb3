// How long the works list takes for a big singer: the row builder against the
// step-by-step reference on a page of 5,000 works, and the whole Timer3 tick that
// fills the real list.
#include "app/form1.h"
#include "literalworkrows.h"
#include "servicedouble.h"
#include "workpages.h"
#include "works/workrows.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kWorks = 5000;

const QString &bigPage()
{
    static const QString page = singerPage(kWorks);
    return page;
}

void describe(benchmark::State &state, qsizetype rows)
{
    state.counters["rows"] = double(rows);
    state.counters["page_MB"] = double(bigPage().toUtf8().size()) / (1024.0 * 1024.0);
}

void BM_BuildWorkRows(benchmark::State &state)
{
    const qint16 count = countWorkMarkers(bigPage());
    qsizetype rows = 0;
    for (auto _ : state) {
        WorkSlots held;
        const QList<WorkRow> built = buildWorkRows(bigPage(), count, held);
        rows = built.size();
        benchmark::DoNotOptimize(built.constData());
    }
    describe(state, rows);
}
BENCHMARK(BM_BuildWorkRows)->Unit(benchmark::kMillisecond);

void BM_LiteralWorkRows(benchmark::State &state)
{
    const qint16 count = countWorkMarkers(bigPage());
    qsizetype rows = 0;
    for (auto _ : state) {
        WorkSlots held;
        const QList<WorkRow> built = literalWorkRows(bigPage(), count, held);
        rows = built.size();
        benchmark::DoNotOptimize(built.constData());
    }
    describe(state, rows);
}
BENCHMARK(BM_LiteralWorkRows)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CountWorkMarkers(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(countWorkMarkers(bigPage()));
}
BENCHMARK(BM_CountWorkMarkers)->Unit(benchmark::kMillisecond);

// A started window that has fetched the big page from the local double with "批量获取";
// its timers are held back so that each run can fire Timer3 itself.
struct LoadedWindow {
    servicedouble::ServiceDouble service;
    std::unique_ptr<Form1> window;
    QTimer *timer3 = nullptr;
    QTreeWidget *list = nullptr;
    QPushButton *command12 = nullptr;

    LoadedWindow()
    {
        qputenv("http_proxy", QByteArray::fromStdString(service.proxyUrl()));
        const std::string address = "http://changba.com/member/personcenter/userPage.php?uid=50000000";
        servicedouble::ScriptedResponse page;
        page.body = bigPage().toStdString();
        service.script(address, page);

        window = std::make_unique<Form1>();
        window->Form_Load();
        timer3 = window->findChild<QTimer *>(QStringLiteral("Timer3"));
        list = window->findChild<QTreeWidget *>(QStringLiteral("ListView1"));
        command12 = window->findChild<QPushButton *>(QStringLiteral("Command12"));
        window->findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QString::fromStdString(address));
        window->findChild<QPushButton *>(QStringLiteral("Command10"))->click();
        timer3->stop();
        window->findChild<QTimer *>(QStringLiteral("Timer4"))->stop();
    }

    // One tick of Timer3 as the event loop delivers it.
    void tick()
    {
        QTimerEvent event(timer3->timerId());
        QCoreApplication::sendEvent(timer3, &event);
    }
    void prepare()
    {
        command12->click();
        timer3->start(3600 * 1000);
    }
};

// Made on first use, gone before the application object.
std::unique_ptr<LoadedWindow> loaded;
LoadedWindow &loadedWindow()
{
    if (!loaded)
        loaded = std::make_unique<LoadedWindow>();
    return *loaded;
}

void BM_Timer3Tick(benchmark::State &state)
{
    LoadedWindow &loaded = loadedWindow();
    for (auto _ : state) {
        state.PauseTiming();
        loaded.prepare();
        state.ResumeTiming();
        loaded.tick();
    }
    if (loaded.list->topLevelItemCount() != kWorks || loaded.timer3->isActive())
        state.SkipWithError("the tick did not build the list");
    describe(state, loaded.list->topLevelItemCount());
}
BENCHMARK(BM_Timer3Tick)->Unit(benchmark::kMillisecond);

// The tick and then the layout and painting it leaves for the event loop, until the
// window reacts again.
void BM_Timer3TickAndRepaint(benchmark::State &state)
{
    LoadedWindow &loaded = loadedWindow();
    for (auto _ : state) {
        state.PauseTiming();
        loaded.prepare();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        loaded.tick();
        loaded.list->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    describe(state, loaded.list->topLevelItemCount());
}
BENCHMARK(BM_Timer3TickAndRepaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    servicedouble::clearMachineProxy();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    loaded.reset();
    return 0;
}
