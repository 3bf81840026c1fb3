#include "app/captionlabel.h"
#include "download/cls_download.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"
#include "platform/savedialog.h"
#include "windowtest.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <sys/xattr.h>

namespace {

const std::string kShare = "http://changba.com/s/Wc7nGGH3ZBbq"; // 后来 by 林小雨
const std::string kAudio = "http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3";

class DownloadPanel : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        failOnQtWarnings = true;
        platform::clearRevealLog();
        platform::clearSaveDialogLog();
        platform::setRevealHandler([](const platform::RevealRequest &) {});
        platform::setSaveDialogAnswerer([this](const platform::SaveDialogRequest &) { return chosen; });
        window = startWindow();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        platform::setRevealHandler({});
        platform::setSaveDialogAnswerer({});
    }

    void serveAudio(int size, int chunkDelayMs = 5, long long cutAfter = -1, int status = 200)
    {
        servicedouble::ScriptedResponse r;
        r.body = std::string(static_cast<size_t>(size), 'm');
        r.contentType = "audio/mpeg";
        r.chunkSize = 512;
        r.chunkDelayMs = chunkDelayMs;
        r.cutAfter = cutAfter;
        r.status = status;
        service().script(kAudio, r);
    }
    // Looks the sample song up, opens the panel and picks a file in the test folder.
    void openPanelWithPath()
    {
        lookUp(QString::fromStdString(kShare));
        control<QPushButton>("Command2")->click();
        chosen = dir.filePath(QStringLiteral("后来.mp3"));
        control<QPushButton>("Command1")->click();
    }
    Cls_DownLoad *cdf() const { return window->findChild<Cls_DownLoad *>(QStringLiteral("Cdf")); }

    QTemporaryDir dir;
    std::optional<QString> chosen;
};

} // namespace

TEST_F(DownloadPanel, HiddenAtStartAndLaidOutInItsStrips)
{
    auto *panel = control<QWidget>("Picture3");
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), QRect(304, 56, 497, 433));
    EXPECT_EQ(control<QWidget>("Picture5")->parentWidget(), panel);
    EXPECT_EQ(control<QWidget>("Command6")->parentWidget()->objectName(), QStringLiteral("Picture5"));
    EXPECT_EQ(control<QWidget>("Command1")->parentWidget()->objectName(), QStringLiteral("Picture4"));
    EXPECT_EQ(control<QWidget>("ProgressBar1")->geometry(), QRect(16, 120, 401, 25));
    EXPECT_EQ(control<QWidget>("aicAlphaImage4")->toolTip(), QStringLiteral("关闭"));
    EXPECT_EQ(control<QPushButton>("Command6")->text(), QStringLiteral("开始下载"));
    EXPECT_EQ(caption("Label12"), QStringLiteral("音乐下载器"));
    ASSERT_NE(cdf(), nullptr) << "created at start-up";
}

TEST_F(DownloadPanel, WithoutALookupThePanelStaysHidden)
{
    control<QPushButton>("Command2")->click();
    EXPECT_EQ(status(), QStringLiteral("请先进行解析.."));
    EXPECT_FALSE(control<QWidget>("Picture3")->isVisible());
}

