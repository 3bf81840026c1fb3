#include "download/batchdownload.h"
#include "download/cls_download.h"
#include "download/downloadmath.h"
#include "download/fileattributes.h"
#include "platform/mci.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <sys/xattr.h>

#include <map>

namespace {

using servicedouble::ServiceDouble;

constexpr size_t kBytes = 3000; // six chunks, the last one short
const QString kSinger = QStringLiteral("批量歌手");
const QString kResolve = QStringLiteral("http://changba.com/member/personcenter/loadplayurl.php?wid=");

std::string workId(int i) { return "g" + std::to_string(kBytes) + "n" + std::to_string(i); }
std::string resolveUrl(int i) { return kResolve.toStdString() + workId(i); }
std::string audioUrl(int i) { return "http://qiniuuwmp3.changba.com/userdata/userwork/gen/" + workId(i) + ".mp3"; }
QString fileName(int i) { return QStringLiteral("作品%1 - 批量歌手.mp3").arg(i); }

// The generated singer's works listed in the real window, saved into a folder of the test.
class SaveWorks : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        failOnQtWarnings = true;
        BatchDownload::setRetryPause(std::chrono::milliseconds(20));
        ASSERT_TRUE(dir.isValid());
        platform::setProgramFolder(dir.path());
        platform::clearRevealLog();
        platform::setRevealHandler([](const platform::RevealRequest &) {});
        window = startWindow();
        list = control<QTreeWidget>("ListView1");
        command6 = control<QPushButton>("Command6");
    }
    void TearDown() override
    {
        platform::mciSendString(QStringLiteral("close all"));
        WindowTest::TearDown();
        platform::setRevealHandler({});
        platform::setProgramFolder(QString());
    }

    void listWorks(int count)
    {
        control<QLineEdit>("Text2")->setText(QString::fromStdString(ServiceDouble::generatedSingerUrl(count, kBytes)));
        control<QPushButton>("Command10")->click();
        ASSERT_TRUE(waitUntil([&] { return list->topLevelItemCount() == count; }));
    }
    // Work i's audio sent slowly, so that the test can act while it is being saved.
    void trickle(int i, int delayMs = 30)
    {
        servicedouble::ScriptedResponse r;
        r.body = ServiceDouble::generatedAudio(i, kBytes);
        r.contentType = "audio/mpeg";
        r.chunkSize = 512;
        r.chunkDelayMs = delayMs;
        service().script(audioUrl(i), r);
    }
    // Runs f once, from the event loop, when work i's transfer has written at least `done`
    // bytes (on a loaded machine two chunks may come in as one read).
    void during(int i, qint64 done, std::function<void()> f)
    {
        QObject::connect(batch(), &BatchDownload::workProgressed, window.get(),
                         [=, this, fired = std::make_shared<bool>(false)](int, const QString &url, qint64 written) {
                             if (*fired || written < done || url.toStdString() != audioUrl(i))
                                 return;
                             *fired = true;
                             QTimer::singleShot(0, window.get(), f);
                         });
    }
    Cls_DownLoad *cdf() const { return window->findChild<Cls_DownLoad *>(QStringLiteral("Cdf")); }
    BatchDownload *batch() const { return window->findChild<BatchDownload *>(QStringLiteral("batch")); }
    QAction *action(const char *name) const { return window->findChild<QAction *>(QLatin1String(name)); }
    void saveAll() { action("downloadAllAction")->trigger(); }

    QString music() const { return dir.filePath(QStringLiteral("Music")); }
    QString saved(const QString &name) const { return music() + QLatin1Char('/') + name; }
    QStringList files() const { return QDir(music()).entryList(QDir::Files, QDir::Name); }
    QByteArray contentOf(const QString &name) const
    {
        QFile file(saved(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static QByteArray audio(int i) { return QByteArray::fromStdString(ServiceDouble::generatedAudio(i, kBytes)); }
    int gets(const std::string &url) const
    {
        int n = 0;
        for (const auto &request : service().requests())
            n += request.url == url && request.method == "GET";
        return n;
    }
    static QString summary(int saved, int skipped, int failed)
    {
        return QStringLiteral("批量下载完成: 保存 %1 首, 跳过 %2 首, 失败 %3 首").arg(saved).arg(skipped).arg(failed);
    }

    QTemporaryDir dir;
    QTreeWidget *list = nullptr;
    QPushButton *command6 = nullptr;
};

} // namespace

TEST_F(SaveWorks, TheWholeListIsSavedInOrderAndTheFolderShownOnce)
{
    listWorks(3);
    batch()->setJobs(1); // one at a time: the status line and the panel follow each work
    QStringList statuses, songs;
    bool stopButtonShown = true;
    QObject::connect(batch(), &BatchDownload::workProgressed, window.get(), [&] {
        statuses << status();
        songs << caption("Label16") + QLatin1Char('|') + caption("Label17");
        stopButtonShown = stopButtonShown && command6->text() == QStringLiteral("停止下载")
                          && !control<QPushButton>("Command2")->isEnabled();
    });
    saveAll();

    EXPECT_EQ(files(), (QStringList{fileName(1), fileName(2), fileName(3)}));
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(contentOf(fileName(i)), audio(i)) << i;
    EXPECT_EQ(statuses.first(), QStringLiteral("正在下载第 1/3 首 .."));
    EXPECT_EQ(statuses.last(), QStringLiteral("正在下载第 3/3 首 .."));
    EXPECT_EQ(songs.first(), QStringLiteral("音乐名称：作品1|演唱歌手：") + kSinger);
    EXPECT_EQ(songs.last(), QStringLiteral("音乐名称：作品3|演唱歌手：") + kSinger);
    EXPECT_TRUE(stopButtonShown);
    EXPECT_TRUE(control<QWidget>("Picture3")->isVisible());

    EXPECT_EQ(status(), summary(3, 0, 0));
    ASSERT_EQ(platform::revealLog().size(), 1);
    EXPECT_EQ(platform::revealLog()[0].filePath, music());
    EXPECT_TRUE(platform::revealLog()[0].isFolder) << "the music folder itself is opened, not its parent";
    EXPECT_EQ(command6->text(), QStringLiteral("开始下载"));
    EXPECT_TRUE(control<QPushButton>("Command2")->isEnabled());
    EXPECT_EQ(control<QProgressBar>("ProgressBar1")->value(), 100);
    // The song the window shows is not the queue's business.
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：未查询"));
    EXPECT_TRUE(window->songRecord().strMusicUrl.isEmpty());
    EXPECT_TRUE(platform::mciCommandLog().isEmpty());
}

TEST_F(SaveWorks, OnlyTheChosenRowsAndTheMenuFollowsTheList)
{
    // An empty list offers nothing.
    EXPECT_FALSE(action("downloadChosenAction")->isEnabled());
    EXPECT_FALSE(action("downloadAllAction")->isEnabled());
    listWorks(4);
    EXPECT_FALSE(action("downloadChosenAction")->isEnabled());
    EXPECT_TRUE(action("downloadAllAction")->isEnabled());

    // A plain click chooses one row, Ctrl clicks add rows, Ctrl+A takes them all.
    const auto click = [&](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualItemRect(list->topLevelItem(row)).center());
    };
    click(3, {});
    click(1, Qt::ControlModifier);
    EXPECT_EQ(list->selectedItems().size(), 2);
    EXPECT_TRUE(action("downloadChosenAction")->isEnabled());
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selectedItems().size(), 4);
    click(3, {});
    click(1, Qt::ControlModifier);

    // The menu key opens the list's menu with both commands.
    QStringList offered;
    QTimer::singleShot(100, window.get(), [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (const QAction *a : menu->actions())
                offered << a->text() + (a->isEnabled() ? "+" : "-");
            menu->close();
        }
    });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Menu);
    EXPECT_EQ(offered, (QStringList{QStringLiteral("下载选中作品+"), QStringLiteral("下载全部作品+"),
                                    QStringLiteral("重试失败作品-")}));

    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(files(), (QStringList{fileName(2), fileName(4)})) << "in list order, whatever the order chosen";
    EXPECT_EQ(status(), summary(2, 0, 0));
    EXPECT_EQ(service().requestCount(resolveUrl(1)), 0);
}

