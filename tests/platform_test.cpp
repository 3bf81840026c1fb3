#include "platform/programfolder.h"
#include "platform/reveal.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

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

// "Installed" follows where the skin is, not whether the program's folder may be written:
// every prefix here is writable, as ~/.local is.
TEST(ProgramFolder, OnlyAProgramWhoseSkinIsInTheInstalledDataFolderCountsAsInstalled)
{
    struct Case {
        const char *what;
        QStringList files; // under the prefix
        bool installed;
    };
    const Case cases[] = {
        {"installed into a writable prefix", {QStringLiteral("share/quillory/skinh.she")}, true},
        {"a build folder: the skin beside the program", {QStringLiteral("bin/skinh.she")}, false},
        {"both: the build folder wins, as for the skin itself",
         {QStringLiteral("bin/skinh.she"), QStringLiteral("share/quillory/skinh.she")}, false},
        {"no skin anywhere", {}, false},
        {"another program's data folder", {QStringLiteral("share/other/skinh.she")}, false},
    };
    for (const Case &c : cases) {
        QTemporaryDir prefix;
        QDir(prefix.path()).mkpath(QStringLiteral("bin"));
        for (const QString &f : c.files)
            touch(prefix.filePath(f));
        platform::setProgramFolder(prefix.filePath(QStringLiteral("bin")));
        EXPECT_TRUE(platform::programFolderWritable()) << c.what;
        EXPECT_EQ(platform::runsInstalled(), c.installed) << c.what;
        EXPECT_EQ(platform::usesUserFolders(), c.installed) << c.what;
    }
    // A build folder that cannot be written falls back to the user's folders.
    platform::setProgramFolder(QStringLiteral("/proc/quillory-no-such-folder"));
    EXPECT_FALSE(platform::runsInstalled());
    EXPECT_TRUE(platform::usesUserFolders());
    platform::setProgramFolder(QString());
}

// Without a file manager service the desktop's opener gets a folder: the saved song's
// folder for a single song, the folder itself (not its parent) after a queue.
class Opener : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl &url) { opened.append(url.toLocalFile()); }

public:
    QStringList opened;
};

TEST(Reveal, WithoutAFileManagerTheOpenerGetsTheRightFolder)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillory-test-bus");
    QTemporaryDir dir;
    const QString music = dir.filePath(QStringLiteral("Music"));
    Opener opener;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
    platform::showFolder(music);
    platform::revealFile(music + QStringLiteral("/后来 - 林小雨.mp3"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(opener.opened, (QStringList{music, music}));
}

} // namespace

#include "platform_test.moc"
