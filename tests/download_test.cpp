#include "download/cls_download.h"
#include "download/downloadmath.h"
#include "download/fileattributes.h"
#include "download/partlock.h"
#include "download/stagetext.h"
#include "download/transfer.h"
#include "net/pagefetch.h"
#include "platform/exit.h"
#include "windowtest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <id3v2tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Result = Cls_DownLoad::Result;

const std::string kAudio = "http://qiniuuwmp3.changba.com/userdata/userwork/111/download-test.mp3";

struct Progress {
    qint64 done;
    qint64 size;
    qint64 speed;
    bool operator==(const Progress &) const = default;
};

void PrintTo(const Progress &p, std::ostream *os)
{
    *os << "{" << p.done << ", " << p.size << ", " << p.speed << "}";
}

std::string bytes(int count)
{
    std::string body(static_cast<size_t>(count), '\0');
    for (int i = 0; i < count; ++i)
        body[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
    return body;
}

void serve(const std::string &body, servicedouble::ScriptedResponse response = {})
{
    response.body = body;
    response.contentType = "audio/mpeg";
    service().script(kAudio, response);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Records, in order, everything a downloader reports: statuses as numbers, progress as
// -1 in the status list plus an entry in progress.
class Downloader : public ::testing::Test
{
protected:
    void SetUp() override
    {
        takeQtWarnings();
        service().reset();
        ASSERT_TRUE(dir.isValid());
        target = dir.filePath(QStringLiteral("song.mp3"));
        QObject::connect(&cdf, &Cls_DownLoad::entDLFileStatus, [this](int code) { events.push_back(code); });
        QObject::connect(&cdf, &Cls_DownLoad::entDLFileDowning,
                         [this](const QString &url, qint64 done, qint64 size, qint64 speed) {
                             EXPECT_EQ(url.toStdString(), kAudio);
                             events.push_back(-1);
                             progress.push_back({done, size, speed});
                         });
    }

    void TearDown() override { EXPECT_EQ(takeQtWarnings().join(QLatin1Char('\n')).toStdString(), ""); }

    qint64 download(const std::string &url = kAudio) { return cdf.DLFile(QString::fromStdString(url), target, 10000); }

    std::vector<qint64> totals() const
    {
        std::vector<qint64> t;
        for (const Progress &p : progress)
            t.push_back(p.done);
        return t;
    }

    QTemporaryDir dir;
    QString target;
    Cls_DownLoad cdf;
    std::vector<int> events;
    std::vector<Progress> progress;
};

} // namespace

// An answer without a byte is not a song: it is not reported as one, and no empty file
// is left behind looking like one.
TEST_F(Downloader, AnEmptyAnswerIsNoSongAndLeavesNoFile)
{
    serve("");
    EXPECT_EQ(download(), 0);
    EXPECT_EQ(events, (std::vector<int>{1, 2, 3, 4, 9, 6}));
    EXPECT_EQ(cdf.lastResult(), Result::Incomplete);
    EXPECT_FALSE(QFile::exists(target));
}

// A network that intercepts requests answers the song's address with its own web page.
TEST_F(Downloader, AWebPageInsteadOfTheSongIsAFailedRequest)
{
    for (const char *type : {"text/html; charset=utf-8", "TEXT/HTML", "application/xhtml+xml"}) {
        events.clear();
        servicedouble::ScriptedResponse page;
        page.body = "<html><body>请先登录</body></html>";
        page.contentType = type;
        service().script(kAudio, page);
        EXPECT_EQ(download(), 0) << type;
        EXPECT_EQ(events, (std::vector<int>{1, 2, 8, 6})) << type;
        EXPECT_EQ(cdf.lastResult(), Result::RequestFailed) << type;
        EXPECT_FALSE(QFile::exists(target)) << type;
    }
}

TEST_F(Downloader, OneChunkSendsTheRequestAsAReloadingClient)
{
    serve(bytes(512));
    EXPECT_EQ(download(), 512);
    EXPECT_EQ(events, (std::vector<int>{1, 2, 3, 4, -1, 9, 6}));
    EXPECT_EQ(totals(), (std::vector<qint64>{512}));
    EXPECT_EQ(progress[0].size, 512);
    EXPECT_EQ(contentOf(target).toStdString(), bytes(512));

    const auto requests = service().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].url, kAudio) << "sent through the proxy";
    EXPECT_EQ(requests[0].header("User-Agent"), "VB Http");
    EXPECT_EQ(requests[0].header("Cache-Control"), "no-cache");
    EXPECT_EQ(requests[0].header("Pragma"), "no-cache");
}

