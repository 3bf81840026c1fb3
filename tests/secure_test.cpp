// Today's share links: https from the page to the stream, certificates that do not verify,
// redirects across schemes, and works that are videos. The double answers https inside
// CONNECT tunnels with certificates of its test authority, which the test program trusts
// through SSL_CERT_FILE (tests/testmain.cpp), as a user would tell the program.
#include "net/pagefetch.h"
#include "platform/mci.h"
#include "platform/reveal.h"
#include "platform/savedialog.h"
#include "windowtest.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using servicedouble::Certificate;

namespace {

// As the double's secureShareUrls() gives them.
const std::string kSecureShare = "https://changba.com/s/Qm3Rb8TzLw5Ka1VnYc7DsE?&cbcode=Hb4ty7021ne&from=pcrecommend";
const std::string kVideoShare = "https://changba.com/s/Vd2Kx9PqRt4Wm8NbLs6HcA?&cbcode=Lq8we3150kt&from=pcrecommend";
const std::string kSecureAudio = "https://qiniuuwmp3.changba.com/userdata/userwork/115/1052460001.mp3";
const std::string kPlainAudio = "http://qiniuuwmp3.changba.com/userdata/userwork/115/1052460001.mp3";
const std::string kVideo = "https://qiniuuwvideo.changba.com/video/1052460002.mp4";
const std::string kAvatar = "http://aliimg.changba.com/cache/photo/855237_200_200.jpg";
const std::string kSecureAvatar = "https://aliimg.changba.com/cache/photo/855237_200_200.jpg";
const QString kEarlierSong = QStringLiteral("http://changba.com/s/Hx8Jd2PaVk3T");

QByteArray sampleFile(const char *relativePath)
{
    QFile file(QStringLiteral(QUILLORY_DOUBLE_DATA "/") + QLatin1String(relativePath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Scripts from to answer with a redirect to to.
void redirect(const std::string &from, const std::string &to, int status = 301)
{
    servicedouble::ScriptedResponse r;
    r.status = status;
    r.body = "<html><body>moved</body></html>";
    r.headers = {{"Location", to}};
    service().script(from, r);
}

class Secure : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        target = dir.filePath(QStringLiteral("saved"));
        platform::clearRevealLog();
        platform::clearSaveDialogLog();
        platform::setRevealHandler([](const platform::RevealRequest &) {});
        platform::setSaveDialogAnswerer([this](const platform::SaveDialogRequest &) -> std::optional<QString> {
            return target;
        });
        // The image host sends its http addresses on to https, as the service does today.
        redirect(kAvatar, kSecureAvatar);
        net::networkManager().clearConnectionCache();
        window = startWindow();
        window->setWriteTags(false); // the transfers are what counts here: the bytes as served
    }
    void TearDown() override
    {
        platform::mciSendString(QStringLiteral("close all"));
        WindowTest::TearDown();
        platform::setRevealHandler({});
        platform::setSaveDialogAnswerer({});
    }

    // From now on host shows certificate. Connections already open were checked with
    // the good one and would be used again: they go first.
    static void showCertificate(const std::string &host, Certificate certificate)
    {
        service().setCertificate(host, certificate);
        net::networkManager().clearConnectionCache();
    }

    // Opens the panel, chooses target in the save dialog and starts the transfer.
    void download()
    {
        control<QPushButton>("Command2")->click();
        control<QPushButton>("Command1")->click();
        ASSERT_EQ(window->savePath(), target);
        control<QPushButton>("Command6")->click();
    }
    void expectSaved(const QByteArray &bytes)
    {
        EXPECT_EQ(status(), QStringLiteral("音乐下载完成"));
        EXPECT_EQ(fileBytes(target), bytes) << "the file holds exactly the bytes served";
        EXPECT_EQ(platform::revealLog().size(), 1);
    }
    void expectNothingSaved()
    {
        EXPECT_EQ(status(), QStringLiteral("抱歉!发送请求失败.."));
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_TRUE(platform::revealLog().isEmpty());
        EXPECT_EQ(control<QPushButton>("Command6")->text(), QStringLiteral("开始下载")) << "the panel is idle";
        EXPECT_TRUE(control<QPushButton>("Command2")->isEnabled());
    }

    void play() { QTest::mouseClick(control<QPushButton>("Command7"), Qt::LeftButton); }
    static bool sounding()
    {
        const platform::MciDeviceStatus device = platform::mciDeviceStatus(QStringLiteral("OpenFile"));
        return device.playing && device.positionMs > 0;
    }
    void expectPlaying() { EXPECT_TRUE(waitUntil(sounding, 10000)) << "playback reaches the playing state"; }
    void expectSilent()
    {
        EXPECT_FALSE(waitUntil(sounding, 1500)) << "nothing plays";
        // As with every stream that fails: the caption says playing until the user stops.
        auto *button = control<QPushButton>("Command7");
        EXPECT_EQ(button->text(), QStringLiteral("停止播放"));
        play();
        EXPECT_EQ(button->text(), QStringLiteral("在线播放"));
        EXPECT_FALSE(platform::mciDeviceStatus(QStringLiteral("OpenFile")).open);
    }

    QTemporaryDir dir;
    QString target;
};

// ---- https end to end ------------------------------------------------------------------

TEST_F(Secure, AnHttpsShareLinkFillsThePanelsShowsThePictureAndCopiesTheAddress)
{
    lookUp(QString::fromStdString(kSecureShare));
    EXPECT_EQ(caption("Label1"), QStringLiteral("用户名：林小雨"));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：晴天"));
    EXPECT_EQ(caption("Label5"), QStringLiteral("播放次数：6021次"));
    EXPECT_EQ(caption("Label10"), QStringLiteral("下雨天也要唱晴天"));
    EXPECT_FALSE(control<QLabel>("Image1")->pixmap().isNull());
    EXPECT_EQ(service().requestCount(kSecureShare), 1) << "the page came through the tunnel";
    EXPECT_EQ(service().requestCount(kSecureAvatar), 1) << "the picture too, after its redirect";
    EXPECT_EQ(window->songRecord().strMusicUrl, QString::fromStdString(kSecureAudio));
    EXPECT_EQ(window->songRecord().strWorkId, QStringLiteral("1052460001"));

    QTest::mouseClick(control<QPushButton>("Command13"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(kSecureAudio));
    EXPECT_EQ(status(), QStringLiteral("音乐地址已复制.."));
}

TEST_F(Secure, AnHttpsSongIsSavedWhole)
{
    lookUp(QString::fromStdString(kSecureShare));
    download();
    expectSaved(sampleFile("audio/1052460001.mp3"));
    EXPECT_EQ(service().requestCount(kSecureAudio), 1);
}

TEST_F(Secure, AnHttpsSongPlays)
{
    lookUp(QString::fromStdString(kSecureShare));
    play();
    expectPlaying();
    EXPECT_GE(service().requestCount(kSecureAudio), 1);
}

TEST_F(Secure, AListedWorkWhoseResolveAnswerIsHttpsIsLookedUp)
{
    control<QLineEdit>("Text2")->setText(QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20130816"));
    control<QPushButton>("Command10")->click();
    ASSERT_TRUE(waitUntil([this] { return status() == QStringLiteral("获取完毕.."); }, 3000));
    auto *list = control<QTreeWidget>("ListView1");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    ASSERT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("晴天"));
    doubleClickRow(list, 1);
    EXPECT_EQ(control<QLineEdit>("Text1")->text(), QStringLiteral("https://changba.com/s/Qm3Rb8TzLw5Ka1VnYc7DsE"));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：晴天"));
    EXPECT_EQ(window->songRecord().strMusicUrl, QString::fromStdString(kSecureAudio));
}

// ---- Certificates that do not verify -----------------------------------------------------

enum class Path { Page, Picture, Download, Stream };

struct BadCertificate {
    Path path;
    Certificate certificate;
};

void PrintTo(const BadCertificate &c, std::ostream *os)
{
    *os << int(c.path) << "/" << int(c.certificate);
}

std::string nameOf(const BadCertificate &c)
{
    static const char *paths[] = {"Page", "Picture", "Download", "Stream"};
    static const char *kinds[] = {"Good", "SelfSigned", "WrongHost", "Expired"};
    return std::string(paths[int(c.path)]) + kinds[int(c.certificate)];
}

class BadCertificateOn : public Secure, public ::testing::WithParamInterface<BadCertificate> {};

// Each bad certificate ends like the failure rows of the same path: the fetch failed,
// nothing is saved, the panel and the player are idle, and no question is asked.
TEST_P(BadCertificateOn, IsAFailedFetch)
{
    const auto [path, certificate] = GetParam();
    switch (path) {
    case Path::Page:
        lookUp(kEarlierSong);
        showCertificate("changba.com", certificate);
        lookUp(QString::fromStdString(kSecureShare));
        EXPECT_EQ(status(), QStringLiteral("网页获取失败,请您稍后再试 .."));
        EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：夜空中最亮的星")) << "the earlier song stays";
        EXPECT_EQ(service().requestCount("changba.com:443"), 1) << "the tunnel was asked for";
        EXPECT_EQ(service().requestCount(kSecureShare), 0) << "and no request went through it";
        break;
    case Path::Picture:
        showCertificate("aliimg.changba.com", certificate);
        lookUp(QString::fromStdString(kSecureShare));
        EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：晴天"));
        EXPECT_TRUE(control<QLabel>("Image1")->pixmap().isNull());
        EXPECT_EQ(service().requestCount(kSecureAvatar), 0);
        break;
    case Path::Download:
        lookUp(QString::fromStdString(kSecureShare));
        showCertificate("qiniuuwmp3.changba.com", certificate);
        download();
        expectNothingSaved();
        EXPECT_EQ(service().requestCount(kSecureAudio), 0);
        break;
    case Path::Stream:
        lookUp(QString::fromStdString(kSecureShare));
        showCertificate("qiniuuwmp3.changba.com", certificate);
        play();
        expectSilent();
        EXPECT_EQ(service().requestCount(kSecureAudio), 0);
        break;
    }
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryPathAndFault, BadCertificateOn,
    ::testing::ValuesIn(std::vector<BadCertificate>{
        {Path::Page, Certificate::SelfSigned},     {Path::Page, Certificate::WrongHost},
        {Path::Page, Certificate::Expired},        {Path::Picture, Certificate::SelfSigned},
        {Path::Picture, Certificate::WrongHost},   {Path::Picture, Certificate::Expired},
        {Path::Download, Certificate::SelfSigned}, {Path::Download, Certificate::WrongHost},
        {Path::Download, Certificate::Expired},    {Path::Stream, Certificate::SelfSigned},
        {Path::Stream, Certificate::WrongHost},    {Path::Stream, Certificate::Expired}}),
    [](const auto &info) { return nameOf(info.param); });

// ---- Redirects across schemes ----------------------------------------------------------

TEST_F(Secure, AnHttpShareLinkRedirectedToHttpsIsFollowed)
{
    const std::string plain = "http://changba.com/s/Qm3Rb8TzLw5Ka1VnYc7DsE";
    redirect(plain, "https://changba.com/s/Qm3Rb8TzLw5Ka1VnYc7DsE", 302);
    lookUp(QString::fromStdString(plain));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：晴天"));
    EXPECT_EQ(service().requestCount("https://changba.com/s/Qm3Rb8TzLw5Ka1VnYc7DsE"), 1);
}

TEST_F(Secure, AnHttpsSongRedirectedToHttpIsSavedAndPlayed)
{
    redirect(kSecureAudio, kPlainAudio, 302);
    lookUp(QString::fromStdString(kSecureShare));
    download();
    expectSaved(sampleFile("audio/1052460001.mp3"));
    EXPECT_EQ(service().requestCount(kPlainAudio), 1);
    play();
    expectPlaying();
}

class RedirectLoopOn : public Secure, public ::testing::WithParamInterface<Path> {};

// Two addresses that send each other on, across schemes: the request gives up after the
// usual number of redirects, like any failed fetch of its path.
TEST_P(RedirectLoopOn, IsAFailedFetch)
{
    switch (GetParam()) {
    case Path::Page: {
        const std::string plain = "http://changba.com/s/Qm3Rb8TzLw5Ka1VnYc7DsE";
        redirect(plain, "https://changba.com/s/Qm3Rb8TzLw5Ka1VnYc7DsE");
        redirect("https://changba.com/s/Qm3Rb8TzLw5Ka1VnYc7DsE", plain);
        lookUp(kEarlierSong);
        lookUp(QString::fromStdString(plain));
        EXPECT_EQ(status(), QStringLiteral("网页获取失败,请您稍后再试 .."));
        EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：夜空中最亮的星"));
        EXPECT_LT(service().requestCount(plain), 100) << "a bounded number of redirects";
        break;
    }
    case Path::Download:
    case Path::Stream:
        lookUp(QString::fromStdString(kSecureShare));
        redirect(kSecureAudio, kPlainAudio);
        redirect(kPlainAudio, kSecureAudio);
        if (GetParam() == Path::Download) {
            download();
            expectNothingSaved();
        } else {
            play();
            expectSilent();
        }
        break;
    case Path::Picture:
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, RedirectLoopOn, ::testing::Values(Path::Page, Path::Download, Path::Stream),
                         [](const auto &info) {
                             return std::string(info.param == Path::Page       ? "Page"
                                                : info.param == Path::Download ? "Download"
                                                                               : "Stream");
                         });

// ---- Works that are videos -------------------------------------------------------------

TEST_F(Secure, AVideoWorkIsCopiedSavedAsMp4AndPlayed)
{
    lookUp(QString::fromStdString(kVideoShare));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：小情歌"));
    EXPECT_EQ(caption("Label1"), QStringLiteral("用户名：林小雨"));
    EXPECT_EQ(window->songRecord().strMusicUrl, QString::fromStdString(kVideo)) << "the decoded video address";
    EXPECT_EQ(window->songRecord().strWorkId, QStringLiteral("1052460002"));

    QTest::mouseClick(control<QPushButton>("Command13"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(kVideo));

    control<QPushButton>("Command2")->click();
    EXPECT_TRUE(window->savePath().endsWith(QStringLiteral("/小情歌 - 林小雨.mp4"))) << window->savePath().toStdString();
    download();
    ASSERT_EQ(platform::saveDialogLog().size(), 1);
    const platform::SaveDialogRequest &dialog = platform::saveDialogLog().first();
    EXPECT_EQ(dialog.fileName, QStringLiteral("小情歌 - 林小雨.mp4"));
    EXPECT_EQ(dialog.filter, QStringLiteral("MP4视频文件 (*.mp4);;MP3音乐文件 (*.mp3)"));
    EXPECT_EQ(dialog.defaultSuffix, QStringLiteral("mp4"));
    expectSaved(sampleFile("video/1052460002.mp4"));

    play();
    expectPlaying();
}

} // namespace
