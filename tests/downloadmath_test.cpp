#include "download/downloadmath.h"

#include <gtest/gtest.h>

using namespace download;

TEST(DownloadMath, RoundingTakesTiesToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(0.49), 0);
    EXPECT_EQ(roundHalfEven(0.51), 1);
    EXPECT_EQ(startSecond(100.5), 100);
    EXPECT_EQ(startSecond(101.5), 102);
}

TEST(DownloadMath, SpeedIsThePlaceholderUntilHalfASecondHasPassed)
{
    EXPECT_EQ(transferSpeed(512, 100, 100.49), kSpeedPlaceholder);
    EXPECT_EQ(transferSpeed(1025, 100, 100.0), kSpeedPlaceholder);
    // 0.5 rounds to 0, 1.5 to 2.
    EXPECT_EQ(transferSpeed(4096, 100, 100.5), kSpeedPlaceholder);
    EXPECT_EQ(transferSpeed(4096, 100, 101.5), 2048);
    EXPECT_EQ(transferSpeed(3000, 100, 102.6), 1000);
    // 5 bytes in 2 seconds: 2.5 goes to 2.
    EXPECT_EQ(transferSpeed(5, 100, 102.0), 2);
}

TEST(DownloadMath, SpeedAfterMidnightIsThePlaceholder)
{
    const qint64 start = startSecond(86399.4);
    EXPECT_EQ(start, 86399);
    EXPECT_EQ(transferSpeed(1 << 20, start, 0.7), kSpeedPlaceholder);
    EXPECT_EQ(transferSpeed(1 << 20, start, 300.0), kSpeedPlaceholder);
}

TEST(DownloadMath, SpeedOfTotalsBeyondTwoGigabytes)
{
    const qint64 total = 5LL * 1024 * 1024 * 1024;
    EXPECT_EQ(transferSpeed(total, 0, 10.0), total / 10);
}

TEST(DownloadMath, PercentageOfTheAnnouncedSize)
{
    EXPECT_EQ(progressPercent(512, 4096), 12);
    EXPECT_EQ(progressPercent(1536, 4096), 38);
    EXPECT_EQ(progressPercent(4096, 4096), 100);
    EXPECT_EQ(progressPercent(0, 4096), 0);
    EXPECT_EQ(progressPercent(4096, 0), 0) << "no announced size";
    EXPECT_EQ(progressPercent(5000, 4096), 100) << "more than announced stays within the bar";
    const qint64 big = 3LL * 1024 * 1024 * 1024;
    EXPECT_EQ(progressPercent(big / 2, big), 50);
}

TEST(DownloadMath, AnnouncedSize)
{
    EXPECT_EQ(announcedSize("4096"), 4096);
    EXPECT_EQ(announcedSize(" 1025 "), 1025);
    EXPECT_EQ(announcedSize("3221225472"), 3221225472LL);
    EXPECT_EQ(announcedSize(""), 0);
    EXPECT_EQ(announcedSize("12ab"), 0);
    EXPECT_EQ(announcedSize("-5"), 0);
}

TEST(DownloadMath, DefaultFileNameAndPath)
{
    EXPECT_EQ(defaultFileName(QStringLiteral("歌名"), QStringLiteral("某人")), QStringLiteral("歌名 - 某人.mp3"));
    EXPECT_EQ(defaultFileName(QStringLiteral("Love"), QString()), QStringLiteral("Love - .mp3"));
    EXPECT_EQ(defaultSavePath(QStringLiteral("/opt/工具/Music"), QStringLiteral("歌名"), QStringLiteral("某人")),
              QStringLiteral("/opt/工具/Music/歌名 - 某人.mp3"));
}

TEST(DownloadMath, PageTextCannotChooseTheFolder)
{
    EXPECT_EQ(defaultSavePath(QStringLiteral("/opt/q/Music"), QStringLiteral("AC/DC"), QStringLiteral("../../x")),
              QStringLiteral("/opt/q/Music/AC_DC - .._.._x.mp3"));
    const QString withNul = QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b");
    EXPECT_EQ(fileNamePart(withNul), QStringLiteral("a_b"));
    // Everything else is kept as it is.
    EXPECT_EQ(fileNamePart(QStringLiteral(" 星:*?\\| ")), QStringLiteral(" 星:*?\\| "));
}

TEST(DownloadMath, AVideoWorkIsSavedAsMp4AndTheDialogOffersBothTypes)
{
    EXPECT_EQ(defaultFileName(QStringLiteral("小情歌"), QStringLiteral("某人"), MediaKind::Video),
              QStringLiteral("小情歌 - 某人.mp4"));
    EXPECT_EQ(defaultSavePath(QStringLiteral("/m"), QStringLiteral("a/b"), QString(), MediaKind::Video),
              QStringLiteral("/m/a_b - .mp4"));
    EXPECT_EQ(saveDialogFilter(MediaKind::Audio), QStringLiteral("MP3音乐文件 (*.mp3)"));
    EXPECT_EQ(saveDialogFilter(MediaKind::Video), QStringLiteral("MP4视频文件 (*.mp4);;MP3音乐文件 (*.mp3)"));
}
