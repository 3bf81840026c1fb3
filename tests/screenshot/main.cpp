// Takes the README's pictures of the window: starts the real window (skin, update check
// and all) against whatever HTTP proxy the environment names, walks it through the states
// a user meets and saves what the screen shows at each as FOLDER/screenshot-STATE.png:
//
//   idle         after start-up, the boxes unlocked
//   lookup       after a lookup of a share page (with an MV)
//   works        a singer's works listed
//   panel        the download panel open over the busy window
//   downloading  a download under way
//   message      the question a stop click asks during a download (answered No)
//   finished     the download done
//   busy         the same song saved again while another saver writes it
//   queue        the singer's works saved with 下载全部作品: the list's 状态 column
//   dropped      another song's link dropped on the window, looked up
//   handover     a second start of quillory (next to this tool) with a third song's
//                address: the window looked it up, the second start ended
//   mv           the MV window over the main window
//
// Usage: quillory-screenshot FOLDER [--only STATE] [--suffix TEXT]
//   --only takes just one state (the walk still goes up to it); --suffix goes between the
//   state and ".png" (for a picture at another screen density, say).
//   --only focus instead walks the window with Tab after a lookup, the download panel
//   open on the way, and saves each focused control with its surroundings as
//   FOLDER/focus-NAME.png, to check that the focus shows on every control.
// Meant for scripts/screenshot.sh, which runs it under xvfb-run against the local service,
// on a session bus of its own (dbus-run-session) for the hand-over.

#include "app/form1.h"
#include "download/downloadmath.h"
#include "download/partlock.h"
#include "platform/appinstance.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <functional>

