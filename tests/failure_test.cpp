// Every network path through every kind of failure: what the user sees afterwards, and
// that the window is still live and usable.
#include "app/alphaimage.h"
#include "download/downloadmath.h"
#include "net/endpoints.h"
#include "net/pagefetch.h"
#include "platform/exit.h"
#include "platform/mci.h"
#include "platform/reveal.h"
#include "platform/savedialog.h"
#include "windowtest.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

using namespace std::chrono_literals;

namespace {

enum class Failure {
    Refused,        // nothing listens where the proxy should be
    Unresolvable,   // the proxy's host name does not resolve
    NoAnswer,       // the server accepts and never answers within the time limit
    ResetHalfway,   // the connection drops halfway through the body
    NotFound,       // 404 with an HTML body
    ServerError,    // 500 with an HTML body
    EmptyBody,      // 200 with nothing in it
    Huge,           // a body far larger than any real page
    WrongCharset,   // UTF-8 bytes announced as GB18030
    MissingCharset, // no charset anywhere
    WrongContent,   // a picture or song address that answers with a page
};

const char *name(Failure f)
{
    switch (f) {
    case Failure::Refused: return "Refused";
    case Failure::Unresolvable: return "Unresolvable";
    case Failure::NoAnswer: return "NoAnswer";
    case Failure::ResetHalfway: return "ResetHalfway";
    case Failure::NotFound: return "NotFound";
    case Failure::ServerError: return "ServerError";
    case Failure::EmptyBody: return "EmptyBody";
    case Failure::Huge: return "Huge";
    case Failure::WrongCharset: return "WrongCharset";
    case Failure::MissingCharset: return "MissingCharset";
    case Failure::WrongContent: return "WrongContent";
    }
    return "?";
}

void PrintTo(Failure f, std::ostream *os)
{
    *os << name(f);
}

bool breaksTheProxy(Failure f)
{
    return f == Failure::Refused || f == Failure::Unresolvable;
}

const std::string kShare = "http://changba.com/s/Wc7nGGH3ZBbq";
const std::string kAvatar = "http://aliimg.changba.com/cache/photo/855237_200_200.jpg";

const std::string kErrorPage = "<html><head><title>出错了</title></head><body><h1>页面不存在</h1></body></html>";

// The answer a failure scripts for url, built from the page the address normally gives.
servicedouble::ScriptedResponse failingAnswer(Failure f, const std::string &normalBody,
                                              const std::string &normalType)
{
    servicedouble::ScriptedResponse r;
    r.body = normalBody;
    r.contentType = normalType;
    switch (f) {
    case Failure::NoAnswer: r.delayMs = 1500; break;
    case Failure::ResetHalfway: r.cutAfter = (long long)normalBody.size() / 2; break;
    case Failure::NotFound: r.status = 404; r.body = kErrorPage; r.contentType = "text/html; charset=utf-8"; break;
    case Failure::ServerError: r.status = 500; r.body = kErrorPage; r.contentType = "text/html; charset=utf-8"; break;
    case Failure::EmptyBody: r.body.clear(); break;
    case Failure::Huge: r.body = normalBody + std::string(17 * 1024 * 1024, ' '); break;
    case Failure::WrongCharset: r.contentType = "text/html; charset=gb18030"; break;
    case Failure::MissingCharset: r.contentType = "text/html"; break;
    case Failure::WrongContent: r.body = kErrorPage; r.contentType = "application/octet-stream"; break;
    case Failure::Refused:
    case Failure::Unresolvable: break;
    }
    return r;
}

// The built-in answer of the double for url, fetched once through the program's own fetch.
struct Normal {
    std::string body;
    std::string type;
};
Normal normalAnswer(const std::string &url)
{
    const net::FetchResult got = net::fetch(QNetworkRequest(QUrl(QString::fromStdString(url))), 1 << 24);
    return {got.body.toStdString(), got.contentType.toStdString()};
}

class Failures : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        failOnQtWarnings = true;
        net::setFetchIdleTimeout(400ms);
    }
    void TearDown() override
    {
        restoreProxy();
        net::setFetchIdleTimeout(30000ms);
        WindowTest::TearDown();
    }

    // Makes every request of the program (the media player's included) go to a proxy that
    // cannot be reached.
    void breakProxy(Failure f)
    {
        savedProxy = qgetenv("http_proxy");
        QString host = QStringLiteral("127.0.0.1");
        quint16 port = 0;
        if (f == Failure::Refused) {
            QTcpServer probe; // a port that was free a moment ago and is closed now
            probe.listen(QHostAddress::LocalHost);
            port = probe.serverPort();
        } else {
            host = QStringLiteral("no-such-proxy.invalid");
            port = 3128;
        }
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, host, port));
        qputenv("http_proxy", QStringLiteral("http://%1:%2").arg(host).arg(port).toUtf8());
        proxyBroken = true;
    }
    void restoreProxy()
    {
        if (!proxyBroken)
            return;
        qputenv("http_proxy", savedProxy);
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        proxyBroken = false;
    }

    // Scripts url to fail as f (or breaks the proxy for the failures of the connection).
    void fail(Failure f, const std::string &url)
    {
        if (breaksTheProxy(f)) {
            breakProxy(f);
            return;
        }
        const Normal normal = normalAnswer(url);
        service().script(url, failingAnswer(f, normal.body, normal.type));
    }

    // A full lookup of a good page still works: the window is live and usable.
    void expectUsable()
    {
        restoreProxy();
        service().reset();
        lookUp(QStringLiteral("http://changba.com/s/Hx8Jd2PaVk3T"));
        EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：夜空中最亮的星")) << "the window is usable afterwards";
        EXPECT_TRUE(window->isEnabled());
    }

    QByteArray savedProxy;
    bool proxyBroken = false;
};