// A block is what the network delivered: one progress step each, however the bytes were cut
// on the wire, with the placeholder speed while less than half a second has passed.
TEST_F(Downloader, OneStepPerBlockWithThePlaceholderSpeedWithinTheFirstHalfSecond)
{
    cdf.setTimeOfDayClock([] { return 3600.2; });
    servicedouble::ScriptedResponse trickle;
    trickle.chunkSize = 100;
    serve(bytes(1025), trickle);
    EXPECT_EQ(download(), 1025);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), (Progress{1025, 1025, 1025}));
    for (size_t i = 0; i < progress.size(); ++i) {
        EXPECT_EQ(progress[i].speed, 1025);
        if (i > 0) {
            EXPECT_GT(progress[i].done, progress[i - 1].done);
        }
    }
    EXPECT_EQ(contentOf(target).toStdString(), bytes(1025));
}

TEST_F(Downloader, SpeedFollowsTheTimeOfDayAcrossMidnight)
{
    std::vector<double> times{86397.6, 86399.6, 0.3};
    size_t call = 0;
    cdf.setTimeOfDayClock([&] { return times[std::min(call++, times.size() - 1)]; });
    servicedouble::ScriptedResponse twoBlocks;
    twoBlocks.chunkSize = 512;
    twoBlocks.chunkDelayMs = 30;
    serve(bytes(1024), twoBlocks);
    download();
    // Start 86398 (rounded); 512 bytes in 2 s; then the clock is past midnight.
    EXPECT_EQ(progress, (std::vector<Progress>{{512, 1024, 256}, {1024, 1024, 1025}}));
}

TEST_F(Downloader, WithoutContentLengthTheSizeIsZero)
{
    servicedouble::ScriptedResponse chunked;
    chunked.noContentLength = true;
    chunked.chunkSize = 700;
    serve(bytes(2000), chunked);
    EXPECT_EQ(download(), 2000);
    ASSERT_FALSE(totals().empty());
    EXPECT_EQ(totals().back(), 2000);
    for (const Progress &p : progress)
        EXPECT_EQ(p.size, 0);
    EXPECT_EQ(cdf.lastResult(), Result::Completed);
}

TEST_F(Downloader, AStopDuringTheYieldWritesExactlyOneMoreChunk)
{
    servicedouble::ScriptedResponse trickle;
    trickle.chunkSize = 512;
    trickle.chunkDelayMs = 10;
    serve(bytes(8192), trickle);
    QObject::connect(&cdf, &Cls_DownLoad::entDLFileDowning, [this](const QString &, qint64 done, qint64, qint64) {
        if (done == 1024)
            QTimer::singleShot(0, &cdf, [this] { cdf.DLFileStop(); });
    });
    EXPECT_EQ(download(), 1536);
    EXPECT_EQ(events, (std::vector<int>{1, 2, 3, 4, -1, -1, -1, 5, 6}));
    EXPECT_EQ(cdf.lastResult(), Result::Stopped);
    EXPECT_FALSE(QFile::exists(target)) << "a stopped transfer never takes the song's name";
    EXPECT_EQ(contentOf(download::partPath(target)).toStdString(), bytes(1536)) << "the part stays";

    // The stop was used up: the next transfer runs to its end.
    serve(bytes(1024));
    progress.clear();
    EXPECT_EQ(download(), 1024);
    EXPECT_EQ(cdf.lastResult(), Result::Completed);
}

