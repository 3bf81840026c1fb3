// The window in the desktop, on the test process's own session bus (testmain.cpp), seen from
// connections of their own as the desktop's servers and clients see it.
#include "platform/appinstance.h"
#include "platform/launcherentry.h"
#include "platform/mci.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QString kShare = QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"); // 后来 by 林小雨
const QString kSinger = QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20130816");
const QString kAudio = QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

// The desktop's notification server, which can press an action, and a dock that hears each
// launcher update as the progress ("0.25"), the count ("c3") or "off".
class Desktop : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    Desktop()
    {
        bus.registerObject(kNotificationsPath, this, QDBusConnection::ExportAllSlots);
        bus.registerService(kNotifications);
        bus.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", this, SLOT(update(QString, QVariantMap)));
    }
    ~Desktop() override { QDBusConnection::disconnectFromBus(bus.name()); }
    void press(uint id)
    {
        QDBusMessage pressed = QDBusMessage::createSignal(kNotificationsPath, kNotifications, "ActionInvoked");
        bus.send(pressed << id << QStringLiteral("open-folder"));
    }
    // Waits for the launcher to be cleared: the progress shown until then never went back.
    QStringList launcherRoseAndWasCleared(int atLeast)
    {
        EXPECT_TRUE(waitUntil([this] { return heard.value(heard.size() - 1) == QLatin1String("off"); }));
        EXPECT_GE(heard.size(), atLeast) << heard.join(' ').toStdString();
        double last = 0;
        for (const QString &update : std::as_const(heard)) {
            bool isProgress = false;
            const double progress = update.toDouble(&isProgress);
            EXPECT_TRUE(!isProgress || progress >= last) << heard.join(' ').toStdString();
            last = isProgress ? progress : last;
        }
        return std::exchange(heard, {});
    }

    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "desktop");
    QList<QVariantList> shown; // Notify's arguments, the hint desktop-entry for the hints
    QStringList heard;

public slots:
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        shown.append({app, replaces, icon, summary, body, actions, hints.value("desktop-entry"), timeout});
        return uint(shown.size());
    }
    void update(const QString &app, const QVariantMap &p)
    {
        if (app != QLatin1String("application://quillory.desktop"))
            return;
        if (!p.value("progress-visible", true).toBool() && !p.value("count-visible", true).toBool())
            heard << QStringLiteral("off");
        else
            heard << (p.contains("progress") ? QString::number(p.value("progress").toDouble())
                                             : QStringLiteral("c%1").arg(p.value("count").toInt()));
    }
};

class DesktopTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "the tests' own session bus";
        ASSERT_TRUE(dir.isValid());
        platform::setProgramFolder(dir.path());
        platform::clearRevealLog();
        platform::setRevealHandler([](const platform::RevealRequest &) {});
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        platform::setRevealHandler({});
        platform::setProgramFolder(QString());
    }

    void serveAudio(int chunkDelayMs, long long cutAfter = -1)
    {
        servicedouble::ScriptedResponse r;
        r.body = std::string(4096, 'm');
        r.contentType = "audio/mpeg";
        r.chunkSize = 512;
        r.chunkDelayMs = chunkDelayMs;
        r.cutAfter = cutAfter;
        service().script(kAudio.toStdString(), r);
    }
    // Looks the sample song up and saves it with the download panel into the test folder.
    void download(const std::function<void()> &meanwhile = {})
    {
        lookUp(kShare);
        control<QPushButton>("Command2")->click();
        if (meanwhile)
            QTimer::singleShot(150, window.get(), meanwhile);
        control<QPushButton>("Command6")->click();
    }
    void queueAllWorks()
    {
        control<QLineEdit>("Text2")->setText(QString::fromStdString(service().generatedSingerUrl(3, 2048)));
        control<QPushButton>("Command10")->click();
        ASSERT_TRUE(waitUntil([&] { return control<QTreeWidget>("ListView1")->topLevelItemCount() == 3; }));
        window->findChild<QAction *>("downloadAllAction")->trigger();
    }
    // Calls the window's media player as a client of the desktop does; a property's value.
    QVariant player(const QString &interface, const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.quillory", "/org/mpris/MediaPlayer2",
                                                           interface, method);
        call.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(call);
        EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); }));
        const QVariant value = pending.reply().arguments().value(0).value<QDBusVariant>().variant();
        return value.canConvert<QDBusArgument>() ? QVariant(qdbus_cast<QVariantMap>(value.value<QDBusArgument>())) : value;
    }
    QVariant property(const char *name)
    {
        return player("org.freedesktop.DBus.Properties", "Get", {"org.mpris.MediaPlayer2.Player", name});
    }

    QTemporaryDir dir;
    QProcess second;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
};

