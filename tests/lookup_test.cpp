#include "app/alphaimage.h"
#include "windowtest.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const std::string kShare = "http://changba.com/s/lookup-test";
const std::string kAvatar = "http://aliimg.changba.com/cache/photo/lookup_200_200.png";
const QString kAudio = QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3");

QString sharePage(bool withMv)
{
    QString page = QStringLiteral(
        "<html><head><title>后来 - 林小雨唱吧</title></head><body>"
        "<img class=\"avatar\" src=\"http://aliimg.changba.com/cache/photo/lookup_200_200.png\">"
        "<em class=\"nm\">2048</em><div class=\"des twemoji\">夏天的歌</div>"
        "<span class=\"audience info\"><em>5387</em></span><span class=\"presents info\"><em>12</em></span>"
        "<span class=\"share info\"><em>7</em></span><span class=\"comment info\"><em>33</em></span>");
    if (withMv)
        page += QStringLiteral("<script src=\"http://player.youku.com/player.php?sid=XNTk2&amp;autoplay=true\"></script>");
    page += QStringLiteral("<script>(function(){var a=\"%1\",b=0;})();</script></body></html>").arg(kAudio);
    return page;
}

void serveAvatar()
{
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    servicedouble::ScriptedResponse response;
    response.body = bytes.toStdString();
    response.contentType = "image/png";
    service().script(kAvatar, response);
}

class Lookup : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        serveAvatar();
        window = startWindow();
    }
};

} // namespace

TEST_F(Lookup, ASharePageFillsBothPanels)
{
    servePage(kShare, sharePage(true));
    lookUp(QString::fromStdString(kShare));

    EXPECT_EQ(caption("Label1"), QStringLiteral("用户名：林小雨"));
    EXPECT_EQ(caption("Label4"), QStringLiteral("粉丝数：2048"));
    EXPECT_EQ(caption("Label10"), QStringLiteral("夏天的歌"));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    EXPECT_EQ(caption("Label5"), QStringLiteral("播放次数：5387次"));
    EXPECT_EQ(caption("Label6"), QStringLiteral("收到礼物：12个"));
    EXPECT_EQ(caption("Label7"), QStringLiteral("转发次数：7次"));
    EXPECT_EQ(caption("Label9"), QStringLiteral("评论数量：33次"));
    EXPECT_EQ(status(), QStringLiteral("欢迎使用Solvane系列软件 ..")) << "a lookup leaves the status line alone";

    const SongRecord &record = window->songRecord();
    EXPECT_EQ(record.strMusicUrl, kAudio);
    EXPECT_EQ(record.strWorkId, QStringLiteral("1043562829"));
    EXPECT_EQ(record.strUserName, QStringLiteral("林小雨"));
    EXPECT_EQ(record.strMvUrl, QStringLiteral("http://player.youku.com/player.php?sid=XNTk2&autoplay=true"));

    const auto *label2 = control<QLabel>("Label2");
    const auto *mark = control<AlphaImage>("aicAlphaImage2");
    EXPECT_TRUE(mark->isVisible());
    EXPECT_EQ(mark->x(), label2->x() + label2->width() + 3) << "50 twips right of the song name";
    EXPECT_EQ(control<QLabel>("Image1")->pixmap().size(), QSize(200, 200));
    EXPECT_EQ(service().requestCount(kAvatar), 1);
}

TEST_F(Lookup, ASongWithoutMvHidesTheMark)
{
    servePage(kShare, sharePage(true));
    lookUp(QString::fromStdString(kShare));
    servePage(kShare, sharePage(false));
    lookUp(QString::fromStdString(kShare));
    EXPECT_FALSE(control<QWidget>("aicAlphaImage2")->isVisible());
    EXPECT_EQ(window->songRecord().strMvUrl, QString());
}

TEST_F(Lookup, AddressesAreCheckedBeforeAnythingIsFetched)
{
    lookUp(QString());
    EXPECT_EQ(status(), QStringLiteral("请输入唱吧网页地址 "));
    lookUp(QStringLiteral("http://changba.com/u/12345"));
    EXPECT_EQ(status(), QStringLiteral("地址错误,请您检查 .."));
    lookUp(QStringLiteral("HTTP://CHANGBA.COM/s/abc"));
    EXPECT_EQ(status(), QStringLiteral("地址错误,请您检查 .."));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：未查询"));
    EXPECT_EQ(service().requests().size(), 1u) << "only the update check went out";
}

TEST_F(Lookup, TheWholeBoxIsTheAddress)
{
    servePage(kShare + "?from=weixin", sharePage(false));
    lookUp(QString::fromStdString(kShare + "?from=weixin"));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
}

TEST_F(Lookup, AFailedFetchSaysSoAndKeepsThePreviousSong)
{
    servePage(kShare, sharePage(true));
    lookUp(QString::fromStdString(kShare));

    servicedouble::ScriptedResponse dropped;
    dropped.body = sharePage(false).toStdString();
    dropped.cutAfter = 50;
    service().script("http://changba.com/s/other", dropped);
    lookUp(QStringLiteral("http://changba.com/s/other"));
    EXPECT_EQ(status(), QStringLiteral("网页获取失败,请您稍后再试 .."));
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    EXPECT_EQ(window->songRecord().strMvUrl,
              QStringLiteral("http://player.youku.com/player.php?sid=XNTk2&autoplay=true"));
}

TEST_F(Lookup, AnEmptyPageStopsSilently)
{
    servePage(kShare, QString());
    lookUp(QString::fromStdString(kShare));
    EXPECT_EQ(status(), QStringLiteral("欢迎使用Solvane系列软件 .."));
    EXPECT_EQ(caption("Label1"), QStringLiteral("歌手名：未查询"));
}

TEST_F(Lookup, AMissingAvatarClearsThePicture)
{
    servePage(kShare, sharePage(false));
    servicedouble::ScriptedResponse missing;
    missing.status = 404;
    missing.body = "<html>404</html>";
    service().script(kAvatar, missing);
    lookUp(QString::fromStdString(kShare));
    EXPECT_TRUE(control<QLabel>("Image1")->pixmap().isNull());
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
}

TEST_F(Lookup, CopyPutsExactlyTheAudioAddressOnTheClipboard)
{
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("untouched"));
    QTest::mouseClick(control<QPushButton>("Command13"), Qt::LeftButton);
    EXPECT_EQ(status(), QStringLiteral("请先进行解析.."));
    EXPECT_EQ(clipboard->text(), QStringLiteral("untouched"));

    servePage(kShare, sharePage(false));
    lookUp(QString::fromStdString(kShare));
    auto *image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_RGB32));
    clipboard->setMimeData(image);
    QTest::mouseClick(control<QPushButton>("Command13"), Qt::LeftButton);
    EXPECT_EQ(clipboard->text(), kAudio);
    EXPECT_FALSE(clipboard->mimeData()->hasImage()) << "the former content is gone";
    EXPECT_EQ(status(), QStringLiteral("音乐地址已复制.."));
}

TEST_F(Lookup, PasteReplacesTheBoxAndAPictureClipboardEmptiesIt)
{
    auto *text1 = control<QLineEdit>("Text1");
    text1->setText(QStringLiteral("old text"));
    QApplication::clipboard()->setText(QStringLiteral(" http://changba.com/s/new "));
    QTest::mouseClick(control<QPushButton>("Command9"), Qt::LeftButton);
    EXPECT_EQ(text1->text(), QStringLiteral(" http://changba.com/s/new "));

    auto *image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(image);
    QTest::mouseClick(control<QPushButton>("Command9"), Qt::LeftButton);
    EXPECT_EQ(text1->text(), QString());
}