TEST_F(DownloadPanel, AWholeTransferMovesTheBarAndRevealsTheFile)
{
    openPanelWithPath();
    auto *panel = control<QWidget>("Picture3");
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), QPoint(283, 71)) << "centred";
    EXPECT_EQ(caption("Label16"), QStringLiteral("音乐名称：后来"));
    EXPECT_EQ(caption("Label17"), QStringLiteral("演唱歌手：林小雨"));
    ASSERT_EQ(platform::saveDialogLog().size(), 1);
    EXPECT_EQ(platform::saveDialogLog()[0].title, QStringLiteral("选择要下载的路径"));
    EXPECT_EQ(platform::saveDialogLog()[0].filter, QStringLiteral("MP3音乐文件 (*.mp3)"));
    EXPECT_EQ(platform::saveDialogLog()[0].fileName, QStringLiteral("后来 - 林小雨.mp3"));
    EXPECT_EQ(status(), QStringLiteral("已更换下载路径：") + *chosen);

    serveAudio(4096, 20); // a block at a time, also on a busy machine
    auto *bar = control<QProgressBar>("ProgressBar1");
    auto *command6 = control<QPushButton>("Command6");
    auto *command2 = control<QPushButton>("Command2");
    std::vector<int> percentages;
    QStringList statuses;
    QObject::connect(cdf(), &Cls_DownLoad::entDLFileDowning, [&] {
        percentages.push_back(bar->value());
        EXPECT_EQ(command6->text(), QStringLiteral("停止下载"));
        EXPECT_FALSE(command2->isEnabled());
    });
    QObject::connect(cdf(), &Cls_DownLoad::entDLFileStatus, [&] { statuses << status(); });
    QTest::mouseClick(command6, Qt::LeftButton);

    EXPECT_EQ(percentages, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
    EXPECT_EQ(statuses, (QStringList{QStringLiteral("正在连接服务器..."), QStringLiteral("正在发送请求..."),
                                     QStringLiteral("获取远程文件信息..."), QStringLiteral("正在下载音乐数据..."),
                                     QStringLiteral("正在连接服务器.."), QStringLiteral("音乐下载完成")}));
    EXPECT_EQ(command6->text(), QStringLiteral("开始下载"));
    EXPECT_TRUE(command2->isEnabled());
    ASSERT_EQ(platform::revealLog().size(), 1);
    EXPECT_EQ(platform::revealLog()[0].filePath, *chosen);
    EXPECT_EQ(QFileInfo(*chosen).size(), 4096);
}

TEST_F(DownloadPanel, AConfirmedStopKeepsThePartialFileUnrevealed)
{
    openPanelWithPath();
    serveAudio(16384, 20);
    auto *command6 = control<QPushButton>("Command6");
    QObject::connect(cdf(), &Cls_DownLoad::entDLFileDowning, [&](const QString &, qint64 done) {
        if (done == 1024)
            QTimer::singleShot(0, command6, [command6] { command6->click(); });
    });
    command6->click();
    ASSERT_EQ(platform::messageBoxLog().size(), 1);
    EXPECT_EQ(platform::messageBoxLog()[0].text, QStringLiteral("当前正在下载中..停止将损坏下载文件!"));
    EXPECT_EQ(status(), QStringLiteral("停止音乐下载"));
    EXPECT_EQ(QFileInfo(*chosen).size(), 1536);
    EXPECT_TRUE(platform::revealLog().isEmpty());
    EXPECT_EQ(command6->text(), QStringLiteral("开始下载"));
    EXPECT_TRUE(control<QPushButton>("Command2")->isEnabled());
}

TEST_F(DownloadPanel, AnsweringNoLetsTheTransferGoOn)
{
    openPanelWithPath();
    serveAudio(4096, 20);
    answer = [](const platform::MessageBoxRequest &) { return platform::MessageAnswer::No; };
    auto *command6 = control<QPushButton>("Command6");
    QObject::connect(cdf(), &Cls_DownLoad::entDLFileDowning, [&](const QString &, qint64 done) {
        if (done == 1024)
            QTimer::singleShot(0, command6, [command6] { command6->click(); });
        if (done == 2048) {
            EXPECT_EQ(command6->text(), QStringLiteral("停止下载"));
        }
    });
    command6->click();
    EXPECT_EQ(QFileInfo(*chosen).size(), 4096);
    EXPECT_EQ(status(), QStringLiteral("音乐下载完成"));
}

TEST_F(DownloadPanel, FailuresSayWhatHappenedAndLeaveThePanelIdle)
{
    openPanelWithPath();
    auto *command6 = control<QPushButton>("Command6");
    serveAudio(100, 0, -1, 404);
    command6->click();
    EXPECT_EQ(status(), QStringLiteral("抱歉!发送请求失败.."));
    EXPECT_FALSE(QFile::exists(*chosen));

    serveAudio(4096, 0, 1000);
    command6->click();
    EXPECT_EQ(status(), QStringLiteral("抱歉!音乐下载未完成.."));
    EXPECT_FALSE(QFile::exists(*chosen));

    chosen = QStringLiteral("/proc/quillory-test/x.mp3");
    control<QPushButton>("Command1")->click();
    command6->click();
    EXPECT_EQ(status(), QStringLiteral("抱歉!无法写入音乐文件.."));

    EXPECT_TRUE(platform::revealLog().isEmpty());
    EXPECT_EQ(command6->text(), QStringLiteral("开始下载"));
    EXPECT_TRUE(control<QPushButton>("Command2")->isEnabled());
}

