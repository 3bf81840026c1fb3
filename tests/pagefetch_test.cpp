#include "net/pagefetch.h"
#include "app/loadpicture.h"
#include "windowtest.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const std::string kPage = "http://changba.com/s/fetch-test";

class PageFetch : public WindowTest
{
protected:
    void TearDown() override
    {
        net::setFetchIdleTimeout(std::chrono::milliseconds(30000));
        WindowTest::TearDown();
    }
};

QByteArray pngBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(176, 18, 43));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

TEST_F(PageFetch, SendsAnUpperCaseGetThatNoCacheAnswers)
{
    servePage(kPage, QStringLiteral("<html>ok</html>"));
    EXPECT_EQ(net::GetBody(QString::fromStdString(kPage)).text, QStringLiteral("<html>ok</html>"));
    EXPECT_EQ(net::GetBody(QString::fromStdString(kPage)).text, QStringLiteral("<html>ok</html>"));

    const auto requests = service().requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto &request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.url, kPage);
        EXPECT_EQ(request.header("If-Modified-Since"), "0");
        EXPECT_TRUE(request.header("Content-Length").empty() || request.header("Content-Length") == "0");
    }
}

TEST_F(PageFetch, ReturnsTheBodyWhateverTheStatus)
{
    servePage(kPage, QStringLiteral("<h1>没有这个页面</h1>"), 404);
    const net::PageResult missing = net::GetBody(QString::fromStdString(kPage));
    EXPECT_TRUE(missing.answered());
    EXPECT_EQ(missing.httpStatus, 404);
    EXPECT_EQ(missing.text, QStringLiteral("<h1>没有这个页面</h1>"));

    servePage(kPage, QString());
    const net::PageResult empty = net::GetBody(QString::fromStdString(kPage));
    EXPECT_TRUE(empty.answered()) << "an empty page is an answer, not a failure";
    EXPECT_EQ(empty.text, QString());
}

TEST_F(PageFetch, DecodesChineseInTheAnnouncedCharset)
{
    const QString text = QStringLiteral("<title>后来 - 林小雨唱吧</title>");
    servicedouble::ScriptedResponse response;
    response.body = QByteArray(QStringEncoder("GB18030").encode(text)).toStdString();
    response.contentType = "text/html; charset=GB18030";
    service().script(kPage, response);
    EXPECT_EQ(net::GetBody(QString::fromStdString(kPage)).text, text);
}

TEST_F(PageFetch, AConnectionDroppedMidBodyIsAFailure)
{
    servicedouble::ScriptedResponse response;
    response.body = std::string(4000, 'x');
    response.cutAfter = 100;
    service().script(kPage, response);
    const net::PageResult page = net::GetBody(QString::fromStdString(kPage));
    EXPECT_EQ(page.outcome, net::Outcome::Failed);
    EXPECT_EQ(page.text, QString());
}

TEST_F(PageFetch, ARefusedConnectionIsAFailure)
{
    const QByteArray proxy = qgetenv("http_proxy");
    qputenv("http_proxy", "http://127.0.0.1:1");
    const net::PageResult page = net::GetBody(QString::fromStdString(kPage));
    qputenv("http_proxy", proxy);
    EXPECT_EQ(page.outcome, net::Outcome::Failed);
}

TEST_F(PageFetch, ASilentServerTimesOutWhileTheWindowStaysLive)
{
    net::setFetchIdleTimeout(std::chrono::milliseconds(300));
    servicedouble::ScriptedResponse response;
    response.body = "late";
    response.delayMs = 3000;
    service().script(kPage, response);

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    const net::PageResult page = net::GetBody(QString::fromStdString(kPage));
    EXPECT_EQ(page.outcome, net::Outcome::Failed);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_GT(ticks, 3) << "events keep flowing during the wait";
}

TEST_F(PageFetch, PictureOverHttpIsDecodedWithoutWritingAFile)
{
    const std::string address = "http://aliimg.changba.com/cache/photo/fetch-test.png";
    servicedouble::ScriptedResponse response;
    response.body = pngBytes(30, 20).toStdString();
    response.contentType = "image/png";
    service().script(address, response);

    // A working folder and a temporary folder of this test's own: other programs that
    // run meanwhile (a test display's lock file, say) come and go in the shared ones.
    QTemporaryDir work;
    QTemporaryDir temp;
    const QString oldWork = QDir::currentPath();
    const QByteArray oldTemp = qgetenv("TMPDIR");
    QDir::setCurrent(work.path());
    qputenv("TMPDIR", temp.path().toLocal8Bit());

    const QStringList before = filesIn(QDir::currentPath()) + filesIn(QDir::tempPath());
    const QImage picture = LoadPicture(QString::fromStdString(address));
    EXPECT_EQ(picture.size(), QSize(30, 20));
    EXPECT_EQ(filesIn(QDir::currentPath()) + filesIn(QDir::tempPath()), before);
    EXPECT_EQ(QDir::tempPath(), temp.path());

    QDir::setCurrent(oldWork);
    if (oldTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTemp);
}

TEST_F(PageFetch, PictureThatCannotBeLoadedIsNull)
{
    EXPECT_TRUE(LoadPicture(QStringLiteral("http://aliimg.changba.com/no/such.png")).isNull());
    servePage("http://aliimg.changba.com/not-a-picture.png", QStringLiteral("<html>oops</html>"));
    EXPECT_TRUE(LoadPicture(QStringLiteral("http://aliimg.changba.com/not-a-picture.png")).isNull());
    EXPECT_TRUE(LoadPicture(QStringLiteral("/no/such/file.png")).isNull());
    EXPECT_TRUE(LoadPicture(QString()).isNull());
}
