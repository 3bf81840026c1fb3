#include "update/version.h"

#include <gtest/gtest.h>

TEST(Version, FieldLiesBetweenTheFirstMarkerAndTheNextBar)
{
    EXPECT_EQ(versionField(QStringLiteral("news cb:V3.2|2026 cb:V9.9|")), QStringLiteral("V3.2"));
    EXPECT_EQ(versionField(QStringLiteral("cb:V3.3|")), QStringLiteral("V3.3"));
    EXPECT_EQ(versionField(QStringLiteral("cb: V3.2|")), QStringLiteral(" V3.2"));
    EXPECT_EQ(versionField(QStringLiteral("cb:V3.2")), QString());
    EXPECT_EQ(versionField(QStringLiteral("V3.2|")), QString());
    // The bar must come before any second marker.
    EXPECT_EQ(versionField(QStringLiteral("cb:V3.2cb:|")), QString());
}

TEST(Version, OnlyTheExactCurrentVersionUnlocks)
{
    EXPECT_EQ(updateVerdict(QStringLiteral("Solvane\ncb:V3.2|2026-12-01")), UpdateVerdict::Current);
    EXPECT_EQ(updateVerdict(QStringLiteral("cb:v3.2|")), UpdateVerdict::Newer);
    EXPECT_EQ(updateVerdict(QStringLiteral("cb: V3.2|")), UpdateVerdict::Newer);
    EXPECT_EQ(updateVerdict(QStringLiteral("cb:V3.3|")), UpdateVerdict::Newer);
}

TEST(Version, AnAnswerWithoutAVersionFieldIsAFailedCheck)
{
    EXPECT_EQ(updateVerdict(QString()), UpdateVerdict::Failed);
    EXPECT_EQ(updateVerdict(QStringLiteral("<html>502 Bad Gateway</html>")), UpdateVerdict::Failed);
    EXPECT_EQ(updateVerdict(QStringLiteral("cb:V3.3 but no bar")), UpdateVerdict::Failed);
    EXPECT_EQ(updateVerdict(QStringLiteral("cb:|")), UpdateVerdict::Failed);
}

TEST(Version, NewsMessageHasThreeLines)
{
    EXPECT_EQ(newerVersionMessage(QStringLiteral("V3.3")),
              QStringLiteral("发现最新版本![V3.3]\r\n \r\n确定后自动打开官方论坛!"));
}