TEST_F(Downloader, AStopAskedForBetweenTransfersDoesNotCutTheNextOne)
{
    serve(bytes(2048));
    EXPECT_FALSE(cdf.DLFileStop());
    EXPECT_EQ(download(), 2048);
    EXPECT_EQ(totals().back(), 2048);
    EXPECT_EQ(events.back(), 6);
    EXPECT_EQ(events[events.size() - 2], 9);
}

TEST_F(Downloader, AnAddressThatCannotBeOpenedTouchesNoFile)
{
    EXPECT_EQ(cdf.DLFile(QStringLiteral("no address at all"), target, 10000), 0);
    EXPECT_EQ(events, (std::vector<int>{1, 2, 8, 6}));
    EXPECT_EQ(cdf.lastResult(), Result::RequestFailed);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(Downloader, ASilentServerEndsTheRequestAfterTheIdleLimit)
{
    const auto before = net::fetchIdleTimeout();
    net::setFetchIdleTimeout(std::chrono::milliseconds(300));
    servicedouble::ScriptedResponse silent;
    silent.delayMs = 3000;
    serve(bytes(512), silent);
    EXPECT_EQ(download(), 0);
    net::setFetchIdleTimeout(before);
    EXPECT_EQ(events, (std::vector<int>{1, 2, 8, 6}));
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(Downloader, AnErrorStatusIsAFailedRequestAndWritesNothing)
{
    for (int status : {404, 500}) {
        events.clear();
        servicedouble::ScriptedResponse error;
        error.status = status;
        serve("<html>not here</html>", error);
        EXPECT_EQ(download(), 0) << status;
        EXPECT_EQ(events, (std::vector<int>{1, 2, 8, 6})) << status;
        EXPECT_EQ(cdf.lastResult(), Result::RequestFailed);
        EXPECT_FALSE(QFile::exists(target)) << status;
    }
}

TEST_F(Downloader, ABodyCutShortKeepsOnlyItsPartAndSaysSo)
{
    servicedouble::ScriptedResponse cut;
    cut.cutAfter = 1000;
    serve(bytes(4096), cut);
    EXPECT_EQ(download(), 1000);
    EXPECT_EQ(events.back(), 6);
    EXPECT_EQ(events[events.size() - 2], 9);
    EXPECT_EQ(cdf.lastResult(), Result::Incomplete);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(contentOf(download::partPath(target)).toStdString(), bytes(1000));
}

// At most one saver writes a part, whoever it is: a second transfer of the same file finds
// the part held, sends nothing and touches nothing, and the first saves the whole song.
TEST_F(Downloader, ASecondSaverOfTheSameFileLeavesItToTheFirst)
{
    servicedouble::ScriptedResponse trickle;
    trickle.chunkSize = 1024;
    trickle.chunkDelayMs = 10;
    serve(bytes(8192), trickle);
    const QString part = download::partPath(target);
    download::Transfer first(QString::fromStdString(kAudio), target);
    first.start();
    ASSERT_TRUE(waitUntil([&] { return first.written() >= 2048; }));

    EXPECT_EQ(download(), 0);
    EXPECT_EQ(events, (std::vector<int>{1, 6}));
    EXPECT_EQ(cdf.lastResult(), Result::Busy);
    EXPECT_EQ(download::stageText(6, Result::Busy), QStringLiteral("该歌曲正在被另一个下载保存.."));
    EXPECT_EQ(service().requestCount(kAudio), 1) << "the second saver asked for nothing";
    download::removeFreePart(part);
    EXPECT_TRUE(QFile::exists(part)) << "a held part is never removed";

    ASSERT_TRUE(waitUntil([&] { return !first.isRunning(); }));
    EXPECT_EQ(first.result(), Result::Completed);
    EXPECT_EQ(contentOf(target).toStdString(), bytes(8192));
    EXPECT_FALSE(QFile::exists(part));

    // Once the first has let go, the part is anyone's.
    serve(bytes(700));
    EXPECT_EQ(download(), 700);
    EXPECT_EQ(cdf.lastResult(), Result::Completed);
}

TEST_F(Downloader, AnOlderLongerFileIsReplacedWhole)
{
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'x'));
    }
    serve(bytes(700));
    EXPECT_EQ(download(), 700);
    EXPECT_EQ(contentOf(target).toStdString(), bytes(700));
}