// A file that is already whole is not fetched again; one of another size is replaced.
TEST_F(SaveWorks, AFileAlreadyThereWithTheAnnouncedSizeIsSkipped)
{
    listWorks(2);
    QDir().mkpath(music());
    QFile whole(saved(fileName(1)));
    ASSERT_TRUE(whole.open(QIODevice::WriteOnly));
    whole.write(QByteArray(kBytes, 'x'));
    whole.close();
    QFile shorter(saved(fileName(2)));
    ASSERT_TRUE(shorter.open(QIODevice::WriteOnly));
    shorter.write("old");
    shorter.close();

    saveAll();
    EXPECT_EQ(status(), summary(1, 1, 0));
    EXPECT_EQ(contentOf(fileName(1)), QByteArray(kBytes, 'x'));
    EXPECT_EQ(gets(audioUrl(1)), 0) << "no request for the body of a skipped work";
    EXPECT_EQ(service().requestCount(audioUrl(1)), 1) << "its size is asked once, with HEAD";
    EXPECT_EQ(contentOf(fileName(2)), audio(2));
    EXPECT_EQ(platform::revealLog().size(), 1);
}

// A work that fails is tried again after the others and then counted; the queue goes on
// and a broken transfer leaves no file.
TEST_F(SaveWorks, FailuresAreRetriedOnceAtTheEndAndCounted)
{
    listWorks(4);
    servePage(resolveUrl(1), QStringLiteral("服务器错误"), 500, "text/plain; charset=utf-8");
    servicedouble::ScriptedResponse broken;
    broken.body = ServiceDouble::generatedAudio(2, kBytes);
    broken.contentType = "audio/mpeg";
    broken.cutAfter = 1000;
    service().script(audioUrl(2), broken);
    // Work 3's page has no audio address: it must not be saved with another work's song.
    servePage("http://changba.com/s/" + workId(3), QStringLiteral("<title>作品3 - 批量歌手唱吧 - 唱吧</title>"));

    std::vector<std::string> order;
    QObject::connect(window->findChild<BatchDownload *>(QStringLiteral("batch")), &BatchDownload::workStarted,
                     window.get(), [&](int position) { order.push_back(std::to_string(position)); });
    saveAll();

    EXPECT_EQ(order, (std::vector<std::string>{"1", "2", "3", "4", "1", "2", "3"}));
    EXPECT_EQ(status(), summary(1, 0, 3));
    EXPECT_EQ(files(), QStringList{fileName(4)});
    EXPECT_EQ(service().requestCount(resolveUrl(1)), 2);
    EXPECT_EQ(gets(audioUrl(2)), 2);
    EXPECT_EQ(platform::revealLog().size(), 1);

    // Nothing saved at all: nothing to show.
    service().reset();
    for (int i = 1; i <= 4; ++i)
        servePage(resolveUrl(i), QString(), 404);
    platform::clearRevealLog();
    QDir(music()).removeRecursively();
    saveAll();
    EXPECT_EQ(status(), summary(0, 0, 4));
    EXPECT_TRUE(platform::revealLog().isEmpty());
}

