// Every way out ends the program from every waiting state: one row per state and way.
// The painted close button and 退出程序 are pressed in this process, inside the running
// application event loop, which must end; the desktop's close request and the session
// ending reach a separate program (the quit launcher) from outside, which must exit.
// No row may leave a partial song behind.
#include "net/pagefetch.h"
#include "platform/exit.h"
#include "platform/mci.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"
#include "waitingstates.h"
#include "windowtest.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <csignal>
#include <cstring>
#include <cstdlib>
#include <memory>

namespace {

enum class Way { DesktopClose, PaintedClose, ExitButton, SessionEnd };

const char *name(Way way)
{
    switch (way) {
    case Way::DesktopClose:
        return "DesktopClose";
    case Way::PaintedClose:
        return "PaintedClose";
    case Way::ExitButton:
        return "ExitButton";
    case Way::SessionEnd:
        return "SessionEnd";
    }
    return "?";
}

struct Row {
    const WaitingState *state;
    Way way;
};

void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.state->name << " x " << name(row.way);
}

std::string rowName(const ::testing::TestParamInfo<Row> &info)
{
    return std::string(info.param.state->name) + "_" + name(info.param.way);
}

std::vector<Row> rows(std::initializer_list<Way> ways, bool withModalStates)
{
    std::vector<Row> table;
    for (const WaitingState &state : waitingStates())
        for (Way way : ways)
            if (withModalStates || !state.modal)
                table.push_back({&state, way});
    return table;
}

// The program is given this long from the way out to its end.
constexpr qint64 kEndWithinMs = 2000;

QStringList songsIn(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, {QStringLiteral("*.mp3")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

bool heldAnswerAsked(const WaitingState &state)
{
    return state.heldUrl.empty() || service().requestCount(state.heldUrl) > 0;
}

// ---- In this process: the painted close button and 退出程序 --------------------------

class QuitInProcess : public WindowTest, public ::testing::WithParamInterface<Row>
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        platform::setProgramFolder(folder.path());
        platform::setRevealHandler([](const platform::RevealRequest &) {});
        platform::setEndProgramHandler({}); // the real ending: the event loop must end
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        platform::setProgramFolder(QString());
        platform::setRevealHandler({});
        platform::clearEndProgramCount();
    }

    void wayOut(Way way)
    {
        if (way == Way::ExitButton) {
            QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
            return;
        }
        const QPoint closeButton(window->width() - 30, 12);
        QTest::mousePress(window.get(), Qt::LeftButton, {}, closeButton);
        QTest::mouseRelease(window.get(), Qt::LeftButton, {}, closeButton);
    }

    QTemporaryDir folder;
};

TEST_P(QuitInProcess, EndsTheEventLoopAndLeavesNoPartialSong)
{
    const WaitingState &state = *GetParam().state;
    state.holdOpen(service());
    window = startWindow();

    bool wentOut = false;
    QElapsedTimer sinceWayOut;
    QTimer::singleShot(0, window.get(), [&] { state.enter(*window); });
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (wentOut || !state.reached(*window) || !heldAnswerAsked(state))
            return;
        wentOut = true;
        sinceWayOut.start();
        wayOut(GetParam().way); // delivered inside the nested wait, as a user's click is
    });
    watch.start();
    // A lost quit leaves the loop running: it is ended from here and the row fails.
    QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
    const int status = QApplication::exec();
    const qint64 took = sinceWayOut.isValid() ? sinceWayOut.elapsed() : -1;
    watch.stop();

    RecordProperty("ms_to_end", int(took));
    ASSERT_TRUE(wentOut) << "the window never reached the state";
    EXPECT_EQ(status, 0) << "the event loop went on after the way out";
    EXPECT_LT(took, kEndWithinMs);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(songsIn(folder.path()).isEmpty()) << songsIn(folder.path()).join(' ').toStdString();
    EXPECT_TRUE(platform::mciCommandLog().contains(QStringLiteral("close all")));
    EXPECT_EQ(platform::mciOpenDeviceCount(), 0) << "a player outlived the program";
}

INSTANTIATE_TEST_SUITE_P(EveryWaitingState, QuitInProcess,
                         ::testing::ValuesIn(rows({Way::PaintedClose, Way::ExitButton}, false)), rowName);

