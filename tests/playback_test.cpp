#include "platform/mci.h"
#include "windowtest.h"

#include <QFile>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

using platform::mciCommandLog;
using platform::mciDeviceStatus;

namespace {

// Sample song 1 of the service double, and its work's rebuilt addresses.
const QString kSong1 = QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq");
const QString kSong1Audio = QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3");
const QString kSong1Rebuilt = QStringLiteral("http://a3mp3.changba.com/userdata/userwork/829/1043562829.mp3");
const QString kSong1RebuiltTwice = QStringLiteral("http://a721mp3.changba.com/userdata/userwork/829/1043562829.mp3");

const std::string kCustomShare = "http://changba.com/s/playback-test";
const std::string kLongAudio = "http://qiniuuwmp3.changba.com/userdata/userwork/114/long.mp3";

QStringList played(const QString &address, int volume)
{
    return {QStringLiteral("close OpenFile"), QStringLiteral("open %1 alias OpenFile type MPEGVideo").arg(address),
            QStringLiteral("play OpenFile"), QStringLiteral("setaudio OpenFile volume to %1").arg(volume)};
}

QString pageWithAudio(const QString &audio)
{
    return QStringLiteral("<html><head><title>后来 - 林小雨唱吧</title></head><body>"
                          "<script>(function(){var a=\"%1\",b=0;})();</script></body></html>")
        .arg(audio);
}

// About ten seconds of audio: the double's longest sample, four times over.
void serveLongAudio()
{
    QFile sample(QStringLiteral(QUILLORY_DOUBLE_DATA "/audio/1050001234.mp3"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray once = sample.readAll();
    servicedouble::ScriptedResponse response;
    response.body = (once + once + once + once).toStdString();
    response.contentType = "audio/mpeg";
    service().script(kLongAudio, response);
}

platform::MciDeviceStatus device()
{
    return mciDeviceStatus(QStringLiteral("OpenFile"));
}

class Playback : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        platform::mciSendString(QStringLiteral("close all"));
        window = startWindow();
        platform::clearMciCommandLog();
    }
    void TearDown() override
    {
        platform::mciSendString(QStringLiteral("close all"));
        WindowTest::TearDown();
    }

    void click(const char *name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    QString playCaption() const { return control<QPushButton>("Command7")->text(); }

    // Plays a song that lasts long enough to watch it and waits until it sounds.
    void startLongSong()
    {
        serveLongAudio();
        servePage(kCustomShare, pageWithAudio(QString::fromStdString(kLongAudio)));
        lookUp(QString::fromStdString(kCustomShare));
        ASSERT_EQ(window->songRecord().strMusicUrl, QString::fromStdString(kLongAudio));
        click("Command7");
        ASSERT_TRUE(waitUntil([] { return device().playing && device().positionMs > 0; }, 30000))
            << "open " << device().open << ", playing " << device().playing;
    }
};

} // namespace

TEST_F(Playback, PlayThenStop)
{
    EXPECT_EQ(playCaption(), QStringLiteral("在线播放"));
    lookUp(kSong1);
    ASSERT_EQ(window->songRecord().strMusicUrl, kSong1Audio);
    EXPECT_TRUE(mciCommandLog().isEmpty()) << "neither start-up nor a lookup sends anything";

    click("Command7");
    EXPECT_EQ(mciCommandLog(), played(kSong1Audio, 1000));
    EXPECT_EQ(playCaption(), QStringLiteral("停止播放"));
    EXPECT_EQ(status(), QStringLiteral("正在进行在线试播放.."));
    EXPECT_EQ(device().address, kSong1Audio);

    click("Command7");
    EXPECT_EQ(mciCommandLog(), played(kSong1Audio, 1000) << QStringLiteral("close all"));
    EXPECT_EQ(playCaption(), QStringLiteral("在线播放"));
    EXPECT_EQ(status(), QStringLiteral("正在进行在线试播放..")) << "stopping says nothing";
    EXPECT_FALSE(device().open);
}

TEST_F(Playback, NothingLookedUpRefusesBothButtons)
{
    click("Command7");
    EXPECT_EQ(status(), QStringLiteral("请先进行解析.."));
    window->setStatus(QString());
    click("Command16");
    EXPECT_EQ(status(), QStringLiteral("请先进行解析.."));
    EXPECT_EQ(playCaption(), QStringLiteral("在线播放"));
    EXPECT_TRUE(mciCommandLog().isEmpty());
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());
}

TEST_F(Playback, TheSliderSetsTheVolumeAtOnceAndForTheNextSong)
{
    auto *slider = control<QSlider>("Slider1");
    slider->setSliderPosition(400);
    EXPECT_EQ(mciCommandLog(), QStringList{QStringLiteral("setaudio OpenFile volume to 400")})
        << "sent even with nothing playing";
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());

    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(mciCommandLog().last(), QStringLiteral("setaudio OpenFile volume to 0"));
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(mciCommandLog().last(), QStringLiteral("setaudio OpenFile volume to 1"));

    lookUp(kSong1);
    platform::clearMciCommandLog();
    click("Command7");
    EXPECT_EQ(mciCommandLog(), played(kSong1Audio, 1));

    slider->setSliderPosition(0);
    EXPECT_EQ(mciCommandLog().last(), QStringLiteral("setaudio OpenFile volume to 0"));
    EXPECT_EQ(device().volume, 0);
    EXPECT_EQ(device().outputVolume, 0.f) << "the playing song falls silent";
}