TEST_F(SaveWorks, AConfirmedStopEndsTheTransferAndDropsTheRest)
{
    listWorks(3);
    batch()->setJobs(1);
    trickle(2);
    QStringList asked;
    answer = [&](const platform::MessageBoxRequest &request) {
        asked << request.text;
        return asked.size() == 1 ? platform::MessageAnswer::No : platform::MessageAnswer::Yes;
    };
    // The first question is answered No, and the queue goes on; the second Yes.
    during(2, 1024, [&] { command6->click(); });
    during(2, 2048, [&] { command6->click(); });
    saveAll();

    EXPECT_EQ(asked, QStringList(2, QStringLiteral("当前正在下载中..停止将损坏下载文件!")));
    EXPECT_EQ(files(), QStringList{fileName(1)}) << "no partial file";
    EXPECT_EQ(service().requestCount(resolveUrl(3)), 0);
    EXPECT_EQ(status(), QStringLiteral("停止音乐下载"));
    EXPECT_TRUE(platform::revealLog().isEmpty());
    EXPECT_EQ(command6->text(), QStringLiteral("开始下载"));
    EXPECT_TRUE(control<QPushButton>("Command2")->isEnabled());
    EXPECT_TRUE(action("downloadAllAction")->isEnabled());
}

// While the queue runs the user looks a song up, plays it and lists another singer.
TEST_F(SaveWorks, TheWindowStaysInUseWhileTheQueueRuns)
{
    listWorks(3);
    trickle(1);
    trickle(3);
    bool menuLockedDuringQueue = false;
    during(1, 1024, [&] {
        menuLockedDuringQueue = !action("downloadAllAction")->isEnabled();
        lookUp(QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"));
        control<QPushButton>("Command7")->click();
    });
    during(3, 1024, [&] {
        control<QLineEdit>("Text2")->setText(QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20130815"));
        control<QPushButton>("Command10")->click();
    });
    saveAll();

    EXPECT_TRUE(menuLockedDuringQueue);
    EXPECT_EQ(status(), summary(3, 0, 0));
    EXPECT_EQ(files(), (QStringList{fileName(1), fileName(2), fileName(3)}));
    EXPECT_EQ(contentOf(fileName(3)), audio(3));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    EXPECT_EQ(window->songRecord().strUserName, QStringLiteral("林小雨"));
    EXPECT_EQ(control<QPushButton>("Command7")->text(), QStringLiteral("停止播放"));
    ASSERT_TRUE(waitUntil([&] { return list->topLevelItemCount() == 5; })) << "the other singer is listed";
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("后来"));
}

TEST_F(SaveWorks, WorksOfTheSameNamesGetNumberedFiles)
{
    listWorks(3);
    for (int i = 2; i <= 3; ++i)
        servePage(resolveUrl(i), QString::fromStdString(ServiceDouble::generatedShareUrl(1, kBytes)), 200,
                  "text/plain; charset=utf-8");
    saveAll();
    EXPECT_EQ(files(), (QStringList{QStringLiteral("作品1 - 批量歌手 (2).mp3"), QStringLiteral("作品1 - 批量歌手 (3).mp3"),
                                    fileName(1)}));
    EXPECT_EQ(status(), summary(3, 0, 0));

    // Saved again, each file is found whole under its own name.
    saveAll();
    EXPECT_EQ(status(), summary(0, 3, 0));
    EXPECT_EQ(files().size(), 3);
}

TEST_F(SaveWorks, QuittingDuringTheQueueLeavesNoPartialFile)
{
    listWorks(3);
    batch()->setJobs(1);
    trickle(2);
    during(2, 1024, [&] {
        control<QPushButton>("Command5")->click();
        // What the application does once its last window has closed.
        cdf()->abandon();
    });
    saveAll();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(files(), QStringList{fileName(1)});
    EXPECT_EQ(service().requestCount(resolveUrl(3)), 0);
    EXPECT_TRUE(platform::revealLog().isEmpty());
}

// A sample singer whose works are an http song, an https song and a video work: each is
// saved under its own kind's name, with its names, picture and page written into it
// (ID3v2.4 for the MP3s, MP4 atoms for the video) and where it came from beside it; a
// second run finds them whole although the tags changed their sizes.
TEST_F(SaveWorks, SongsOverHttpsAndAVideoWorkAreSavedTaggedUnderTheirOwnNames)
{
    control<QLineEdit>("Text2")->setText(QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20130816"));
    control<QPushButton>("Command10")->click();
    ASSERT_TRUE(waitUntil([&] { return list->topLevelItemCount() == 3; }));
    saveAll();

    EXPECT_EQ(status(), summary(3, 0, 0));
    struct Saved {
        const char *file, *title, *sample;
    };
    for (const Saved &s : {Saved{"后来 - 林小雨.mp3", "后来", "audio/1043562829.mp3"},
                           Saved{"小情歌 - 林小雨.mp4", "小情歌", "video/1052460002.mp4"},
                           Saved{"晴天 - 林小雨.mp3", "晴天", "audio/1052460001.mp3"}}) {
        const QString path = saved(QString::fromUtf8(s.file));
        const TagLib::FileRef file(QFile::encodeName(path).constData());
        ASSERT_FALSE(file.isNull()) << s.file;
        EXPECT_EQ(QString::fromStdWString(file.tag()->title().toWString()), QString::fromUtf8(s.title)) << s.file;
        EXPECT_EQ(QString::fromStdWString(file.tag()->artist().toWString()), QStringLiteral("林小雨")) << s.file;
        const QFileInfo sample(QStringLiteral(QUILLORY_DOUBLE_DATA "/") + QLatin1String(s.sample));
        EXPECT_GT(QFileInfo(path).size(), sample.size()) << s.file << ": the picture went in";
        EXPECT_EQ(download::servedRecord(path).value_or(download::ServedRecord{}).size, sample.size()) << s.file;
        char origin[512] = {};
        EXPECT_GT(::getxattr(QFile::encodeName(path).constData(), "user.xdg.origin.url", origin, sizeof origin - 1), 0);
    }
    saveAll();
    EXPECT_EQ(status(), summary(0, 3, 0));
}

// Nothing could show the folder: the summary stands and the panel's note says where the
// works went.
TEST_F(SaveWorks, WhenNothingCanShowTheFolderTheNoteNamesIt)
{
    platform::setRevealHandler([](const platform::RevealRequest &request) { request.notShown(); });
    listWorks(2);
    saveAll();
    EXPECT_EQ(status(), summary(2, 0, 0));
    EXPECT_EQ(caption("Label15"), QStringLiteral("已保存在：%1 文件夹中").arg(QDir::toNativeSeparators(music())));
}

// Three works under way at once save exactly what one at a time saves: the same names
// (" (2)" included), skips, failures and summary.
TEST_F(SaveWorks, ThreeAtOnceSaveWhatOneAtATimeSaves)
{
    listWorks(5);
    std::map<int, std::pair<QStringList, QString>> runs;
    for (const int jobs : {1, 3}) {
        service().reset();
        QDir(music()).removeRecursively();
        QDir().mkpath(music());
        QFile whole(saved(fileName(4)));
        ASSERT_TRUE(whole.open(QIODevice::WriteOnly));
        whole.write(audio(4));
        whole.close();
        servePage(resolveUrl(2), QString::fromStdString(ServiceDouble::generatedShareUrl(1, kBytes)), 200,
                  "text/plain; charset=utf-8");
        servePage(resolveUrl(3), QString(), 500);
        trickle(1, 5); // the first work comes last
        batch()->setJobs(jobs);
        saveAll();
        QStringList saves;
        for (const QString &name : files())
            saves << name + QLatin1Char('=') + QString::number(qHash(contentOf(name)));
        runs[jobs] = {saves, status()};
    }
    EXPECT_EQ(runs[3], runs[1]);
    EXPECT_EQ(runs[3].second, summary(3, 1, 1));
    EXPECT_TRUE(runs[3].first.contains(QStringLiteral("作品1 - 批量歌手 (2).mp3=%1").arg(qHash(audio(1)))))
        << runs[3].first.join(QLatin1Char(' ')).toStdString();
}

// A stop confirmed while three transfers run ends them all and keeps no part of any.
TEST_F(SaveWorks, AStopDuringParallelTransfersLeavesNoPart)
{
    listWorks(4);
    for (int i = 1; i <= 3; ++i)
        trickle(i);
    during(2, 1024, [&] { command6->click(); });
    saveAll();
    EXPECT_EQ(QDir(music()).entryList(QDir::Files), QStringList()) << "no song and no part";
    EXPECT_EQ(service().requestCount(resolveUrl(4)), 0);
    EXPECT_EQ(status(), QStringLiteral("停止音乐下载"));
    EXPECT_EQ(list->topLevelItem(0)->text(4), QString()) << "a dropped work says nothing";
}

// Each work's fate in the list, failures with the window's own words as the row's
// tooltip; 重试失败作品 then queues only those.
TEST_F(SaveWorks, TheStateColumnNamesEachFateAndOnlyTheFailedAreRetried)
{
    listWorks(4);
    QDir().mkpath(music());
    QFile whole(saved(fileName(2)));
    ASSERT_TRUE(whole.open(QIODevice::WriteOnly));
    whole.write(audio(2));
    whole.close();
    servePage(resolveUrl(3), QString(), 500);
    servicedouble::ScriptedResponse cut;
    cut.body = ServiceDouble::generatedAudio(4, kBytes);
    cut.contentType = "audio/mpeg";
    cut.cutAfter = 1000;
    service().script(audioUrl(4), cut);
    EXPECT_FALSE(action("retryFailedAction")->isEnabled());
    saveAll();

    const std::vector<std::pair<QString, QString>> fates = {
        {QStringLiteral("已保存"), QString()},
        {QStringLiteral("已跳过"), QString()},
        {QStringLiteral("失败"), QStringLiteral("网页获取失败,请您稍后再试 ..")},
        {QStringLiteral("失败"), QStringLiteral("抱歉!音乐下载未完成..")},
    };
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(list->topLevelItem(row)->text(4), fates[row].first) << row;
        EXPECT_EQ(list->topLevelItem(row)->toolTip(2), fates[row].second) << row;
    }
    EXPECT_EQ(list->header()->sectionSize(4), 68);

    service().reset();
    ASSERT_TRUE(action("retryFailedAction")->isEnabled());
    action("retryFailedAction")->trigger();
    EXPECT_EQ(status(), summary(2, 0, 0));
    EXPECT_EQ(service().requestCount(resolveUrl(1)) + service().requestCount(resolveUrl(2)), 0);
    EXPECT_EQ(list->topLevelItem(2)->text(4), QStringLiteral("已保存"));
    EXPECT_EQ(list->topLevelItem(0)->text(4), QString()) << "a new queue clears the old fates";
    EXPECT_FALSE(action("retryFailedAction")->isEnabled());

    // A new scan clears the column with the rows, and there is nothing left to retry.
    control<QPushButton>("Command12")->click();
    EXPECT_FALSE(action("retryFailedAction")->isEnabled());
}

// A stopped queue leaves no part, also none kept for a work's second try: stopped by the
// user, or ended with the program, while work 1 waits for its retry.
TEST_F(SaveWorks, AStoppedQueueLeavesNoPartAlsoNoneWaitingForItsRetry)
{
    const std::function<void()> endings[] = {
        [&] { command6->click(); },
        [&] {
            control<QPushButton>("Command5")->click();
            cdf()->abandon(); // what the application does once its last window has closed
        },
    };
    for (const auto &end : endings) {
        listWorks(3);
        servicedouble::ScriptedResponse cut;
        cut.body = ServiceDouble::generatedAudio(1, kBytes);
        cut.contentType = "audio/mpeg";
        cut.cutAfter = 1000;
        service().script(audioUrl(1), cut);
        trickle(2);
        trickle(3);
        bool ran = false;
        QObject::connect(batch(), &BatchDownload::workStateChanged, window.get(),
                         [&](int index, const BatchDownload::WorkState &state) {
                             if (index == 0 && state.kind == BatchDownload::WorkState::Kind::Waiting && ran)
                                 QTimer::singleShot(0, window.get(), end);
                             ran = ran || (index == 0 && state.kind == BatchDownload::WorkState::Kind::Running);
                         });
        saveAll();
        EXPECT_EQ(QDir(music()).entryList({QStringLiteral("*.part")}, QDir::Files), QStringList());
        window = startWindow();
        list = control<QTreeWidget>("ListView1");
        command6 = control<QPushButton>("Command6");
    }
}

// A confirmed stop keeps the half song under its name, as the panel always has, but never
// as a whole one: a later queue fetches it again instead of skipping it.
TEST_F(SaveWorks, AStoppedHalfSongIsFetchedAgainByAQueue)
{
    trickle(1);
    lookUp(QString::fromStdString(ServiceDouble::generatedShareUrl(1, kBytes)));
    control<QPushButton>("Command2")->click();
    QObject::connect(cdf(), &Cls_DownLoad::entDLFileDowning, window.get(), [&](const QString &, qint64 done) {
        if (done == 1024)
            QTimer::singleShot(0, window.get(), [&] { command6->click(); });
    });
    command6->click();
    EXPECT_EQ(contentOf(fileName(1)), audio(1).left(1536));
    EXPECT_FALSE(download::servedRecord(saved(fileName(1))));

    trickle(1, 0);
    listWorks(1);
    saveAll();
    EXPECT_EQ(status(), summary(1, 0, 0));
    EXPECT_EQ(contentOf(fileName(1)), audio(1));
}

TEST(NumberedPath, GoesBeforeTheExtension)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/m/a - b.mp3"), QStringLiteral("/m/a - b (2).mp3")},
        {QStringLiteral("/m/a.b - c.mp3"), QStringLiteral("/m/a.b - c (2).mp3")},
        {QStringLiteral("/m.d/ab"), QStringLiteral("/m.d/ab (2)")},
        {QStringLiteral("/m/.mp3"), QStringLiteral("/m/.mp3 (2)")},
    };
    for (const auto &[path, numbered] : cases)
        EXPECT_EQ(download::numberedPath(path, 2), numbered) << path.toStdString();
}

