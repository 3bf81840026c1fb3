#include "mv/mvpage.h"
#include "platform/messagebox.h"
#include "platform/programfolder.h"
#include "platform/shell.h"
#include "windowtest.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(MvPageLine, EmbedsThePlayerAddressInAScriptElement)
{
    EXPECT_EQ(mv::pageLine(QStringLiteral("http://player.youku.com/player.php?sid=XNTk2")),
              QStringLiteral("<div><script src=\"http://player.youku.com/player.php?sid=XNTk2\" "
                             "type=\"text/javascript\"></script></div>"));
}

TEST(MvPageLine, MarkupInTheAddressStaysInsideTheAttribute)
{
    EXPECT_EQ(mv::attributeText(QStringLiteral("a&b\"c<d>e")), QStringLiteral("a&amp;b&quot;c&lt;d&gt;e"));
    EXPECT_EQ(mv::attributeText(QStringLiteral("&amp;")), QStringLiteral("&amp;amp;"))
        << "an address that already holds a reference is kept literally";
    EXPECT_EQ(mv::attributeText(QStringLiteral("视频 'x' ?a=1")), QStringLiteral("视频 'x' ?a=1"));

    const QString line = mv::pageLine(QStringLiteral("http://player.youku.com/p\"><script>alert(1)</script>"));
    EXPECT_EQ(line.count(QLatin1String("<script")), 1);
    EXPECT_EQ(line.count(QLatin1Char('"')), 4);
}

TEST(MvPageFile, HoldsOneLineInUtf8AndIsReplacedByEachWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("video.htm"));
    ASSERT_TRUE(mv::writePage(path, QStringLiteral("<div>第一首 a much longer first line</div>")));
    ASSERT_TRUE(mv::writePage(path, QStringLiteral("<div>视频</div>")));
    EXPECT_EQ(fileBytes(path), QStringLiteral("<div>视频</div>\r\n").toUtf8());
}

TEST(MvPageFile, AFailedWriteReportsItAndKeepsNothingHalfWritten)
{
    QTemporaryDir dir;
    EXPECT_FALSE(mv::writePage(dir.filePath(QStringLiteral("missing/video.htm")), QStringLiteral("x")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("video.htm")));
    EXPECT_FALSE(mv::writePage(dir.filePath(QStringLiteral("video.htm")), QStringLiteral("x")))
        << "a folder in the file's place cannot be replaced";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

const std::string kMvShare = "http://changba.com/s/mv-test";

QString pageWithMv(const QString &playerTail)
{
    return QStringLiteral("<html><head><title>后来 - 林小雨唱吧</title></head><body>"
                          "<script src=\"http://player.youku.com/player%1\"></script>"
                          "<script>var a=\"http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3\";"
                          "</script></body></html>")
        .arg(playerTail);
}

class MvExport : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        platform::setProgramFolder(folder.path());
        window = startWindow();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        platform::setProgramFolder(QString());
    }

    QString pagePath() const { return folder.filePath(QStringLiteral("video.htm")); }

    // Clicks "获取MV", runs whileShown inside the modal MV window, then closes it.
    // Returns whether the MV window came up.
    bool exportMv(const std::function<void(QDialog *)> &whileShown = {})
    {
        bool shown = false;
        bool returnedEarly = false;
        bool clickReturned = false;
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            if (!waitUntil([&] { return clickReturned || QApplication::activeModalWidget() != nullptr; }, 2000)
                || clickReturned)
                return;
            auto *form2 = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            shown = form2 != nullptr;
            returnedEarly = clickReturned;
            if (form2 && whileShown)
                whileShown(form2);
            if (form2)
                form2->close();
        });
        QTest::mouseClick(control<QPushButton>("Command8"), Qt::LeftButton);
        clickReturned = true;
        EXPECT_TRUE(waitUntil([&] { return ran; }));
        EXPECT_FALSE(returnedEarly) << "the click returns only when the MV window is closed";
        return shown;
    }

    QTemporaryDir folder;
};

TEST_F(MvExport, ASongWithoutMvSaysSoAndWritesNothing)
{
    EXPECT_FALSE(exportMv());
    ASSERT_EQ(platform::messageBoxLog().size(), 1);
    EXPECT_EQ(platform::messageBoxLog().first().text, QStringLiteral("没有发现视频文件.."));
    EXPECT_EQ(platform::messageBoxLog().first().icon, platform::MessageIcon::Information);
    EXPECT_EQ(status(), QStringLiteral("没有发现视频文件.."));
    EXPECT_FALSE(QFile::exists(pagePath()));
}

