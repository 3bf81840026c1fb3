#include "song/cut.h"

#include <gtest/gtest.h>

using namespace cut;

TEST(Cut, PieceAfterTakesTextUpToTheNextMarkerOrTheEnd)
{
    EXPECT_EQ(pieceAfter(QStringLiteral("a-b-c"), QStringLiteral("-")), QStringLiteral("b"));
    EXPECT_EQ(pieceAfter(QStringLiteral("a-bc"), QStringLiteral("-")), QStringLiteral("bc"));
    EXPECT_EQ(pieceAfter(QStringLiteral("a--"), QStringLiteral("-")), QString());
    EXPECT_EQ(element(QStringLiteral("x/y/z"), QStringLiteral("/"), 0), QStringLiteral("x"));
    EXPECT_EQ(element(QStringLiteral("x/y/z"), QStringLiteral("/"), 2), QStringLiteral("z"));
}

TEST(Cut, MissingElementFailsAndLeavesTheTargetAlone)
{
    EXPECT_FALSE(pieceAfter(QStringLiteral("abc"), QStringLiteral("-")).has_value());
    EXPECT_FALSE(element(QStringLiteral("x/y"), QStringLiteral("/"), 2).has_value());
    // An empty text has no elements at all, not even element 0.
    EXPECT_FALSE(element(QString(), QStringLiteral("/"), 0).has_value());
    // Markers are searched exactly, letter case included.
    EXPECT_FALSE(pieceAfter(QStringLiteral("<TITLE>x"), QStringLiteral("<title>")).has_value());

    QString target = QStringLiteral("kept");
    EXPECT_FALSE(assignIf(target, pieceAfter(QStringLiteral("abc"), QStringLiteral("-"))));
    EXPECT_EQ(target, QStringLiteral("kept"));
    EXPECT_TRUE(assignIf(target, pieceAfter(QStringLiteral("a-"), QStringLiteral("-"))));
    EXPECT_EQ(target, QString());
}

TEST(Cut, HeadEndsWithTheFirstCharacterOfTheSearchedText)
{
    EXPECT_EQ(headUpTo(QStringLiteral("12<em>"), QStringLiteral("<")), QStringLiteral("12<"));
    EXPECT_EQ(headUpTo(QStringLiteral("林小雨唱吧的歌"), QStringLiteral("唱吧")), QStringLiteral("林小雨唱"));
    EXPECT_EQ(headUpTo(QStringLiteral("no marker"), QStringLiteral("<")), QString());
}

TEST(Cut, TrimRemovesOnlySpaces)
{
    EXPECT_EQ(trimSpaces(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(trimSpaces(QStringLiteral("\ta\n")), QStringLiteral("\ta\n"));
    EXPECT_EQ(trimSpaces(QStringLiteral("   ")), QString());
    EXPECT_EQ(removeAll(QStringLiteral("唱歌唱"), QStringLiteral("唱")), QStringLiteral("歌"));
}