// A server that answers 429 or 503 with a Retry-After (seconds, or a date) is left alone that
// long, the row and the status line saying so, then asked again; a stop during the wait ends
// the queue at once; a wait of over a minute fails the work with its own words.
TEST_F(SaveWorks, ABusyServerIsWaitedForAsItAsks)
{
    listWorks(1);
    const struct {
        std::string url;
        int status, seconds;
        bool asDate, stop;
        QString endStatus;
    } rows[] = {
        {resolveUrl(1), 429, 1, false, false, summary(1, 0, 0)},
        {"http://changba.com/s/" + workId(1), 503, 2, true, false, summary(1, 0, 0)},
        {audioUrl(1), 429, 1, false, false, summary(1, 0, 0)},
        {audioUrl(1), 503, 2, true, false, summary(1, 0, 0)},
        {audioUrl(1), 429, 30, false, true, QStringLiteral("停止音乐下载")},
        {audioUrl(1), 429, 61, false, false, summary(0, 0, 1)},
    };
    for (const auto &row : rows) {
        service().reset();
        QDir(music()).removeRecursively();
        servicedouble::ScriptedResponse busy;
        busy.status = row.status;
        busy.times = row.seconds > 60 ? 0 : 1;
        const QDateTime at = QDateTime::currentDateTimeUtc().addSecs(row.seconds);
        busy.headers = {{"Retry-After", row.asDate ? QLocale::c().toString(at, "ddd, dd MMM yyyy HH:mm:ss 'GMT'").toStdString()
                                                   : std::to_string(row.seconds)}};
        service().script(row.url, busy);
        QStringList shown; // the row's state and the status line as the wait begins
        const auto watch = QObject::connect(batch(), &BatchDownload::workStateChanged, window.get(),
                                            [&](int, const BatchDownload::WorkState &state) {
            if (state.kind != BatchDownload::WorkState::Kind::ServerBusy || !shown.isEmpty())
                return;
            shown << list->topLevelItem(0)->text(4) << status();
            if (row.stop)
                QTimer::singleShot(0, command6, &QPushButton::click);
        });
        QElapsedTimer clock;
        clock.start();
        saveAll();
        QObject::disconnect(watch);
        EXPECT_EQ(status(), row.endStatus) << row.url;
        if (row.seconds > 60) {
            EXPECT_TRUE(shown.isEmpty());
            EXPECT_EQ(list->topLevelItem(0)->toolTip(4), QStringLiteral("服务器繁忙,需等待 61 秒,已放弃.."));
            continue;
        }
        // A date is in whole seconds: the wait it names may be a second shorter.
        const int left = shown.value(0).section(QLatin1Char(' '), 1, 1).toInt();
        EXPECT_TRUE(left == row.seconds || (row.asDate && left == row.seconds - 1)) << left;
        EXPECT_EQ(shown, QStringList({QStringLiteral("等待 %1 秒").arg(left), QStringLiteral("服务器繁忙,%1 秒后重试..").arg(left)}));
        EXPECT_GE(clock.elapsed(), row.stop ? 0 : left * 1000);
        EXPECT_LT(clock.elapsed(), (row.stop ? 0 : left) * 1000 + 3000) << "a stop ends the wait at once";
    }
}

// However many works are under way, the queue never sends more than jobs() requests to a
// host at once.
TEST_F(SaveWorks, NoHostGetsMoreThanJobsRequestsAtOnce)
{
    listWorks(6);
    service().setFarNetwork(40, 1000000);
    for (const int jobs : {1, 2, 3}) {
        service().reset();
        QDir(music()).removeRecursively();
        batch()->setJobs(jobs);
        saveAll();
        EXPECT_EQ(status(), summary(6, 0, 0));
        EXPECT_EQ(service().peakConcurrency("changba.com"), jobs);
        EXPECT_LE(service().peakConcurrency("qiniuuwmp3.changba.com"), jobs);
    }
    service().setFarNetwork(0, 0);
}