TEST_F(MvExport, WritesThePageAndShowsItModallyWithFreshTextsEachTime)
{
    servePage(kMvShare, pageWithMv(QStringLiteral(".php?sid=first&amp;autoplay=true")));
    lookUp(QString::fromStdString(kMvShare));
    const QString first = QStringLiteral("http://player.youku.com/player.php?sid=first&autoplay=true");
    ASSERT_EQ(window->songRecord().strMvUrl, first);

    QDialog *seen = nullptr;
    ASSERT_TRUE(exportMv([&](QDialog *form2) {
        seen = form2;
        EXPECT_EQ(form2->objectName(), QStringLiteral("Form2"));
        EXPECT_EQ(form2->windowTitle(), QStringLiteral("获取MV"));
        EXPECT_TRUE(form2->isModal());
        EXPECT_EQ(form2->findChild<QLineEdit *>(QStringLiteral("Text1"))->text(), first);
        EXPECT_EQ(form2->findChild<QLineEdit *>(QStringLiteral("Text2"))->text(),
                  QStringLiteral("<div><script src=\"http://player.youku.com/player.php?sid=first&amp;autoplay=true\" "
                                 "type=\"text/javascript\"></script></div>"));
    }));
    EXPECT_EQ(fileBytes(pagePath()),
              QByteArray("<div><script src=\"http://player.youku.com/player.php?sid=first&amp;autoplay=true\" "
                         "type=\"text/javascript\"></script></div>\r\n"));

    servePage(kMvShare, pageWithMv(QStringLiteral(".php?sid=second")));
    lookUp(QString::fromStdString(kMvShare));
    ASSERT_TRUE(exportMv([&](QDialog *form2) {
        EXPECT_EQ(form2, seen) << "the MV window is made once and shown again";
        EXPECT_EQ(form2->findChild<QLineEdit *>(QStringLiteral("Text1"))->text(),
                  QStringLiteral("http://player.youku.com/player.php?sid=second"));
    }));
    EXPECT_EQ(fileBytes(pagePath()),
              QByteArray("<div><script src=\"http://player.youku.com/player.php?sid=second\" "
                         "type=\"text/javascript\"></script></div>\r\n"));
}

TEST_F(MvExport, PageTextCannotAddMarkupToTheExportedPage)
{
    servePage(kMvShare, pageWithMv(QStringLiteral(".php?sid=x&amp;t=<b>y</b>&amp;amp;")));
    lookUp(QString::fromStdString(kMvShare));
    ASSERT_EQ(window->songRecord().strMvUrl, QStringLiteral("http://player.youku.com/player.php?sid=x&t=<b>y</b>&amp;"));
    ASSERT_TRUE(exportMv());
    EXPECT_EQ(fileBytes(pagePath()),
              QByteArray("<div><script src=\"http://player.youku.com/player.php?sid=x&amp;t=&lt;b&gt;y&lt;/b&gt;&amp;amp;\" "
                         "type=\"text/javascript\"></script></div>\r\n"));
}