namespace {

const QString kSharePage = QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq");
const QString kSingerPage = QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20130816");
const QString kDroppedPage = QStringLiteral("http://changba.com/s/Gb7Yz4QwNe5s");
const QString kHandedPage = QStringLiteral("http://changba.com/s/Hx8Jd2PaVk3T"); // with an MV, for the last state

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// A screen grab that is one flat colour means the display showed nothing useful.
bool isBlank(const QImage &image)
{
    if (image.isNull())
        return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

class Camera
{
public:
    Camera(QWidget &window, QString folder, QString only, QString suffix)
        : m_window(window), m_folder(std::move(folder)), m_only(std::move(only)), m_suffix(std::move(suffix))
    {
    }

    bool wants(const QString &state) const { return m_only.isEmpty() || m_only == state; }
    bool done() const { return !m_only.isEmpty() && m_taken > 0; }
    int failures() const { return m_failures; }

    // What the screen shows of the main window (and of any window over it) right now.
    void take(const QString &state)
    {
        if (!wants(state))
            return;
        m_window.repaint();
        QImage shot;
        if (QScreen *screen = m_window.screen()) {
            const QRect area = m_window.frameGeometry();
            shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        }
        if (isBlank(shot)) {
            QTextStream(stderr) << "warning: the screen grab is blank, rendering the window instead\n";
            shot = m_window.grab().toImage();
        }
        const QString path = QDir(m_folder).filePath(QStringLiteral("screenshot-%1%2.png").arg(state, m_suffix));
        if (!shot.save(path, "PNG")) {
            QTextStream(stderr) << "cannot write " << path << "\n";
            ++m_failures;
            return;
        }
        ++m_taken;
        QTextStream(stdout) << "saved " << path << " (" << shot.width() << "x" << shot.height() << ")\n";
    }

    // The focused control and a little around it, as the screen shows it.
    void takeFocused(const QString &state, const QWidget *control)
    {
        m_window.repaint();
        const QRect local(control->mapTo(&m_window, QPoint(0, 0)), control->size());
        const QRect area = local.adjusted(-12, -12, 12, 12).intersected(m_window.rect());
        QImage shot;
        if (QScreen *screen = m_window.screen()) {
            const QPoint at = m_window.mapToGlobal(area.topLeft());
            shot = screen->grabWindow(0, at.x(), at.y(), area.width(), area.height()).toImage();
        }
        if (isBlank(shot))
            shot = m_window.grab(area).toImage();
        const QString path = QDir(m_folder).filePath(QStringLiteral("%1%2.png").arg(state, m_suffix));
        if (!shot.save(path, "PNG")) {
            ++m_failures;
            return;
        }
        QTextStream(stdout) << "saved " << path << "\n";
    }

private:
    QWidget &m_window;
    QString m_folder;
    QString m_only;
    QString m_suffix;
    int m_taken = 0;
    int m_failures = 0;
};

template<typename T>
T *control(QWidget &window, const char *name)
{
    T *widget = window.findChild<T *>(QLatin1String(name));
    if (!widget) {
        QTextStream(stderr) << "the window lacks " << name << "\n";
        std::exit(1);
    }
    return widget;
}

int fail(const char *what)
{
    QTextStream(stderr) << what << "\n";
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("where the pictures go"));
    const QCommandLineOption only(QStringLiteral("only"), QStringLiteral("take just this state"), QStringLiteral("state"));
    const QCommandLineOption suffix(QStringLiteral("suffix"), QStringLiteral("text after the state"), QStringLiteral("text"));
    parser.addOptions({only, suffix});
    parser.addHelpOption();
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString folder = parser.positionalArguments().first();
    if (!QDir().mkpath(folder))
        return fail("cannot create the picture folder");

    // The window takes hand-overs as the program's does.
    platform::AppInstance instance;
    const bool takesHandOvers = instance.claim(QString()) == platform::AppInstance::Start::First;
    Form1 window;
    QObject::connect(&instance, &platform::AppInstance::handedOver, &window, &Form1::handOver);
    window.Form_Load();
    Camera camera(window, folder, parser.value(only), parser.value(suffix));

    // The song and the MV page go to a scratch folder, and the file manager is left shut.
    QTemporaryDir scratch;
    platform::setProgramFolder(scratch.path());
    platform::setRevealHandler([](const platform::RevealRequest &) {});

    auto *text1 = control<QLineEdit>(window, "Text1");
    if (!waitFor([&] { return text1->isEnabled(); }, 10000))
        return fail("the update check did not unlock the address box (is the local service the proxy?)");
    QTest::qWait(300);
    camera.take(QStringLiteral("idle"));
    if (camera.done())
        return camera.failures();

    QTest::keyClicks(text1, kSharePage);
    auto *lookup = control<QWidget>(window, "aicAlphaImage3");
    QTest::mouseClick(lookup, Qt::LeftButton, {}, lookup->rect().center());
    if (!waitFor([&] { return control<QWidget>(window, "aicAlphaImage2")->isVisible(); }, 10000))
        QTextStream(stderr) << "warning: the page shows no MV mark\n";
    QTest::qWait(800); // the singer's picture and the last repaints
    camera.take(QStringLiteral("lookup"));
    if (camera.done())
        return camera.failures();

    if (parser.value(only) == QStringLiteral("focus")) {
        // Every control Tab reaches, once round the window, the download panel opened by
        // Space on its button on the way.
        window.activateWindow();
        QWidget *first = control<QWidget>(window, "Text2");
        first->setFocus(Qt::TabFocusReason);
        QWidget *focused = first;
        do {
            QTest::qWait(150);
            camera.takeFocused(QStringLiteral("focus-") + focused->objectName(), focused);
            if (focused->objectName() == QStringLiteral("Command2") && !control<QWidget>(window, "Picture3")->isVisible())
                QTest::keyClick(focused, Qt::Key_Space);
            QTest::keyClick(focused, Qt::Key_Tab);
            focused = QApplication::focusWidget();
        } while (focused && focused != first);
        return camera.failures();
    }

    auto *list = control<QTreeWidget>(window, "ListView1");
    QTest::keyClicks(control<QLineEdit>(window, "Text2"), kSingerPage);
    control<QPushButton>(window, "Command10")->click();
    if (!waitFor([&] { return list->topLevelItemCount() > 0; }, 10000))
        return fail("the singer's works did not arrive");
    QTest::qWait(300);
    camera.take(QStringLiteral("works"));
    if (camera.done())
        return camera.failures();

    control<QPushButton>(window, "Command2")->click();
    QTest::qWait(300);
    camera.take(QStringLiteral("panel"));
    if (camera.done())
        return camera.failures();

    // Under way: a picture once the bar passes a third, then a stop click whose question is
    // pictured and answered No, so the download goes on to its end.
    auto *bar = control<QProgressBar>(window, "ProgressBar1");
    auto *command6 = control<QPushButton>(window, "Command6");
    bool underWay = false;
    QObject::connect(bar, &QProgressBar::valueChanged, &window, [&](int value) {
        if (underWay || value < 35 || value >= 100)
            return;
        underWay = true;
        // Once the bar has painted its new value: it is set with its painting held back.
        QTimer::singleShot(40, command6, [&] {
            camera.take(QStringLiteral("downloading"));
            if (command6->text() != QStringLiteral("停止下载"))
                return; // already over: nothing to ask
            QTimer::singleShot(400, &window, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                camera.take(QStringLiteral("message"));
                for (QAbstractButton *button : box->buttons())
                    if (box->buttonRole(button) == QMessageBox::NoRole)
                        button->click();
            });
            command6->click();
        });
    });
    QTimer::singleShot(0, command6, [command6] { command6->click(); });
    if (!waitFor([&] { return underWay && command6->text() == QStringLiteral("开始下载") && bar->value() == 100; },
                 20000))
        return fail("the download did not finish");
    QTest::qWait(300);
    camera.take(QStringLiteral("finished"));
    if (camera.done())
        return camera.failures();

