#include "player/playcommands.h"

#include <gtest/gtest.h>

using player::leadingNumber;
using player::rebuildAudioAddress;
using player::shortestDecimal;

TEST(PlayCommands, StartingASongSendsFourCommandsWithTheAddressAsItIs)
{
    EXPECT_EQ(player::playCommands(QStringLiteral("http://h/u/w/111/1.mp3"), 1000),
              (QStringList{QStringLiteral("close OpenFile"),
                           QStringLiteral("open http://h/u/w/111/1.mp3 alias OpenFile type MPEGVideo"),
                           QStringLiteral("play OpenFile"), QStringLiteral("setaudio OpenFile volume to 1000")}));
    EXPECT_EQ(player::playCommands(QStringLiteral("http://h/my song \"x\".mp3"), 0).at(1),
              QStringLiteral("open http://h/my song \"x\".mp3 alias OpenFile type MPEGVideo"));
    EXPECT_EQ(player::volumeCommand(7), QStringLiteral("setaudio OpenFile volume to 7"));
}

TEST(PlayCommands, LeadingNumberReadsAsFarAsANumberGoes)
{
    EXPECT_EQ(leadingNumber(QStringLiteral("111")), 111);
    EXPECT_EQ(leadingNumber(QStringLiteral("  42abc")), 42);
    EXPECT_EQ(leadingNumber(QStringLiteral("\t-7")), -7);
    EXPECT_EQ(leadingNumber(QStringLiteral("+8")), 8);
    EXPECT_EQ(leadingNumber(QStringLiteral("12.5.3")), 12.5);
    EXPECT_EQ(leadingNumber(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(leadingNumber(QStringLiteral("3e2x")), 300);
    EXPECT_EQ(leadingNumber(QStringLiteral("1D3")), 1000);
    EXPECT_EQ(leadingNumber(QStringLiteral("5e")), 5) << "an exponent needs digits";
    EXPECT_EQ(leadingNumber(QStringLiteral("5e+")), 5);
    EXPECT_EQ(leadingNumber(QStringLiteral("1 2")), 1);
    for (const char *none : {"", "   ", "x12", "-", ".", "+.", "A111", "１２"})
        EXPECT_EQ(leadingNumber(QString::fromUtf8(none)), 0) << none;
}

TEST(PlayCommands, ShortestDecimal)
{
    EXPECT_EQ(shortestDecimal(3), QStringLiteral("3"));
    EXPECT_EQ(shortestDecimal(-108), QStringLiteral("-108"));
    EXPECT_EQ(shortestDecimal(-0.0), QStringLiteral("0"));
    EXPECT_EQ(shortestDecimal(1043562721), QStringLiteral("1043562721"));
    EXPECT_EQ(shortestDecimal(1.5), QStringLiteral("1.5"));
    EXPECT_EQ(shortestDecimal(0.1 + 0.2), QStringLiteral("0.30000000000000004"));
    EXPECT_EQ(shortestDecimal(2.5e20), QStringLiteral("2.5e+20"));
}

TEST(PlayCommands, RebuildReadsTheHostFromTheThirdPathSegment)
{
    const auto first = rebuildAudioAddress(QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/a111/1043562829.mp3"),
                                           QStringLiteral("1043562829"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bare, QStringLiteral("111"));
    EXPECT_EQ(first->hostNumber, 3);
    EXPECT_EQ(first->address, QStringLiteral("http://a3mp3.changba.com/userdata/userwork/829/1043562829.mp3"));

    // Pressed again, the rebuilt address's own directory is read.
    const auto second = rebuildAudioAddress(first->address, QStringLiteral("1043562829"));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->hostNumber, 829 - 108);
    EXPECT_EQ(second->address, QStringLiteral("http://a721mp3.changba.com/userdata/userwork/829/1043562829.mp3"));
}

TEST(PlayCommands, RebuildEdgeCases)
{
    const auto shortId = rebuildAudioAddress(QStringLiteral("http://h/u/w/a111/12.mp3"), QStringLiteral("12"));
    ASSERT_TRUE(shortId);
    EXPECT_EQ(shortId->address, QStringLiteral("http://a3mp3.changba.com/userdata/userwork/12/12.mp3"));

    // Only lowercase "a" goes; an unreadable directory gives host number -108.
    const auto upper = rebuildAudioAddress(QStringLiteral("http://h/u/w/A111/x"), QStringLiteral("986754321"));
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->bare, QStringLiteral("A111"));
    EXPECT_EQ(upper->address, QStringLiteral("http://a-108mp3.changba.com/userdata/userwork/321/986754321.mp3"));

    // Empty pieces count: "http:", "", host, two segments, then the sixth.
    const auto empty = rebuildAudioAddress(QStringLiteral("http://h/u//x"), QStringLiteral("1"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->bare, QStringLiteral("x"));
    EXPECT_EQ(empty->hostNumber, -108);

    EXPECT_FALSE(rebuildAudioAddress(QStringLiteral("http://h/u/w"), QStringLiteral("1")));
    EXPECT_FALSE(rebuildAudioAddress(QStringLiteral("no address at all"), QStringLiteral("1")));
}