// ---- The update check ----------------------------------------------------------------

class UpdateCheckFailure : public Failures, public ::testing::WithParamInterface<Failure> {};

TEST_P(UpdateCheckFailure, SaysTheCheckFailedAndKeepsTheBoxesLockedAsDesigned)
{
    fail(GetParam(), endpoints::versionFileAddress().toStdString());
    window = startWindow();
    const bool stillCurrent = GetParam() == Failure::WrongCharset || GetParam() == Failure::MissingCharset;
    if (stillCurrent) {
        // An ASCII version file reads the same in any charset.
        EXPECT_TRUE(platform::messageBoxLog().isEmpty());
        EXPECT_TRUE(control<QLineEdit>("Text1")->isEnabled());
    } else {
        ASSERT_EQ(platform::messageBoxLog().size(), 1);
        EXPECT_EQ(platform::messageBoxLog().first().text, QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"));
        // Without a confirmed version the address boxes stay locked for the run.
        EXPECT_FALSE(control<QLineEdit>("Text1")->isEnabled());
        EXPECT_FALSE(control<QLineEdit>("Text2")->isEnabled());
        EXPECT_EQ(platform::endProgramCount(), 0) << "the program goes on with the old version";
    }
    EXPECT_TRUE(window->isVisible());
    restoreProxy();
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, UpdateCheckFailure,
                         ::testing::Values(Failure::Refused, Failure::Unresolvable, Failure::NoAnswer,
                                           Failure::ResetHalfway, Failure::NotFound, Failure::ServerError,
                                           Failure::EmptyBody, Failure::Huge, Failure::WrongCharset,
                                           Failure::MissingCharset),
                         [](const auto &info) { return std::string(name(info.param)); });

// ---- The share page --------------------------------------------------------------------

class SharePageFailure : public Failures, public ::testing::WithParamInterface<Failure>
{
protected:
    void SetUp() override
    {
        Failures::SetUp();
        window = startWindow();
        lookUp(QStringLiteral("http://changba.com/s/Kp2vRt9sLmQx")); // an earlier song
        ASSERT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：Love"));
    }
};

TEST_P(SharePageFailure, SaysTheFetchFailedAndKeepsTheEarlierSong)
{
    fail(GetParam(), kShare);
    lookUp(QString::fromStdString(kShare));
    EXPECT_EQ(status(), QStringLiteral("网页获取失败,请您稍后再试 .."));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：Love"));
    EXPECT_EQ(window->songRecord().strWorkId, QStringLiteral("1043570016"));
    expectUsable();
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, SharePageFailure,
                         ::testing::Values(Failure::Refused, Failure::Unresolvable, Failure::NoAnswer,
                                           Failure::ResetHalfway, Failure::NotFound, Failure::ServerError,
                                           Failure::Huge),
                         [](const auto &info) { return std::string(name(info.param)); });

TEST_F(Failures, AnEmptySharePageChangesNothingAsDesigned)
{
    window = startWindow();
    lookUp(QStringLiteral("http://changba.com/s/Kp2vRt9sLmQx"));
    fail(Failure::EmptyBody, kShare);
    lookUp(QString::fromStdString(kShare));
    EXPECT_EQ(status(), QStringLiteral("欢迎使用Solvane系列软件 .."));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：Love"));
    expectUsable();
}

TEST_F(Failures, ASharePageInAWrongCharsetStillGivesItsAddresses)
{
    window = startWindow();
    fail(Failure::WrongCharset, kShare);
    lookUp(QString::fromStdString(kShare));
    // The Chinese captions come out garbled, as in a browser trusting the same header, but
    // the ASCII addresses read the same in either charset.
    EXPECT_EQ(window->songRecord().strWorkId, QStringLiteral("1043562829"));
    EXPECT_NE(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    expectUsable();
}

TEST_F(Failures, ASharePageWithoutCharsetIsReadAsUtf8)
{
    window = startWindow();
    const Normal normal = normalAnswer(kShare);
    std::string body = normal.body;
    for (const std::string meta : {"<meta charset=\"utf-8\">", "<meta charset=\"UTF-8\">"})
        for (auto at = body.find(meta); at != std::string::npos; at = body.find(meta))
            body.erase(at, meta.size());
    service().script(kShare, failingAnswer(Failure::MissingCharset, body, normal.type));
    lookUp(QString::fromStdString(kShare));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    expectUsable();
}

// ---- The avatar ------------------------------------------------------------------------

class AvatarFailure : public Failures, public ::testing::WithParamInterface<Failure> {};

TEST_P(AvatarFailure, ShowsNoPictureAsDesignedAndFillsThePanels)
{
    window = startWindow();
    fail(GetParam(), kAvatar);
    lookUp(QString::fromStdString(kShare));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    EXPECT_EQ(window->songRecord().strWorkId, QStringLiteral("1043562829"));
    // A picture that cannot be loaded leaves the avatar box empty.
    EXPECT_TRUE(control<QLabel>("Image1")->pixmap().isNull());
    expectUsable();
    EXPECT_FALSE(control<QLabel>("Image1")->pixmap().isNull());
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, AvatarFailure,
                         ::testing::Values(Failure::NoAnswer, Failure::ResetHalfway, Failure::NotFound,
                                           Failure::ServerError, Failure::EmptyBody, Failure::Huge,
                                           Failure::WrongContent),
                         [](const auto &info) { return std::string(name(info.param)); });

// ---- The playback stream ---------------------------------------------------------------

const std::string kAudio = "http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3";

class PlaybackFailure : public Failures, public ::testing::WithParamInterface<Failure>
{
protected:
    void TearDown() override
    {
        platform::mciSendString(QStringLiteral("close all"));
        Failures::TearDown();
    }
};

TEST_P(PlaybackFailure, StaysQuietAndTheSecondClickStillStops)
{
    window = startWindow();
    lookUp(QString::fromStdString(kShare));
    ASSERT_EQ(window->songRecord().strMusicUrl, QString::fromStdString(kAudio));
    fail(GetParam(), kAudio);
    auto *play = control<QPushButton>("Command7");
    QTest::mouseClick(play, Qt::LeftButton);
    // The player reports nothing: a stream that fails simply stays silent.
    EXPECT_EQ(play->text(), QStringLiteral("停止播放"));
    EXPECT_EQ(status(), QStringLiteral("正在进行在线试播放.."));
    QTest::qWait(800);
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(play->text(), QStringLiteral("在线播放"));
    EXPECT_FALSE(platform::mciDeviceStatus(QStringLiteral("OpenFile")).open);
    expectUsable();
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, PlaybackFailure,
                         ::testing::Values(Failure::Refused, Failure::Unresolvable, Failure::NoAnswer,
                                           Failure::ResetHalfway, Failure::NotFound, Failure::ServerError,
                                           Failure::EmptyBody, Failure::WrongContent),
                         [](const auto &info) { return std::string(name(info.param)); });

// ---- The download ----------------------------------------------------------------------

class DownloadFailure : public Failures, public ::testing::WithParamInterface<Failure>
{
protected:
    void SetUp() override
    {
        Failures::SetUp();
        ASSERT_TRUE(dir.isValid());
        target = dir.filePath(QStringLiteral("后来.mp3"));
        platform::clearRevealLog();
        platform::setRevealHandler([](const platform::RevealRequest &) {});
        platform::setSaveDialogAnswerer([this](const platform::SaveDialogRequest &) -> std::optional<QString> {
            return target;
        });
        window = startWindow();
        window->setWriteTags(false); // the transfer is what counts here: the bytes as served
        lookUp(QString::fromStdString(kShare));
        ASSERT_EQ(window->songRecord().strMusicUrl, QString::fromStdString(kAudio));
    }
    void TearDown() override
    {
        Failures::TearDown();
        platform::setRevealHandler({});
        platform::setSaveDialogAnswerer({});
    }

    QTemporaryDir dir;
    QString target;
};

TEST_P(DownloadFailure, SaysWhatWentWrongAndLeavesNoFinishedSong)
{
    const Failure f = GetParam();
    const Normal song = normalAnswer(kAudio);
    ASSERT_GT(song.body.size(), 1000u);
    if (f == Failure::WrongContent) {
        // A network that intercepts requests answers the song's address with its own page.
        servicedouble::ScriptedResponse page = failingAnswer(f, song.body, song.type);
        page.contentType = "text/html; charset=utf-8";
        service().script(kAudio, page);
    } else {
        fail(f, kAudio);
    }

    auto *command2 = control<QPushButton>("Command2");
    auto *command6 = control<QPushButton>("Command6");
    command2->click();
    control<QPushButton>("Command1")->click();
    ASSERT_EQ(window->savePath(), target);
    command6->click();

    const bool gotSomeOfIt = f == Failure::ResetHalfway || f == Failure::EmptyBody;
    EXPECT_EQ(status(), gotSomeOfIt ? QStringLiteral("抱歉!音乐下载未完成..") : QStringLiteral("抱歉!发送请求失败.."));
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());
    EXPECT_TRUE(platform::revealLog().isEmpty()) << "nothing is shown as a saved song";
    EXPECT_EQ(command6->text(), QStringLiteral("开始下载"));
    EXPECT_TRUE(command2->isEnabled());
    EXPECT_TRUE(control<QPushButton>("Command1")->isEnabled());
    EXPECT_FALSE(QFile::exists(target)) << "no file that could pass for the song";
    if (f == Failure::ResetHalfway) {
        // The part that came is kept beside it, visibly shorter than the song.
        EXPECT_GT(QFileInfo(download::partPath(target)).size(), 0);
        EXPECT_LT(QFileInfo(download::partPath(target)).size(), static_cast<qint64>(song.body.size()));
    }

    // Once the network is back, the same button saves the whole song.
    restoreProxy();
    service().reset();
    command6->click();
    EXPECT_EQ(status(), QStringLiteral("音乐下载完成"));
    EXPECT_EQ(QFileInfo(target).size(), static_cast<qint64>(song.body.size()));
    EXPECT_EQ(platform::revealLog().size(), 1);
    expectUsable();
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, DownloadFailure,
                         ::testing::Values(Failure::Refused, Failure::Unresolvable, Failure::NoAnswer,
                                           Failure::ResetHalfway, Failure::NotFound, Failure::ServerError,
                                           Failure::EmptyBody, Failure::WrongContent),
                         [](const auto &info) { return std::string(name(info.param)); });

// ---- The singer page and the resolve request of a listed work -------------------------

const std::string kSinger = "http://changba.com/member/personcenter/userPage.php?uid=20130815";
const QString kResolveOf1 = QStringLiteral("http://changba.com/member/personcenter/loadplayurl.php?wid=1043562829");

class WorksFailure : public Failures, public ::testing::WithParamInterface<Failure>
{
protected:
    void SetUp() override
    {
        Failures::SetUp();
        window = startWindow();
        list = control<QTreeWidget>("ListView1");
        fetchWorks();
        ASSERT_TRUE(waitUntil([this] { return status() == QStringLiteral("获取完毕.."); }, 3000));
        ASSERT_EQ(list->topLevelItemCount(), 5);
    }
    void fetchWorks()
    {
        control<QLineEdit>("Text2")->setText(QString::fromStdString(kSinger));
        control<QPushButton>("Command10")->click();
    }
    bool panelReady() const
    {
        return control<QPushButton>("Command10")->isEnabled() && control<QLineEdit>("Text2")->isEnabled();
    }

    QTreeWidget *list = nullptr;
};

using SingerPageFailure = WorksFailure;

TEST_P(SingerPageFailure, EndsTheBatchWithTheEarlierListKept)
{
    fail(GetParam(), kSinger);
    fetchWorks();
    EXPECT_EQ(status(), QStringLiteral("歌手主页获取失败,请您稍后再试 .."));
    EXPECT_TRUE(panelReady());
    EXPECT_EQ(list->topLevelItemCount(), 5);
    EXPECT_FALSE(control<QTimer>("Timer3")->isActive() || control<QTimer>("Timer4")->isActive());
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());
    expectUsable();
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, SingerPageFailure,
                         ::testing::Values(Failure::Refused, Failure::Unresolvable, Failure::NoAnswer,
                                           Failure::ResetHalfway, Failure::NotFound, Failure::ServerError,
                                           Failure::Huge),
                         [](const auto &info) { return std::string(name(info.param)); });