    // The same song saved again while another saver (a command line run, say) writes it.
    {
        download::PartLock other;
        other.take(download::partPath(window.savePath()));
        command6->click();
        QTest::qWait(300);
        camera.take(QStringLiteral("busy"));
        other.release();
        download::removeFreePart(download::partPath(window.savePath()));
    }
    if (camera.done())
        return camera.failures();

    // The singer's works saved in one go, then the list with each work's fate once the
    // panel is closed.
    auto *close = control<QWidget>(window, "aicAlphaImage4");
    window.findChild<QAction *>(QStringLiteral("downloadAllAction"))->trigger();
    QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
    QTest::qWait(300);
    camera.take(QStringLiteral("queue"));
    if (camera.done())
        return camera.failures();

    // Another song's link dropped on the window from a browser.
    auto *label2 = control<QLabel>(window, "Label2");
    const QString before = label2->text();
    QMimeData link;
    link.setUrls({QUrl(kDroppedPage)});
    const QPoint at = control<QWidget>(window, "Picture2")->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &link, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, &link, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &drop);
    if (!drop.isAccepted() || !waitFor([&] { return label2->text() != before; }, 10000))
        return fail("the dropped link was not looked up");
    QTest::qWait(800);
    camera.take(QStringLiteral("dropped"));
    if (camera.done())
        return camera.failures();

    // A second start of the program hands its address over and ends.
    if (takesHandOvers) {
        QProcess second;
        second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quillory"), {kHandedPage});
        const QString shown = label2->text();
        if (!waitFor([&] { return second.state() == QProcess::NotRunning && label2->text() != shown; }, 20000) ||
            second.exitCode() != 0)
            return fail("the second start did not hand over");
        QTest::qWait(800);
        camera.take(QStringLiteral("handover"));
        if (camera.done())
            return camera.failures();
    } else {
        QTextStream(stderr) << "warning: no session bus, so no hand-over to picture\n";
    }

    // The MV window, shown modally over the main window.
    QTimer::singleShot(600, &window, [&] {
        QWidget *mv = QApplication::activeModalWidget();
        camera.take(QStringLiteral("mv"));
        if (mv)
            mv->close();
    });
    control<QPushButton>(window, "Command8")->click();
    return camera.failures();
}