TEST_F(Playback, ReResolvingRebuildsTheAddressOnTheAudioHostAndPlaysIt)
{
    lookUp(kSong1);
    click("Command16");
    EXPECT_EQ(window->songRecord().strMusicUrl, kSong1Rebuilt);
    EXPECT_EQ(mciCommandLog(), played(kSong1Rebuilt, 1000));
    EXPECT_EQ(playCaption(), QStringLiteral("停止播放"));
    EXPECT_EQ(status(), QStringLiteral("为您重新解析后,正在进行在线试播放.."));
    EXPECT_EQ(window->lookupSlots().vAudioBare, QStringLiteral("111"));
    EXPECT_EQ(window->lookupSlots().vAudioTail, QStringLiteral("3"));
    EXPECT_TRUE(waitUntil([] { return service().requestCount(kSong1Rebuilt.toStdString()) > 0; }, 20000))
        << "the rebuilt address is streamed through the proxy";

    // Again while playing: the new address's own directory is read, and playback restarts.
    platform::clearMciCommandLog();
    click("Command16");
    EXPECT_EQ(window->songRecord().strMusicUrl, kSong1RebuiltTwice);
    EXPECT_EQ(mciCommandLog(), played(kSong1RebuiltTwice, 1000));
    EXPECT_EQ(window->lookupSlots().vAudioTail, QStringLiteral("721"));
    EXPECT_EQ(device().address, kSong1RebuiltTwice);

    // The toggle then stops it.
    click("Command7");
    EXPECT_EQ(mciCommandLog().last(), QStringLiteral("close all"));
    EXPECT_EQ(playCaption(), QStringLiteral("在线播放"));
}

TEST_F(Playback, AddressesAreUsedAsTheyAre)
{
    // A short work id is the whole directory.
    servePage(kCustomShare, pageWithAudio(QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/a112/12.mp3")));
    lookUp(QString::fromStdString(kCustomShare));
    ASSERT_EQ(window->songRecord().strWorkId, QStringLiteral("12"));
    click("Command16");
    EXPECT_EQ(window->songRecord().strMusicUrl, QStringLiteral("http://a4mp3.changba.com/userdata/userwork/12/12.mp3"));

    // Spaces go into the open command unquoted.
    const QString spaced = QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/111/my song.mp3");
    servePage(kCustomShare, pageWithAudio(spaced));
    lookUp(QString::fromStdString(kCustomShare));
    platform::clearMciCommandLog();
    click("Command7"); // stops what Command16 started
    click("Command7");
    EXPECT_EQ(mciCommandLog().mid(1), played(spaced, 1000));
    EXPECT_EQ(device().address, spaced);
}

TEST_F(Playback, AnAddressTooShortToRebuildIsKept)
{
    const QString shortAddress = QStringLiteral("http://qiniuuwmp3.changba.com/1043562829.mp3");
    servePage(kCustomShare, pageWithAudio(shortAddress));
    lookUp(QString::fromStdString(kCustomShare));
    ASSERT_EQ(window->songRecord().strMusicUrl, shortAddress);
    const LookupSlots before = window->lookupSlots();

    click("Command16");
    EXPECT_EQ(status(), QStringLiteral("无法重新解析该音乐地址.."));
    EXPECT_EQ(window->songRecord().strMusicUrl, shortAddress);
    EXPECT_EQ(window->lookupSlots().vAudioTail, before.vAudioTail);
    EXPECT_EQ(playCaption(), QStringLiteral("在线播放"));
    EXPECT_TRUE(mciCommandLog().isEmpty());
}

TEST_F(Playback, ASongStreamsFromTheServiceUntilStopped)
{
    startLongSong();
    EXPECT_GE(service().requestCount(kLongAudio), 1);
    const qint64 reached = device().positionMs;
    EXPECT_TRUE(waitUntil([reached] { return device().positionMs >= reached + 300; }, 10000))
        << "position stays at " << device().positionMs;
    EXPECT_TRUE(device().playing);

    click("Command7");
    EXPECT_EQ(mciCommandLog().last(), QStringLiteral("close all"));
    EXPECT_FALSE(device().open);
    EXPECT_EQ(platform::mciOpenDeviceCount(), 0);
}

TEST_F(Playback, ExitingStopsTheSound)
{
    startLongSong();
    click("Command5");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(mciCommandLog().last(), QStringLiteral("close all"));
    EXPECT_EQ(platform::mciOpenDeviceCount(), 0);
}