TEST_F(Downloader, ATargetThatCannotBeOpenedEndsTheTransferCleanly)
{
    serve(bytes(512));
    target = dir.filePath(QStringLiteral("no such folder/song.mp3"));
    EXPECT_EQ(download(), 0);
    EXPECT_EQ(events, (std::vector<int>{1, 2, 3, 4, 6}));
    EXPECT_EQ(cdf.lastResult(), Result::NotWritten);
    EXPECT_FALSE(cdf.isBusy());
}

TEST_F(Downloader, ASlowTrickleKeepsTheWindowsLiveAndTheProcessorIdle)
{
    servicedouble::ScriptedResponse trickle;
    trickle.chunkSize = 256;
    trickle.chunkDelayMs = 60;
    serve(bytes(3072), trickle);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);

    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    EXPECT_EQ(download(), 3072);
    const double cpu = cpuSeconds() - cpuBefore;
    const double seconds = wall.elapsed() / 1000.0;

    EXPECT_GE(seconds, 0.6);
    EXPECT_GE(ticks, 15) << "the event loop ran during the transfer";
    EXPECT_LT(cpu, seconds * 0.25) << "waiting for data must sleep, not spin";
}

TEST_F(Downloader, AbandoningEndsAWaitingTransferAtOnce)
{
    servicedouble::ScriptedResponse trickle;
    trickle.chunkSize = 512;
    trickle.chunkDelayMs = 200;
    serve(bytes(8192), trickle);
    QObject::connect(&cdf, &Cls_DownLoad::entDLFileDowning, [this](const QString &, qint64 done, qint64, qint64) {
        if (done == 512)
            QTimer::singleShot(20, &cdf, [this] { cdf.abandon(); });
    });
    QElapsedTimer wall;
    wall.start();
    EXPECT_EQ(download(), 512);
    EXPECT_LT(wall.elapsed(), 1500);
    EXPECT_EQ(cdf.lastResult(), Result::Incomplete);
    EXPECT_EQ(events.back(), 6);
    EXPECT_FALSE(QFile::exists(target)) << "the part saved so far is no song";
    EXPECT_FALSE(QFile::exists(download::partPath(target)));
}

// A stop asked for by the user keeps the part saved so far; only the program's ending,
// which nobody asked to keep anything, removes it.
TEST_F(Downloader, TheProgramsEndingCutsATransferShortAndRemovesItsPart)
{
    servicedouble::ScriptedResponse trickle;
    trickle.chunkSize = 512;
    trickle.chunkDelayMs = 200;
    serve(bytes(8192), trickle);
    platform::setEndProgramHandler({});
    QObject::connect(&cdf, &Cls_DownLoad::entDLFileDowning, [](const QString &, qint64 done, qint64, qint64) {
        if (done == 512)
            QTimer::singleShot(20, [] { platform::endProgram(); });
    });
    qint64 written = -1;
    QTimer::singleShot(0, [&] { written = download(); });
    const int status = QCoreApplication::exec();
    platform::clearEndProgramCount();
    platform::setEndProgramHandler({});

    EXPECT_EQ(status, 0);
    EXPECT_EQ(written, 512);
    EXPECT_EQ(cdf.lastResult(), Result::Incomplete);
    EXPECT_EQ(events.back(), 6);
    EXPECT_FALSE(QFile::exists(target));
}