struct HandOver {
    const char *name;
    QString address;
    bool locked;     // the update check still waits when the second start comes
    const char *box; // where the address shows
    const char *label;
    QString caption; // what label then reads
};

class HandOverTest : public DesktopTest, public ::testing::WithParamInterface<HandOver>
{
};

TEST_P(HandOverTest, TheRunningWindowTakesTheAddressAndTheSecondStartEnds)
{
    const HandOver &row = GetParam();
    const std::string versionFile = "http://soft.solvane.com/version/main.txt";
    servicedouble::ScriptedResponse late;
    late.body = "cb:V3.2|";
    late.delayMs = 6000;
    if (row.locked)
        service().script(versionFile, late);
    platform::AppInstance first;
    ASSERT_EQ(first.claim(QString()), platform::AppInstance::Start::First);
    window = std::make_unique<Form1>();
    QObject::connect(&first, &platform::AppInstance::handedOver, window.get(), &Form1::handOver);
    QTimer::singleShot(0, window.get(), &Form1::Form_Load);
    ASSERT_TRUE(waitUntil([&] { return row.locked || control<QLineEdit>("Text1")->isEnabled(); }));

    // What the window shows when the second start has ended (inside the check's wait, when locked).
    bool locked = false;
    QString shown;
    QObject::connect(&second, &QProcess::finished, window.get(), [&] {
        locked = !control<QLineEdit>("Text1")->isEnabled();
        shown = control<QLineEdit>(row.box)->text();
    });
    second.start(QStringLiteral(QUILLORY_PROGRAM), row.address.isEmpty() ? QStringList() : QStringList{row.address});
    ASSERT_TRUE(waitUntil([&] { return second.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(service().requestCount(versionFile), 1) << "the second start asked for the version";
    EXPECT_EQ(locked, row.locked) << "the check ended before the hand-over";
    EXPECT_EQ(shown, row.address);
    EXPECT_TRUE(waitUntil([&] { return caption(row.label) == row.caption; }, 10000)) << caption(row.label).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HandOverTest,
    ::testing::Values(HandOver{"NoAddress", {}, false, "Text1", "Label2", QStringLiteral("演唱歌曲：未查询")},
                      HandOver{"SharePage", kShare, false, "Text1", "Label2", QStringLiteral("演唱歌曲：后来")},
                      HandOver{"SingerPage", kSinger, false, "Text2", "Label8_1", QStringLiteral("获取完毕..")},
                      HandOver{"WhileLocked", kShare, true, "Text1", "Label2", QStringLiteral("演唱歌曲：后来")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(DesktopTest, WithoutASessionBusEveryStartOpensItsWindowQuietly)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(QUILLORY_PROGRAM), {kShare});
    ASSERT_FALSE(second.waitForFinished(3000)) << second.readAllStandardError().toStdString();
    second.terminate();
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAllStandardError(), QByteArray());
}

struct Drop {
    const char *name;
    bool asLink; // text/uri-list, else text/plain
    QString link;
    const char *box; // where it goes; nullptr: refused
};

class DropTest : public DesktopTest, public ::testing::WithParamInterface<Drop>
{
};

TEST_P(DropTest, GoesWherePastingItGoes)
{
    const Drop &row = GetParam();
    window = startWindow();
    QMimeData data;
    row.asLink ? data.setUrls({QUrl(row.link)}) : data.setText(row.link + QLatin1Char('\n'));
    const QPoint at = control<QWidget>(row.box ? row.box : "Text1")->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_EQ(enter.isAccepted(), row.box != nullptr) << "the cursor before the drop";
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_EQ(drop.isAccepted(), row.box != nullptr);
    QTest::qWait(100);
    EXPECT_EQ(control<QLineEdit>("Text1")->text() + control<QLineEdit>("Text2")->text(), row.box ? row.link : QString());
    if (!row.box) {
        EXPECT_EQ(status(), QStringLiteral("欢迎使用Solvane系列软件 .."));
        return;
    }
    EXPECT_EQ(control<QLineEdit>(row.box)->text(), row.link);
    EXPECT_TRUE(waitUntil([&] {
        return caption("Label2") == QStringLiteral("演唱歌曲：后来") ||
               control<QTreeWidget>("ListView1")->topLevelItemCount() == 3;
    }));
}

INSTANTIATE_TEST_SUITE_P(Rows, DropTest,
                         ::testing::Values(Drop{"BrowserLinkToASharePage", true, kShare, "Text1"},
                                           Drop{"TextOfASingerPage", false, kSinger, "Text2"},
                                           Drop{"AFileOfTheFileManager", true, "file:///tmp/a.mp3", nullptr},
                                           Drop{"OtherText", false, "后来 林小雨", nullptr}),
                         [](const auto &info) { return std::string(info.param.name); });

// Every save shows on the launcher until it ends; one that ends by itself while the window
// is inactive says how, and its action opens the folder.
TEST_F(DesktopTest, SavesShowOnTheLauncherAndThoseEndedInTheBackgroundSaySo)
{
    Desktop desktop;
    window = startWindow();
    QApplication::setActiveWindow(window.get());
    serveAudio(5);
    download(); // whole, in front
    desktop.launcherRoseAndWasCleared(6);

    QApplication::setActiveWindow(nullptr);
    download(); // whole
    desktop.launcherRoseAndWasCleared(6);
    serveAudio(40);
    download([this] { control<QPushButton>("Command6")->click(); }); // a stop the user confirmed
    desktop.launcherRoseAndWasCleared(2);
    serveAudio(5, 1024);
    download(); // cut short
    desktop.launcherRoseAndWasCleared(2);
    queueAllWorks();
    const QStringList queue = desktop.launcherRoseAndWasCleared(6);
    EXPECT_TRUE(queue.contains("c3") && queue.contains("c0")) << queue.join(' ').toStdString();
    {
        platform::LauncherEntry entry; // the window's, as the program ends
        entry.showProgress(0.5);
    }
    desktop.launcherRoseAndWasCleared(2);

    // The notification server is answered over the bus: the last may still be on its way.
    ASSERT_TRUE(waitUntil([&] { return desktop.shown.size() >= 3; }));
    ASSERT_EQ(desktop.shown.size(), 3);
    const QString song = dir.filePath(QStringLiteral("Music/后来 - 林小雨.mp3"));
    const QString music = dir.filePath(QStringLiteral("Music"));
    EXPECT_EQ(desktop.shown[0], (QVariantList{"Quillory", 0u, "quillory", QStringLiteral("音乐下载完成"), song,
                                              QStringList{"open-folder", QStringLiteral("打开文件夹")}, "quillory", -1}));
    EXPECT_EQ(desktop.shown[1][3], QStringLiteral("抱歉!音乐下载未完成.."));
    EXPECT_EQ(desktop.shown[2][3], QStringLiteral("批量下载完成: 保存 3 首, 跳过 0 首, 失败 0 首"));
    EXPECT_EQ(desktop.shown[2][4], music);
    platform::clearRevealLog();
    desktop.press(1);
    desktop.press(3);
    ASSERT_TRUE(waitUntil([&] { return platform::revealLog().size() == 2; }));
    EXPECT_EQ(platform::revealLog()[0].filePath, song);
    EXPECT_FALSE(platform::revealLog()[0].isFolder);
    EXPECT_EQ(platform::revealLog()[1].filePath, music);
    EXPECT_TRUE(platform::revealLog()[1].isFolder);
}

TEST_F(DesktopTest, MediaClientsSeeTheSongPlayAndStopIt)
{
    const QString player2 = QStringLiteral("org.mpris.MediaPlayer2.Player");
    window = startWindow();
    lookUp(kShare);
    EXPECT_EQ(property("PlaybackStatus"), QStringLiteral("Stopped"));
    control<QPushButton>("Command7")->click();
    EXPECT_EQ(property("PlaybackStatus"), QStringLiteral("Playing"));
    const QVariantMap metadata = property("Metadata").toMap();
    EXPECT_EQ(metadata.value("xesam:title"), QStringLiteral("后来"));
    EXPECT_EQ(metadata.value("xesam:artist"), QStringList{QStringLiteral("林小雨")});
    EXPECT_EQ(metadata.value("xesam:url"), kAudio);
    EXPECT_EQ(metadata.value("mpris:artUrl"), QStringLiteral("http://aliimg.changba.com/cache/photo/855237_200_200.jpg"));
    EXPECT_TRUE(metadata.contains("mpris:trackid"));
    for (const char *can : {"CanControl", "CanPlay", "CanPause"})
        EXPECT_EQ(property(can), true) << can;
    EXPECT_EQ(property("CanSeek"), false);

    player("org.freedesktop.DBus.Properties", "Set", {player2, "Volume", QVariant::fromValue(QDBusVariant(0.3))});
    EXPECT_EQ(control<QSlider>("Slider1")->value(), 300);
    EXPECT_TRUE(platform::mciCommandLog().contains(QStringLiteral("setaudio OpenFile volume to 300")));
    EXPECT_EQ(property("Volume"), 0.3);

    player(player2, "Stop");
    EXPECT_EQ(control<QPushButton>("Command7")->text(), QStringLiteral("在线播放"));
    EXPECT_EQ(property("PlaybackStatus"), QStringLiteral("Stopped"));
    player(player2, "PlayPause");
    EXPECT_EQ(control<QPushButton>("Command7")->text(), QStringLiteral("停止播放"));
    EXPECT_EQ(status(), QStringLiteral("正在进行在线试播放.."));
    platform::mciSendString(QStringLiteral("close all"));
}

} // namespace

#include "desktop_test.moc"