// The window closed in the very pass of the event loop that brings the share page: the
// lookup goes on to fetch the picture, and that next wait must end at once too. (A quit
// posted to the event queue was dropped there: a new nested event loop discards it.)
TEST_F(QuitInProcess, AnExitInThePassThatBringsAnAnswerEndsTheNextWaitToo)
{
    servicedouble::ScriptedResponse late;
    late.delayMs = 8000;
    late.contentType = "image/jpeg";
    service().script("http://aliimg.changba.com/cache/photo/855237_200_200.jpg", late);
    window = startWindow();

    bool closed = false;
    QObject::connect(&net::networkManager(), &QNetworkAccessManager::finished, window.get(), [&](QNetworkReply *reply) {
        if (closed || !reply->url().path().startsWith(QLatin1String("/s/")))
            return;
        closed = true;
        control<QPushButton>("Command5")->click();
    });
    QTimer::singleShot(0, window.get(), [this] {
        lookUp(QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"));
    });
    QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
    const int status = QApplication::exec();

    ASSERT_TRUE(closed);
    EXPECT_EQ(status, 0) << "the quit was lost to the picture's wait";
    EXPECT_EQ(caption("Label10"), QStringLiteral("请输入地址进行信息提取")) << "the lookup went on after the exit";
}

// The update check may end the program before the event loop first runs.
TEST_F(QuitInProcess, AnEndingAskedForBeforeTheEventLoopRunsEndsItOnceItRuns)
{
    platform::endProgram();
    QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
}

// ---- A separate program: the desktop's close request and the session ending ----------

// A display of its own for the desktop's close request: an Xvfb server.
class Display
{
public:
    Display()
    {
        server.setProgram(QStringLiteral("Xvfb"));
        server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                             QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp")});
        server.start();
        QElapsedTimer clock;
        clock.start();
        while (!server.canReadLine() && clock.elapsed() < 15000 && server.state() != QProcess::NotRunning)
            server.waitForReadyRead(100);
        const QByteArray number = server.readLine().trimmed();
        if (!number.isEmpty())
            name = ":" + number;
    }
    ~Display()
    {
        server.terminate();
        server.waitForFinished(5000);
    }

    QByteArray name; // "" when no server could start

private:
    QProcess server;
};

// Sends WM_DELETE_WINDOW to window, as a window manager does for the title bar's close.
bool sendCloseRequest(const QByteArray &display, quint32 window)
{
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const auto atom = [connection](const char *atomName) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(atomName)), atomName), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    };
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&message));
    // A round trip before hanging up: the server may drop the requests of a client that
    // leaves right after writing them.
    xcb_get_input_focus_reply_t *focus = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const bool sent = focus != nullptr;
    std::free(focus);
    xcb_disconnect(connection);
    return sent;
}

class QuitProcess : public ::testing::TestWithParam<Row>
{
protected:
    static void SetUpTestSuite() { display = std::make_unique<Display>(); }
    static void TearDownTestSuite() { display.reset(); }
    void SetUp() override { service().reset(); }

    static std::unique_ptr<Display> display;
};

std::unique_ptr<Display> QuitProcess::display;

TEST_P(QuitProcess, EndsTheProgramWithStatusZeroAndLeavesNoPartialSong)
{
    const WaitingState &state = *GetParam().state;
    const Way way = GetParam().way;
    state.holdOpen(service());
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The desktop libraries loaded under X11 (D-Bus among them) keep blocks to the end that
    // the leak checker reports now and then; the same code runs leak-checked in this process.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    environment.insert(QStringLiteral("http_proxy"), QString::fromStdString(service().proxyUrl()));
    if (way == Way::DesktopClose) {
        ASSERT_FALSE(display->name.isEmpty()) << "Xvfb did not start";
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display->name));
    } else {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(QUILLORY_QUIT_LAUNCHER),
                  {QStringLiteral("--state"), QLatin1String(state.name), QStringLiteral("--folder"), folder.path()});
    ASSERT_TRUE(program.waitForStarted(10000));

    QByteArray ready;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000 && program.state() == QProcess::Running) {
        if (ready.isEmpty() && program.canReadLine())
            ready = program.readLine().trimmed();
        if (ready.startsWith("READY") && heldAnswerAsked(state))
            break;
        program.waitForReadyRead(20);
    }
    ASSERT_TRUE(ready.startsWith("READY")) << "the program never reached the state";

    clock.restart();
    if (way == Way::SessionEnd) {
        ::kill(pid_t(program.processId()), SIGTERM);
    } else {
        ASSERT_TRUE(sendCloseRequest(display->name, ready.mid(6).toUInt()));
    }
    const bool ended = program.waitForFinished(int(kEndWithinMs) + 3000);
    const qint64 took = clock.elapsed();
    if (!ended) {
        program.kill();
        program.waitForFinished(5000);
    }

    RecordProperty("ms_to_end", int(took));
    ASSERT_TRUE(ended) << "the program went on after the way out; it said: " << program.readAll().toStdString();
    EXPECT_LT(took, kEndWithinMs);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(songsIn(folder.path()).isEmpty()) << songsIn(folder.path()).join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(EveryWaitingState, QuitProcess,
                         ::testing::ValuesIn(rows({Way::DesktopClose, Way::SessionEnd}, true)), rowName);

} // namespace