TEST_F(MvExport, EditingTheBoxesChangesNeitherFileNorRecordAndPlayOpensThePage)
{
    servePage(kMvShare, pageWithMv(QStringLiteral(".php?sid=edit")));
    lookUp(QString::fromStdString(kMvShare));
    ASSERT_TRUE(exportMv([&](QDialog *form2) {
        auto *text1 = form2->findChild<QLineEdit *>(QStringLiteral("Text1"));
        auto *text2 = form2->findChild<QLineEdit *>(QStringLiteral("Text2"));
        QTest::keyClicks(text1, QStringLiteral("changed"));
        QTest::keyClicks(text2, QStringLiteral("<b>changed</b>"));
        ASSERT_TRUE(QFile::remove(pagePath()));
        QTest::mouseClick(form2->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    }));
    EXPECT_EQ(window->songRecord().strMvUrl, QStringLiteral("http://player.youku.com/player.php?sid=edit"));
    ASSERT_EQ(platform::shellLog().size(), 1);
    EXPECT_EQ(platform::shellLog().first().url, QUrl::fromLocalFile(pagePath()))
        << "the deleted page is still handed to the desktop";

    ASSERT_TRUE(exportMv());
    EXPECT_EQ(fileBytes(pagePath()),
              QByteArray("<div><script src=\"http://player.youku.com/player.php?sid=edit\" "
                         "type=\"text/javascript\"></script></div>\r\n"));
}

TEST_F(MvExport, APageThatCannotBeWrittenIsReportedAndNothingIsShown)
{
    servePage(kMvShare, pageWithMv(QStringLiteral(".php?sid=ro")));
    lookUp(QString::fromStdString(kMvShare));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("video.htm")));

    EXPECT_FALSE(exportMv());
    ASSERT_EQ(platform::messageBoxLog().size(), 1);
    EXPECT_EQ(platform::messageBoxLog().first().text, QStringLiteral("无法写入video.htm文件.."));
    EXPECT_EQ(platform::messageBoxLog().first().icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(status(), QStringLiteral("无法写入video.htm文件.."));
    EXPECT_TRUE(window->findChildren<QDialog *>().isEmpty());
    EXPECT_EQ(window->songRecord().strMvUrl, QStringLiteral("http://player.youku.com/player.php?sid=ro"));
}

} // namespace

namespace {

// An installed program's folder is not writable: the page goes to the user's data folder,
// and the MV window's note says where.
TEST_F(MvExport, APageThatCannotGoNextToTheProgramGoesToTheUserDataFolder)
{
    QTemporaryDir home;
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    platform::setProgramFolder(folder.filePath(QStringLiteral("not-there")));

    servePage(kMvShare, pageWithMv(QStringLiteral(".php?sid=installed")));
    lookUp(QString::fromStdString(kMvShare));
    const QString page = home.filePath(QStringLiteral("quillory/video.htm"));
    ASSERT_TRUE(exportMv([&](QDialog *form2) {
        auto *note = form2->findChild<QLabel *>(QStringLiteral("Label3"));
        EXPECT_TRUE(note->toolTip().contains(home.filePath(QStringLiteral("quillory")))) << note->toolTip().toStdString();
        QTest::mouseClick(form2->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    }));
    EXPECT_EQ(fileBytes(page),
              QByteArray("<div><script src=\"http://player.youku.com/player.php?sid=installed\" "
                         "type=\"text/javascript\"></script></div>\r\n"));
    ASSERT_EQ(platform::shellLog().size(), 1);
    EXPECT_EQ(platform::shellLog().first().url, QUrl::fromLocalFile(page));

    if (oldDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldDataHome);
}

TEST_F(MvExport, ThePageGoesNextToAWritableProgramAndTheNoteSaysSo)
{
    servePage(kMvShare, pageWithMv(QStringLiteral(".php?sid=beside")));
    lookUp(QString::fromStdString(kMvShare));
    ASSERT_TRUE(exportMv([&](QDialog *form2) {
        EXPECT_EQ(form2->findChild<QLabel *>(QStringLiteral("Label3"))->text(),
                  QStringLiteral("已在当前文件夹下生成名为“video.htm”"));
    }));
    EXPECT_TRUE(QFile::exists(pagePath()));
}

// Installed into a prefix the user may write (cmake --install --prefix ~/.local): the page
// still goes to the user's data folder, never into the program's bin/.
TEST_F(MvExport, AnInstalledProgramInAWritablePrefixWritesIntoTheUserDataFolder)
{
    QTemporaryDir home;
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    QDir(folder.path()).mkpath(QStringLiteral("bin"));
    QDir(folder.path()).mkpath(QStringLiteral("share/quillory"));
    QFile skin(folder.filePath(QStringLiteral("share/quillory/skinh.she")));
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
    skin.close();
    platform::setProgramFolder(folder.filePath(QStringLiteral("bin")));

    servePage(kMvShare, pageWithMv(QStringLiteral(".php?sid=prefix")));
    lookUp(QString::fromStdString(kMvShare));
    ASSERT_TRUE(exportMv());
    EXPECT_TRUE(QFile::exists(home.filePath(QStringLiteral("data/quillory/video.htm"))));
    EXPECT_EQ(QDir(folder.filePath(QStringLiteral("bin"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList());

    if (oldDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldDataHome);
}

} // namespace