TEST_F(DownloadPanel, TheDefaultPathCreatesTheMusicFolder)
{
    QDir music(platform::programFolder() + QStringLiteral("/Music"));
    music.removeRecursively();
    lookUp(QString::fromStdString(kShare));
    control<QPushButton>("Command2")->click();
    EXPECT_EQ(window->savePath(), music.filePath(QStringLiteral("后来 - 林小雨.mp3")));
    serveAudio(600, 0);
    control<QPushButton>("Command6")->click();
    EXPECT_EQ(QFileInfo(window->savePath()).size(), 600);
    EXPECT_EQ(platform::revealLog().size(), 1);
    music.removeRecursively();
}

TEST_F(DownloadPanel, TheCloseControlHidesThePanelOnly)
{
    openPanelWithPath();
    QTest::mouseClick(control<QWidget>("aicAlphaImage4"), Qt::LeftButton);
    EXPECT_FALSE(control<QWidget>("Picture3")->isVisible());
}

namespace {

// A home folder of the test's own whose XDG music folder is `music`; restore() (or the
// end of the test) gives the process its own home back.
class UserHome
{
public:
    explicit UserHome(const QString &music)
        : oldHome(qgetenv("HOME"))
        , oldConfig(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", filePath(QStringLiteral(".config")).toUtf8());
        QDir(home.path()).mkpath(QStringLiteral(".config"));
        QDir(home.path()).mkpath(music);
        QFile dirs(filePath(QStringLiteral(".config/user-dirs.dirs")));
        written = dirs.open(QIODevice::WriteOnly)
                  && dirs.write(QStringLiteral("XDG_MUSIC_DIR=\"$HOME/%1\"\n").arg(music).toUtf8()) > 0;
    }
    ~UserHome() { restore(); }