TEST_F(WorksFailure, AnEmptySingerPageEndsTheBatchWithAnEmptyListAsDesigned)
{
    fail(Failure::EmptyBody, kSinger);
    fetchWorks();
    EXPECT_EQ(status(), QStringLiteral("歌手主页获取失败,请您稍后再试 .."));
    EXPECT_TRUE(panelReady());
    EXPECT_EQ(list->topLevelItemCount(), 0) << "the batch cleared the list before it saw the empty page";
    expectUsable();
}

TEST_F(WorksFailure, ASingerPageInAWrongCharsetStillListsItsWorks)
{
    fail(Failure::WrongCharset, kSinger);
    fetchWorks();
    EXPECT_TRUE(waitUntil([this] { return status() == QStringLiteral("获取完毕.."); }, 3000));
    EXPECT_EQ(list->topLevelItemCount(), 5);
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("1043562829")) << "ids are ASCII";
    EXPECT_TRUE(panelReady());
}

using ResolveFailure = WorksFailure;

TEST_P(ResolveFailure, SaysTheFetchFailedAndLoadsNothing)
{
    lookUp(QStringLiteral("http://changba.com/s/Kp2vRt9sLmQx"));
    auto *text1 = control<QLineEdit>("Text1");
    platform::clearMciCommandLog();
    fail(GetParam(), kResolveOf1.toStdString());
    doubleClickRow(list, 0);
    EXPECT_EQ(status(), QStringLiteral("网页获取失败,请您稍后再试 .."));
    EXPECT_EQ(text1->text(), QStringLiteral("http://changba.com/s/Kp2vRt9sLmQx"));
    EXPECT_EQ(window->songRecord().strWorkId, QStringLiteral("1043570016"));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：Love"));
    EXPECT_TRUE(platform::mciCommandLog().isEmpty()) << "playback is left alone";
    expectUsable();
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, ResolveFailure,
                         ::testing::Values(Failure::Refused, Failure::Unresolvable, Failure::NoAnswer,
                                           Failure::ResetHalfway, Failure::NotFound, Failure::ServerError,
                                           Failure::EmptyBody, Failure::Huge),
                         [](const auto &info) { return std::string(name(info.param)); });

} // namespace