// The size of a file on the server, asked without its body: a size only where the answer
// is the song and names one.
TEST_F(Downloader, TheAnnouncedSizeIsAskedWithAHeadRequest)
{
    const QString url = QString::fromStdString(kAudio);
    serve(bytes(2048));
    EXPECT_EQ(cdf.DLFileSize(url), 2048);
    ASSERT_EQ(service().requests().size(), 1u);
    EXPECT_EQ(service().requests()[0].method, "HEAD");
    EXPECT_EQ(service().requests()[0].header("User-Agent"), "VB Http");
    EXPECT_TRUE(events.empty()) << "no transfer stages";

    struct Case {
        const char *what;
        int status;
        const char *type;
        bool noLength;
    };
    const Case cases[] = {
        {"an error status", 404, "audio/mpeg", false},
        {"a web page", 200, "text/html; charset=utf-8", false},
        {"no length", 200, "audio/mpeg", true},
    };
    for (const Case &c : cases) {
        servicedouble::ScriptedResponse r;
        r.body = bytes(100);
        r.status = c.status;
        r.contentType = c.type;
        r.noContentLength = c.noLength;
        service().script(kAudio, r);
        EXPECT_EQ(cdf.DLFileSize(url), -1) << c.what;
    }
    EXPECT_FALSE(cdf.isBusy());
}

// A part left by a transfer cut short is continued only when the server still serves the
// same body: 206 with the same validator and size. Anything else starts over from zero.
TEST_F(Downloader, APartIsContinuedOnlyWhenTheServerServesTheSameBody)
{
    struct Row {
        const char *name;
        std::string secondTag; // the validator of the second answer
        bool wholeOnly;        // a server without ranges: 200 and the whole body
        qint64 resumedAt;
        std::string lastRange; // of the last request sent
    };
    const std::string body = bytes(40000);
    for (const Row &row : {Row{"SameBody", "\"v1\"", false, 20000, "bytes=20000-"},
                           Row{"ChangedBody", "\"v2\"", false, 0, ""},
                           Row{"WholeBodyServed", "\"v1\"", true, 0, "bytes=20000-"}}) {
        QFile::remove(download::partPath(target));
        servicedouble::ScriptedResponse cut;
        cut.headers = {{"ETag", "\"v1\""}};
        cut.cutAfter = 20000;
        serve(body, cut);
        EXPECT_EQ(download(), 20000) << row.name;
        ASSERT_EQ(QFileInfo(download::partPath(target)).size(), 20000) << row.name;

        servicedouble::ScriptedResponse again;
        again.headers = {{"ETag", row.secondTag}};
        again.wholeOnly = row.wholeOnly;
        serve(body, again);
        progress.clear();
        EXPECT_EQ(download(), 40000) << row.name;
        EXPECT_EQ(cdf.lastResult(), Result::Completed) << row.name;
        EXPECT_EQ(cdf.lastResumedAt(), row.resumedAt) << row.name;
        EXPECT_EQ(contentOf(target).toStdString(), body) << row.name;
        EXPECT_FALSE(QFile::exists(download::partPath(target))) << row.name;
        EXPECT_EQ(service().requests().back().header("Range"), row.lastRange) << row.name;
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.front().done > row.resumedAt, true) << "the bar starts at the resumed share";
    }
}

