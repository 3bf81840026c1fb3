#include "platform/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(ProgramFolder, DataFilesAreFoundBesideTheProgramOrInTheInstalledDataFolder)
{
    QTemporaryDir prefix;
    platform::setProgramFolder(prefix.filePath(QStringLiteral("bin")));
    touch(prefix.filePath(QStringLiteral("share/quillory/skinh.she")));
    EXPECT_EQ(platform::dataFile(QStringLiteral("skinh.she")), prefix.filePath(QStringLiteral("share/quillory/skinh.she")));

    touch(prefix.filePath(QStringLiteral("bin/skinh.she")));
    EXPECT_EQ(platform::dataFile(QStringLiteral("skinh.she")), prefix.filePath(QStringLiteral("bin/skinh.she")))
        << "a build tree keeps the skin next to the program";
    platform::setProgramFolder(QString());
}

TEST(ProgramFolder, AMissingFolderIsNotWritableAndTheUserFoldersStandIn)
{
    QTemporaryDir home;
    const QByteArray old = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    platform::setProgramFolder(home.filePath(QStringLiteral("gone")));
    EXPECT_FALSE(platform::programFolderWritable());
    EXPECT_EQ(platform::userDataFolder(), home.filePath(QStringLiteral("quillory")));
    EXPECT_TRUE(QFileInfo(home.filePath(QStringLiteral("quillory"))).isDir());
    EXPECT_FALSE(platform::userMusicFolder().isEmpty());

    platform::setProgramFolder(home.path());
    EXPECT_TRUE(platform::programFolderWritable());
    platform::setProgramFolder(QString());
    if (old.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", old);
}

} // namespace