    bool ready() const { return home.isValid() && written; }
    QString path() const { return home.path(); }
    QString filePath(const QString &name) const { return home.filePath(name); }
    void restore()
    {
        if (restored)
            return;
        restored = true;
        qputenv("HOME", oldHome);
        if (oldConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
    }

private:
    QTemporaryDir home;
    const QByteArray oldHome;
    const QByteArray oldConfig;
    bool written = false;
    bool restored = false;
};

} // namespace

// An installed program cannot write next to itself: songs go to the user's music folder
// and the panel's note says so.
TEST_F(DownloadPanel, AnInstalledProgramSavesIntoTheUserMusicFolder)
{
    UserHome home(QStringLiteral("音乐"));
    ASSERT_TRUE(home.ready());
    platform::setProgramFolder(home.filePath(QStringLiteral("usr/bin")));

    lookUp(QString::fromStdString(kShare));
    control<QPushButton>("Command2")->click();
    EXPECT_EQ(window->savePath(), home.filePath(QStringLiteral("音乐/后来 - 林小雨.mp3")));
    EXPECT_TRUE(caption("Label15").contains(home.filePath(QStringLiteral("音乐")))) << caption("Label15").toStdString();
    serveAudio(700, 0);
    control<QPushButton>("Command6")->click();
    EXPECT_EQ(QFileInfo(window->savePath()).size(), 700);
    EXPECT_EQ(status(), QStringLiteral("音乐下载完成"));

    platform::setProgramFolder(QString());
    home.restore();

    control<QPushButton>("Command2")->click();
    EXPECT_EQ(caption("Label15"), QStringLiteral("默认路径：当前程序文件目录下“Music”文件夹中( 音乐名称自动填写 )"));
}

// The MV window opened from inside a running transfer: the transfer waits while the modal
// window is up and then completes, the file whole and nothing mixed into the MV page.
TEST_F(DownloadPanel, AnMvExportDuringATransferLeavesTheTransferWhole)
{
    lookUp(QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq")); // sample 1 has an MV
    ASSERT_FALSE(window->songRecord().strMvUrl.isEmpty());
    platform::setProgramFolder(dir.path());
    control<QPushButton>("Command2")->click();
    chosen = dir.filePath(QStringLiteral("后来.mp3"));
    control<QPushButton>("Command1")->click();
    serveAudio(8192, 5);

    bool exported = false;
    QObject::connect(cdf(), &Cls_DownLoad::entDLFileDowning, [&](const QString &, qint64 done) {
        if (done != 2048 || exported)
            return;
        exported = true;
        QTimer::singleShot(0, [this] {
            QTimer::singleShot(300, [] {
                if (auto *modal = QApplication::activeModalWidget())
                    modal->close();
            });
            control<QPushButton>("Command8")->click();
        });
    });
    control<QPushButton>("Command6")->click();
    platform::setProgramFolder(QString());

    EXPECT_TRUE(exported);
    EXPECT_EQ(QFileInfo(*chosen).size(), 8192);
    EXPECT_EQ(status(), QStringLiteral("音乐下载完成"));
    EXPECT_EQ(control<QPushButton>("Command6")->text(), QStringLiteral("开始下载"));
    QFile page(dir.filePath(QStringLiteral("video.htm")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().startsWith("<div><script src=\"http://player.youku.com/player.php?sid=XNTk2MTIz&amp;autoplay=true"));
}

namespace {

// Installed into a prefix the user may write (cmake --install --prefix ~/.local): songs
// still go to the user's music folder, never into the program's bin/.
TEST_F(DownloadPanel, AnInstalledProgramInAWritablePrefixSavesIntoTheUserMusicFolder)
{
    UserHome home(QStringLiteral("Music"));
    ASSERT_TRUE(home.ready());
    QDir(home.path()).mkpath(QStringLiteral(".local/bin"));
    QDir(home.path()).mkpath(QStringLiteral(".local/share/quillory"));
    {
        QFile skin(home.filePath(QStringLiteral(".local/share/quillory/skinh.she")));
        ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
    }
    platform::setProgramFolder(home.filePath(QStringLiteral(".local/bin")));

    lookUp(QString::fromStdString(kShare));
    control<QPushButton>("Command2")->click();
    EXPECT_EQ(window->savePath(), home.filePath(QStringLiteral("Music/后来 - 林小雨.mp3")));
    serveAudio(500, 0);
    control<QPushButton>("Command6")->click();
    EXPECT_EQ(QFileInfo(window->savePath()).size(), 500);
    EXPECT_EQ(QDir(home.filePath(QStringLiteral(".local/bin"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList());

    platform::setProgramFolder(QString());
    home.restore();
}

// No file manager and no opener: the song is still reported done, and the panel's note
// names the folder that holds it. A desktop that shows the file leaves the note alone.
TEST_F(DownloadPanel, WhenNothingCanShowTheFileTheNoteNamesItsFolder)
{
    for (const bool shown : {true, false}) {
        platform::setRevealHandler([shown](const platform::RevealRequest &request) {
            if (!shown)
                request.notShown();
        });
        openPanelWithPath();
        const QString defaultNote = caption("Label15");
        serveAudio(600, 0);
        control<QPushButton>("Command6")->click();
        EXPECT_EQ(status(), QStringLiteral("音乐下载完成"));
        ASSERT_FALSE(platform::revealLog().isEmpty());
        EXPECT_EQ(platform::revealLog().last().filePath, dir.filePath(QStringLiteral("后来.mp3")));
        if (shown) {
            EXPECT_EQ(caption("Label15"), defaultNote);
        } else {
            EXPECT_EQ(caption("Label15"), QStringLiteral("已保存在：%1 文件夹中").arg(QDir::toNativeSeparators(dir.path())));
            EXPECT_EQ(control<QWidget>("Label15")->toolTip(), caption("Label15"));
        }
    }
}

// The desktop answers late, after the window has gone: nothing is touched.
TEST_F(DownloadPanel, ALateAnswerAfterTheWindowWentAwayIsIgnored)
{
    std::function<void()> later;
    platform::setRevealHandler([&](const platform::RevealRequest &request) { later = request.notShown; });
    openPanelWithPath();
    serveAudio(300, 0);
    control<QPushButton>("Command6")->click();
    ASSERT_TRUE(later);
    window.reset();
    later();
}

} // namespace

namespace {

// A file's name and its bytes belong to the same song: the panel open for song A follows a
// lookup of song B while it is idle, whatever kind each is and however the path was chosen.
enum class Path { Default, FolderChosen, NameTyped };
struct Retarget {
    const char *name;
    std::string songA, songB;
    Path path;
    bool aSavedFirst;
    QString savedAs; // B's file, relative to the test folder
};

const std::string kVideoShare = "https://changba.com/s/Vd2Kx9PqRt4Wm8NbLs6HcA?&cbcode=Lq8we3150kt&from=pcrecommend"; // 小情歌
const std::string kOtherShare = "http://changba.com/s/Hx8Jd2PaVk3T";                // 夜空中最亮的星 by 王大卫

class PanelFollowsTheSong : public DownloadPanel, public ::testing::WithParamInterface<Retarget>
{
protected:
    // Looks song up and serves its media as `fill` bytes; returns them.
    std::string lookUpServing(const std::string &share, char fill)
    {
        lookUp(QString::fromStdString(share));
        servicedouble::ScriptedResponse r;
        r.body = std::string(3000, fill);
        r.contentType = "audio/mpeg";
        service().script(window->songRecord().strMusicUrl.toStdString(), r);
        return r.body;
    }
    std::string contentOf(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
};

TEST_P(PanelFollowsTheSong, StartSavesTheSongThePanelShows)
{
    const Retarget &row = GetParam();
    platform::setProgramFolder(dir.path());
    const std::string bytesA = lookUpServing(row.songA, 'a');
    control<QPushButton>("Command2")->click();
    const QString pathA = window->savePath();
    if (row.path != Path::Default) {
        chosen = row.path == Path::NameTyped ? dir.filePath(QStringLiteral("我的歌.mp3"))
                                             : dir.filePath(QFileInfo(pathA).fileName());
        control<QPushButton>("Command1")->click();
    }
    if (row.aSavedFirst)
        control<QPushButton>("Command6")->click();
    const QString savedA = window->savePath();

    const std::string bytesB = lookUpServing(row.songB, 'b');
    const QString song = songNameOfCaption(caption("Label2"));
    EXPECT_EQ(caption("Label16"), QStringLiteral("音乐名称：") + song);
    EXPECT_EQ(caption("Label17"), QStringLiteral("演唱歌手：") + window->songRecord().strUserName);
    EXPECT_EQ(window->savePath(), dir.filePath(row.savedAs));
    control<QPushButton>("Command6")->click();
    platform::setProgramFolder(QString());

    EXPECT_EQ(status(), QStringLiteral("音乐下载完成"));
    EXPECT_EQ(contentOf(dir.filePath(row.savedAs)), bytesB);
    if (row.aSavedFirst && savedA != dir.filePath(row.savedAs))
        EXPECT_EQ(contentOf(savedA), bytesA) << "song A's file is untouched";
    else
        EXPECT_FALSE(QFile::exists(pathA) && pathA != dir.filePath(row.savedAs));
}

INSTANTIATE_TEST_SUITE_P(
    AudioAndVideo, PanelFollowsTheSong,
    ::testing::Values(
        Retarget{"AudioToAudio", kShare, kOtherShare, Path::Default, false, "Music/夜空中最亮的星 - 王大卫.mp3"},
        Retarget{"AudioToVideo", kShare, kVideoShare, Path::Default, false, "Music/小情歌 - 林小雨.mp4"},
        Retarget{"VideoToAudio", kVideoShare, kShare, Path::Default, false, "Music/后来 - 林小雨.mp3"},
        Retarget{"ChosenFolderTakesTheNewName", kShare, kOtherShare, Path::FolderChosen, false,
                 "夜空中最亮的星 - 王大卫.mp3"},
        Retarget{"ATypedNameStaysWithTheNewExtension", kShare, kVideoShare, Path::NameTyped, false, "我的歌.mp4"},
        Retarget{"ASavedSongStaysWhole", kShare, kOtherShare, Path::Default, true, "Music/夜空中最亮的星 - 王大卫.mp3"},
        Retarget{"ASavedSongInAChosenFolderStaysWhole", kShare, kVideoShare, Path::FolderChosen, true,
                 "小情歌 - 林小雨.mp4"}),
    [](const ::testing::TestParamInfo<Retarget> &info) { return std::string(info.param.name); });

// A lookup while the transfer runs changes the song on show, not the file being written.
TEST_F(PanelFollowsTheSong, ALookupDuringATransferLeavesTheTransferAlone)
{
    openPanelWithPath();
    serveAudio(8192, 10);
    QObject::connect(cdf(), &Cls_DownLoad::entDLFileDowning, [&](const QString &, qint64 done) {
        if (done == 1024)
            QTimer::singleShot(0, [this] { lookUp(QString::fromStdString(kOtherShare)); });
    });
    control<QPushButton>("Command6")->click();
    EXPECT_EQ(contentOf(*chosen), std::string(8192, 'm'));
    EXPECT_EQ(songNameOfCaption(caption("Label2")), QStringLiteral("夜空中最亮的星"));
    EXPECT_EQ(caption("Label16"), QStringLiteral("音乐名称：后来"));
}

// Only a stop the user confirmed leaves a part under the song's name.
TEST_F(DownloadPanel, AnUnfinishedTransferLeavesNoSongNamedFile)
{
    struct Cut {
        const char *name;
        bool chunked;
        int status;
    };
    for (const Cut cut : {Cut{"ShortBody", false, 200}, Cut{"ResetHalfwayChunked", true, 200},
                          Cut{"ServerErrorMidBody", true, 500}}) {
        openPanelWithPath();
        servicedouble::ScriptedResponse r;
        r.body = std::string(4096, 'm');
        r.contentType = "audio/mpeg";
        r.cutAfter = 1500;
        r.noContentLength = cut.chunked;
        r.status = cut.status;
        service().script(kAudio, r);
        control<QPushButton>("Command6")->click();
        EXPECT_FALSE(QFile::exists(*chosen)) << cut.name;
        EXPECT_NE(status(), QStringLiteral("音乐下载完成")) << cut.name;
    }
}

} // namespace

namespace {

// The saved song says what it is: its names, description and picture in its tag (an MP3's
// ID3v2.4, a video work's MP4 atoms) and where it came from beside it; unticked, the bytes
// stay exactly as served.
TEST_F(DownloadPanel, TheSavedSongCarriesItsNamesUnlessTheBoxIsUnticked)
{
    struct Row {
        std::string share;
        const char *file, *sample;
        bool tagged;
    };
    for (const Row &row : {Row{kShare, "a.mp3", "audio/1043562829.mp3", true},
                           Row{kVideoShare, "b.mp4", "video/1052460002.mp4", true},
                           Row{kShare, "c.mp3", "audio/1043562829.mp3", false}}) {
        lookUp(QString::fromStdString(row.share));
        control<QPushButton>("Command2")->click();
        chosen = dir.filePath(QLatin1String(row.file));
        control<QPushButton>("Command1")->click();
        control<QCheckBox>("writeTagsCheck")->setChecked(row.tagged);
        control<QPushButton>("Command6")->click();
        ASSERT_EQ(status(), QStringLiteral("音乐下载完成")) << row.file;

        QFile sample(QStringLiteral(QUILLORY_DOUBLE_DATA "/") + QLatin1String(row.sample));
        ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
        QFile file(*chosen);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll() == sample.readAll(), !row.tagged) << row.file;
        const TagLib::FileRef tags(QFile::encodeName(*chosen).constData());
        ASSERT_FALSE(tags.isNull()) << row.file;
        const auto text = [](const TagLib::String &s) { return QString::fromStdWString(s.toWString()); };
        if (row.tagged) {
            EXPECT_EQ(text(tags.tag()->title()), songNameOfCaption(caption("Label2"))) << row.file;
            EXPECT_EQ(text(tags.tag()->artist()), window->songRecord().strUserName) << row.file;
            EXPECT_EQ(text(tags.tag()->comment()), caption("Label10")) << row.file;
        }
        char referrer[512] = {};
        const ssize_t n = ::getxattr(QFile::encodeName(*chosen).constData(), "user.xdg.referrer.url", referrer,
                                     sizeof referrer - 1);
        EXPECT_EQ(QString::fromUtf8(referrer, std::max<ssize_t>(n, 0)), QString::fromStdString(row.share)) << row.file;
    }
}

} // namespace