// A full disk mid-transfer: nothing is kept, neither the song's name nor a part, and the
// downloader says the file could not be written. Needs a small tmpfs, so root.
TEST_F(Downloader, AFullDiskKeepsNoPartAndSaysTheFileCouldNotBeWritten)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString small = dir.filePath(QStringLiteral("small"));
    QDir().mkpath(small);
    if (::mount("quillory-test", QFile::encodeName(small).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs could be mounted here";
    const auto unmount = qScopeGuard([&] { ::umount(QFile::encodeName(small).constData()); });
    target = small + QStringLiteral("/song.mp3");
    serve(bytes(300000));
    download();
    EXPECT_EQ(cdf.lastResult(), Result::NotWritten);
    EXPECT_EQ(events.back(), 6);
    EXPECT_EQ(QDir(small).entryList(QDir::Files), QStringList());
}

// A tagged MP3 is written once: the song's tag ahead, then the served body without its own
// ID3v2 tag and its ID3v1 tail, byte for byte. A part cut short continues after the body's
// last byte in it; one cut inside its tag starts over. A body that is no MP3 stays as served.
TEST_F(Downloader, ATaggedMp3IsTheSongsTagAheadOfTheServedAudio)
{
    struct Row {
        const char *name, *sample;
        long long cutAfter;   // the first answer's bytes (-1: no first try)
        qint64 partShortBy;   // bytes taken off the part's end after the cut
        bool continued;
    };
    const download::SaveDetails details{download::SongTags{"后来", "林小雨", "一首歌", {}, {}, "http://e.example/s/1"}, {}};
    for (const Row &row : {Row{"served ID3v2 and ID3v1", "audio/1043562829.mp3", -1, 0, false},
                           Row{"frames from the first byte", "audio/1052460001.mp3", -1, 0, false},
                           Row{"cut in the body, continued", "audio/1050001234.mp3", 9000, 0, true},
                           Row{"cut in the tag, started over", "audio/1050001234.mp3", 9000, 9000, false},
                           Row{"no audio: as served", nullptr, -1, 0, false}}) {
        SCOPED_TRACE(row.name);
        QFile::remove(target);
        const QByteArray served = row.sample ? contentOf(QStringLiteral(QUILLORY_DOUBLE_DATA "/") + QLatin1String(row.sample))
                                             : QByteArray::fromStdString(bytes(30000));
        servicedouble::ScriptedResponse answer;
        answer.headers = {{"ETag", "\"v1\""}};
        if (row.cutAfter >= 0) {
            servicedouble::ScriptedResponse cut = answer;
            cut.cutAfter = row.cutAfter;
            serve(served.toStdString(), cut);
            cdf.DLFile(QString::fromStdString(kAudio), target, 10000, details);
            QFile part(download::partPath(target));
            ASSERT_TRUE(part.resize(part.size() - row.partShortBy));
        }
        serve(served.toStdString(), answer);
        EXPECT_EQ(cdf.DLFile(QString::fromStdString(kAudio), target, 10000, details), served.size());
        EXPECT_EQ(cdf.lastResult(), Result::Completed);
        EXPECT_EQ(cdf.lastResumedAt() > 0, row.continued);
        EXPECT_EQ(service().requests().back().header("Range").empty(), !row.continued);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"song.mp3"});

        const QByteArray saved = contentOf(target);
        const std::optional<download::ServedRecord> record = download::servedRecord(target);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->fileSize, saved.size());
        if (!row.sample) {
            EXPECT_EQ(saved, served);
            continue;
        }
        // What TagLib tells of the served file: its own tags' extent.
        QTemporaryDir samples;
        QFile copy(samples.filePath(QStringLiteral("served.mp3")));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(served) == served.size());
        copy.close();
        TagLib::MPEG::File before(QFile::encodeName(copy.fileName()).constData());
        const qsizetype from = before.hasID3v2Tag() ? before.ID3v2Tag()->header()->completeTagSize() : 0;
        const QByteArray audio = served.mid(from, served.size() - from - (before.hasID3v1Tag() ? 128 : 0));

        TagLib::MPEG::File file(QFile::encodeName(target).constData());
        ASSERT_TRUE(file.isValid() && file.hasID3v2Tag());
        EXPECT_FALSE(file.hasID3v1Tag());
        TagLib::ID3v2::Tag *tag = file.ID3v2Tag();
        EXPECT_EQ(tag->header()->majorVersion(), 4u);
        EXPECT_EQ(QString::fromStdString(tag->title().to8Bit(true)), QStringLiteral("后来"));
        EXPECT_EQ(QString::fromStdString(tag->artist().to8Bit(true)), QStringLiteral("林小雨"));
        EXPECT_EQ(tag->frameList("WOAS").size(), 1u);
        EXPECT_TRUE(saved.mid(tag->header()->completeTagSize()) == audio) << "the audio after the tag is the served audio";
    }
}
