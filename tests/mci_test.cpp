#include "platform/mci.h"
#include "windowtest.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using platform::mciDeviceStatus;
using platform::mciOpenDeviceCount;
using platform::mciSendString;

namespace {

const std::string kSlowAudio = "http://a9mp3.changba.com/userdata/userwork/slow/1.mp3";
const std::string kMissingAudio = "http://a9mp3.changba.com/userdata/userwork/missing/2.mp3";

QString openCommand(const QString &address, const QString &alias = QStringLiteral("OpenFile"))
{
    return QStringLiteral("open ") + address + QStringLiteral(" alias ") + alias + QStringLiteral(" type MPEGVideo");
}

class Mci : public ::testing::Test
{
protected:
    void SetUp() override
    {
        service().reset();
        mciSendString(QStringLiteral("close all"));
        platform::clearMciCommandLog();
    }
    void TearDown() override { mciSendString(QStringLiteral("close all")); }
};

} // namespace

TEST_F(Mci, OtherCommandsAreLoggedAndIgnored)
{
    const QStringList others{
        QStringLiteral("status OpenFile mode"), QStringLiteral("open http://h/x.mp3 alias OpenFile"),
        QStringLiteral("open http://h/x.mp3 type MPEGVideo"), QStringLiteral("Play OpenFile"),
        QStringLiteral("close"), QStringLiteral("close all "), QStringLiteral(""),
        QStringLiteral("open  alias OpenFile type MPEGVideo"), QStringLiteral("play OpenFile"),
        QStringLiteral("setaudio OpenFile volume to 5"), QStringLiteral("close OpenFile"),
    };
    for (const QString &command : others)
        EXPECT_NE(mciSendString(command), 0) << command.toStdString();
    EXPECT_EQ(platform::mciCommandLog(), others);
    EXPECT_EQ(mciOpenDeviceCount(), 0);
}

TEST_F(Mci, OneDevicePerAlias)
{
    const QString spaced = QStringLiteral("http://a9mp3.changba.com/my song alias x.mp3");
    EXPECT_EQ(mciSendString(openCommand(spaced)), 0);
    EXPECT_EQ(mciDeviceStatus(QStringLiteral("OpenFile")).address, spaced) << "everything up to the last alias";

    EXPECT_NE(mciSendString(openCommand(QStringLiteral("http://h/other.mp3"))), 0) << "the alias is taken";
    EXPECT_EQ(mciDeviceStatus(QStringLiteral("OpenFile")).address, spaced);

    EXPECT_EQ(mciSendString(openCommand(QStringLiteral("/nowhere/song.mp3"), QStringLiteral("Second"))), 0);
    EXPECT_EQ(mciOpenDeviceCount(), 2);
    EXPECT_FALSE(mciDeviceStatus(QStringLiteral("Second")).playing);

    EXPECT_EQ(mciSendString(QStringLiteral("close OpenFile")), 0);
    EXPECT_FALSE(mciDeviceStatus(QStringLiteral("OpenFile")).open);
    EXPECT_TRUE(mciDeviceStatus(QStringLiteral("Second")).open);
    EXPECT_EQ(mciSendString(QStringLiteral("close all")), 0);
    EXPECT_EQ(mciOpenDeviceCount(), 0);
    EXPECT_EQ(mciSendString(QStringLiteral("close all")), 0) << "nothing open is no failure";
}

TEST_F(Mci, VolumeFollowsAPerceptualScale)
{
    mciSendString(openCommand(QStringLiteral("/nowhere/song.mp3")));
    EXPECT_EQ(mciDeviceStatus(QStringLiteral("OpenFile")).outputVolume, 1.f) << "a new device plays at full volume";

    const auto gainAt = [](int volume) {
        EXPECT_EQ(mciSendString(QStringLiteral("setaudio OpenFile volume to %1").arg(volume)), 0);
        EXPECT_EQ(mciDeviceStatus(QStringLiteral("OpenFile")).volume, volume);
        return mciDeviceStatus(QStringLiteral("OpenFile")).outputVolume;
    };
    EXPECT_EQ(gainAt(0), 0.f);
    EXPECT_FLOAT_EQ(gainAt(1000), 1.f);
    const float half = gainAt(500);
    EXPECT_GT(half, 0.f);
    EXPECT_LT(half, 0.25f) << "half way sounds half as loud";
    EXPECT_LT(gainAt(250), half);
    EXPECT_GT(gainAt(750), half);

    for (const char *bad : {"setaudio OpenFile volume to 1001", "setaudio OpenFile volume to -1",
                            "setaudio OpenFile volume to 5x", "setaudio OpenFile volume to "})
        EXPECT_NE(mciSendString(QString::fromLatin1(bad)), 0) << bad;
    EXPECT_EQ(mciDeviceStatus(QStringLiteral("OpenFile")).volume, 750) << "a refused volume changes nothing";
}

TEST_F(Mci, OpeningNeverWaitsForTheServer)
{
    servicedouble::ScriptedResponse missing;
    missing.status = 404;
    service().script(kMissingAudio, missing);
    servicedouble::ScriptedResponse slow;
    slow.body = "ID3";
    slow.contentType = "audio/mpeg";
    slow.delayMs = 6000;
    service().script(kSlowAudio, slow);

    // The first stream loads the player's network parts; let that not count.
    mciSendString(openCommand(QString::fromStdString(kMissingAudio)));
    mciSendString(QStringLiteral("play OpenFile"));
    ASSERT_TRUE(waitUntil([] { return service().requestCount(kMissingAudio) > 0; }, 20000));
    EXPECT_FALSE(waitUntil([] { return mciDeviceStatus(QStringLiteral("OpenFile")).positionMs > 0; }, 300))
        << "a missing file plays nothing";
    mciSendString(QStringLiteral("close all"));

    QElapsedTimer clock;
    clock.start();
    mciSendString(QStringLiteral("close OpenFile"));
    mciSendString(openCommand(QString::fromStdString(kSlowAudio)));
    mciSendString(QStringLiteral("play OpenFile"));
    mciSendString(QStringLiteral("setaudio OpenFile volume to 1000"));
    EXPECT_LT(clock.elapsed(), 3000);
    ASSERT_TRUE(waitUntil([] { return service().requestCount(kSlowAudio) > 0; }, 10000));
    clock.restart();
    mciSendString(QStringLiteral("close all"));
    EXPECT_LT(clock.elapsed(), 3000) << "closing does not wait for the answer either";
    EXPECT_EQ(mciOpenDeviceCount(), 0);
}
