// The command line front end run as its own process against the local service double,
// with no display and a home folder of the test's own.
#include "options.h"
#include "windowtest.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

namespace {

const QString kShare = QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"); // 后来 by 林小雨, with an MV
const std::string kAudio = "http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3";
const QString kSinger = QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20130816");
const QString kSongFile = QStringLiteral("后来 - 林小雨.mp3");

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

class Cli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        service().reset();
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral(".config")));
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Music")));
        QFile dirs(home.filePath(QStringLiteral(".config/user-dirs.dirs")));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_MUSIC_DIR=\"$HOME/Music\"\n");
    }

    QString music(const QString &name = QString()) const { return home.filePath(QStringLiteral("Music/") + name); }

    // Starts the program; with a terminal, its error stream is a pseudo-terminal's.
    void start(QProcess &process, const QStringList &arguments, int terminal = -1)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        const QString proxy = QString::fromStdString(service().proxyUrl());
        env.insert(QStringLiteral("http_proxy"), proxy);
        env.insert(QStringLiteral("https_proxy"), proxy);
        env.insert(QStringLiteral("no_proxy"), QString());
        process.setProcessEnvironment(env);
        if (terminal >= 0)
            process.setChildProcessModifier([terminal] { ::dup2(terminal, STDERR_FILENO); });
        process.start(QStringLiteral(QUILLORY_CLI), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    Outcome run(const QStringList &arguments)
    {
        QProcess process;
        start(process, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        const Outcome outcome{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                              QString::fromUtf8(process.readAllStandardOutput()),
                              QString::fromUtf8(process.readAllStandardError())};
        // Qt's warnings are calls made in the wrong state.
        EXPECT_FALSE(outcome.err.contains(QLatin1String("QObject::")) || outcome.err.contains(QLatin1String("QNetwork")))
            << outcome.err.toStdString();
        return outcome;
    }

    // What a terminal shows of a run, the bytes exactly as written.
    Outcome runOnTerminal(const QStringList &arguments)
    {
        int master = -1, slave = -1;
        termios raw = {};
        cfmakeraw(&raw);
        if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0)
            return {};
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        QProcess process;
        start(process, arguments, slave);
        ::close(slave);
        QByteArray shown;
        const auto drain = [&] {
            char buffer[4096];
            for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
                shown.append(buffer, got);
        };
        while (!process.waitForFinished(20))
            drain();
        drain();
        ::close(master);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(shown)};
    }

    // The sample song's audio as `bytes` bytes, in pieces when `pieceMs` is given.
    static std::string serveAudio(size_t bytes, int pieceBytes = 0, int pieceMs = 0)
    {
        servicedouble::ScriptedResponse audio;
        audio.body = std::string(bytes, 'a');
        for (size_t i = 0; i < bytes; ++i)
            audio.body[i] = char('a' + i % 23);
        audio.contentType = "audio/mpeg";
        audio.chunkSize = pieceBytes;
        audio.chunkDelayMs = pieceMs;
        service().script(kAudio, audio);
        return audio.body;
    }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    QTemporaryDir home;
};

TEST(CliPick, ReadsNumbersAndRanges)
{
    const struct {
        const char *text;
        std::optional<QList<int>> numbers;
    } rows[] = {
        {"3", QList<int>{3}},
        {"1,4-6", QList<int>{1, 4, 5, 6}},
        {"5-6,1,5", QList<int>{1, 5, 6}},
        {" 2 , 7-7 ", QList<int>{2, 7}},
        {"0", std::nullopt},
        {"4-2", std::nullopt},
        {"1,,2", std::nullopt},
        {"1-2-3", std::nullopt},
        {"x", std::nullopt},
        {"40000", std::nullopt},
    };
    for (const auto &row : rows)
        EXPECT_EQ(parsePickList(QString::fromLatin1(row.text)), row.numbers) << row.text;
}

// info and mv read a share page and print what it holds.
TEST(CliRate, ReadsRatesAsCurlAndWgetDo)
{
    const std::pair<const char *, std::optional<qint64>> rows[] = {
        {"100", 100}, {"200k", 204800}, {"2K", 2048}, {"1.5M", 1572864}, {"0.5m", 524288},
        {"0", std::nullopt}, {"-5k", std::nullopt}, {"k", std::nullopt}, {"1e3", std::nullopt}, {"5G", std::nullopt},
    };
    for (const auto &[text, rate] : rows)
        EXPECT_EQ(parseRate(QString::fromLatin1(text)), rate) << text;
}

TEST_F(Cli, InfoAndMvPrintWhatThePageHolds)
{
    const QString mvUrl = QStringLiteral("http://player.youku.com/player.php?sid=XNTk2MTIz&autoplay=true&isShowRelatedVideo=false");
    const QString secureVideo = QString::fromStdString(servicedouble::ServiceDouble::secureShareUrls().at(1));
    const QString page = home.filePath(QStringLiteral("pages/mv.htm"));
    const struct {
        QStringList arguments;
        QStringList lines;
    } rows[] = {
        {{"info", kShare},
         {"song: 后来", "singer: 林小雨", "plays: 12580", "fans: 3862", "media_kind: audio",
          "media_url: " + QString::fromStdString(kAudio), "work_id: 1043562829", "mv_url: " + mvUrl}},
        {{"mv", kShare}, {mvUrl}},
        {{"mv", kShare, "-o", page}, {mvUrl}},
    };
    for (const auto &row : rows) {
        const Outcome r = run(row.arguments);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        for (const QString &line : row.lines)
            EXPECT_TRUE(r.out.split(QLatin1Char('\n')).contains(line)) << line.toStdString() << "\n" << r.out.toStdString();
    }
    EXPECT_EQ(contents(page), QByteArray("<div><script src=\"http://player.youku.com/player.php?sid=XNTk2MTIz&amp;autoplay="
                                         "true&amp;isShowRelatedVideo=false\" type=\"text/javascript\"></script></div>\r\n"));

    // The secure video work, as JSON with its fixed keys.
    const Outcome json = run({"info", "--json", secureVideo});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(object.keys(), QStringList({"avatar_url", "comments", "description", "fans", "gifts", "media_kind", "media_url",
                                          "mv_url", "plays", "share_url", "shares", "singer", "song", "work_id"}));
    EXPECT_EQ(object.value("song").toString(), QStringLiteral("小情歌"));
    EXPECT_EQ(object.value("media_kind").toString(), QStringLiteral("video"));
    EXPECT_EQ(object.value("share_url").toString(), secureVideo);
}

TEST_F(Cli, GetSavesTheSongWhereTold)
{
    const QString folder = home.filePath(QStringLiteral("songs"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString secureVideo = QString::fromStdString(servicedouble::ServiceDouble::secureShareUrls().at(1));
    const struct {
        QStringList arguments;
        QString saved;
    } rows[] = {
        {{"get", kShare}, music(kSongFile)},
        {{"get", kShare, "-o", folder}, folder + "/" + kSongFile},
        {{"get", kShare, "-o", folder + "/新/歌.mp3"}, folder + "/新/歌.mp3"},
        {{"get", secureVideo}, music(QStringLiteral("小情歌 - 林小雨.mp4"))},
    };
    const std::string audio = serveAudio(70000);
    for (const auto &row : rows) {
        const Outcome r = run(row.arguments);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, row.saved + "\n");
        if (row.saved.endsWith(QLatin1String(".mp3"))) {
            EXPECT_EQ(contents(row.saved), QByteArray::fromStdString(audio));
        }
        EXPECT_GT(QFileInfo(row.saved).size(), 0) << row.saved.toStdString();
        EXPECT_FALSE(QFileInfo::exists(row.saved + ".part"));
    }
}

TEST_F(Cli, WorksListsAndSavesASingersWorks)
{
    const QString folder = home.filePath(QStringLiteral("queue"));
    const struct {
        QStringList arguments;
        QString out;
        QString errLine; // a line the error stream must hold
    } rows[] = {
        {{"works", kSinger}, "1\t1052460002\t小情歌\n2\t1052460001\t晴天\n3\t1043562829\t后来\n", ""},
        {{"works", "http://changba.com/member/personcenter/userPage.php?uid=20140001"}, "",
         "当前歌手没有音乐作品或未开通唱吧会员无法获取"},
        {{"works", kSinger, "--pick", "1,3", "--jobs", "1", "-o", folder}, "1\t1052460002\t小情歌\n3\t1043562829\t后来\n",
         "批量下载完成: 保存 2 首, 跳过 0 首, 失败 0 首"},
    };
    for (const auto &row : rows) {
        const Outcome r = run(row.arguments);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, row.out);
        if (!row.errLine.isEmpty()) {
            EXPECT_TRUE(r.err.split(QLatin1Char('\n')).contains(row.errLine)) << r.err.toStdString();
        }
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({kSongFile, QStringLiteral("小情歌 - 林小雨.mp4")}));

    const Outcome json = run({"works", "--json", kSinger});
    const QJsonArray array = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(array.size(), 3) << json.out.toStdString();
    EXPECT_EQ(array.at(2).toObject(),
              QJsonObject({{"number", 3}, {"work_id", "1043562829"}, {"title", "后来"},
                           {"resolve_url", "http://changba.com/member/personcenter/loadplayurl.php?wid=1043562829"}}));
}

TEST_F(Cli, ExitStatusTellsHowTheRunEnded)
{
    servePage("http://changba.com/s/Missing00000", QStringLiteral("<html>not here</html>"), 404);
    servePage("http://changba.com/s/NoAudio00000", QStringLiteral("<html><title>无声 - 某人唱吧</title></html>"));
    servicedouble::ScriptedResponse gone;
    gone.status = 404;
    service().script("http://changba.com/member/personcenter/loadplayurl.php?wid=1052460001", gone);
    servicedouble::ScriptedResponse newer;
    newer.body = "Solvane update\ncb:V3.3|2027-01-01\n";
    service().script("http://soft.solvane.com/version/main.txt", newer);
    servicedouble::ScriptedResponse busy; // once: the first row waits for it, and says so
    busy.status = 429;
    busy.times = 1;
    busy.headers = {{"Retry-After", "1"}};
    service().script(kAudio, busy);
    const struct {
        QStringList arguments;
        int exitCode;
        QString errLine;
    } rows[] = {
        {{"works", kSinger, "--pick", "3", "-o", home.filePath("busy")}, 0, "服务器繁忙,1 秒后重试.."},
        {{"info", "http://changba.com/s/Missing00000"}, 1, "网页获取失败,请您稍后再试 .."},
        {{"get", "http://changba.com/s/NoAudio00000"}, 1, "没有发现音乐文件.."},
        {{"works", kSinger, "--save", "-o", home.filePath("q")}, 1, "批量下载完成: 保存 2 首, 跳过 0 首, 失败 1 首"},
        {{"--check-version", "info", kShare}, 1, "发现最新版本![V3.3]"},
        {{"info", "http://example.com/s/Wc7nGGH3ZBbq"}, 2, "地址错误,请您检查 .."},
        {{"works", "http://changba.com/u/1"}, 2, "地址错误,请您检查 .."},
        {{"play", kShare}, 2, "quillory-cli: unknown command 'play'"},
        {{"get"}, 2, "quillory-cli: get needs an address"},
        {{"info", "--pick", "1", kShare}, 2, "quillory-cli: --save and --pick are for works"},
        {{"works", kSinger, "--pick", "4"}, 2, "quillory-cli: there is no work 4: the list has 3"},
        {{"works", kSinger, "--save", "--jobs", "9"}, 2, "quillory-cli: --jobs takes a number from 1 to 8, not '9'"},
        {{"--bogus", "info", kShare}, 2, "quillory-cli: Unknown option 'bogus'."},
        {{"get", kShare, "--limit-rate", "fast"}, 2, "quillory-cli: --limit-rate takes bytes a second like 200k or 1.5M, not 'fast'"},
        {{"works", kSinger, "--limit-rate", "200k"}, 2, "quillory-cli: --limit-rate is for get, and works with --save or --pick"},
    };
    for (const auto &row : rows) {
        const Outcome r = run(row.arguments);
        EXPECT_EQ(r.exitCode, row.exitCode) << row.arguments.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.split(QLatin1Char('\n')).contains(row.errLine)) << r.err.toStdString();
    }

    // Cut short: announced whole, broken off; nothing of it stays.
    servicedouble::ScriptedResponse cut;
    cut.body = std::string(50000, 'c');
    cut.contentType = "audio/mpeg";
    cut.cutAfter = 20000;
    service().script(kAudio, cut);
    const Outcome broken = run({"get", kShare});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.err.endsWith("抱歉!音乐下载未完成..\n")) << broken.err.toStdString();
    EXPECT_EQ(QDir(music()).entryList(QDir::Files), QStringList());

    const Outcome version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quillory-cli V3.2\n");
}

// A terminal gets one bar redrawn in place; a pipe a line per stage; --quiet nothing.
TEST_F(Cli, ProgressIsABarOnATerminalAndStageLinesElsewhere)
{
    serveAudio(96 * 1024, 8 * 1024, 40);
    const Outcome bar = runOnTerminal({"get", kShare});
    EXPECT_EQ(bar.exitCode, 0) << bar.err.toStdString();
    EXPECT_TRUE(bar.err.contains("\r100% [########################] 96.0 KiB/96.0 KiB")) << bar.err.toStdString();
    EXPECT_GE(bar.err.count(QLatin1Char('\r')), 2) << bar.err.toStdString();
    EXPECT_FALSE(bar.err.contains(QStringLiteral("正在下载音乐数据...")));

    const Outcome lines = run({"get", kShare});
    EXPECT_EQ(lines.err, QStringLiteral("正在连接服务器...\n正在发送请求...\n获取远程文件信息...\n正在下载音乐数据...\n"
                                        "正在连接服务器..\n音乐下载完成\n"));

    const Outcome quiet = run({"get", "--quiet", kShare});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out + quiet.err, QString());
}

// Ctrl+C (and SIGTERM) during a transfer: the run ends at once, with neither the song nor
// its part file left; the process never loaded anything of the desktop.
TEST_F(Cli, AnInterruptEndsTheTransferAndLeavesNoFile)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        serveAudio(1024 * 1024, 1024, 20);
        QProcess process;
        start(process, {"get", kShare});
        const QString part = music(kSongFile + ".part");
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(part).size() > 0; }, 30000)) << process.readAllStandardError().toStdString();

        QFile maps(QStringLiteral("/proc/%1/maps").arg(process.processId()));
        ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
        const QByteArray loaded = maps.readAll();
        for (const char *library : {"libQt6Gui", "libQt6Widgets", "libQt6DBus", "libX11", "libxcb", "libGL"})
            EXPECT_FALSE(loaded.contains(library)) << library;

        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 128 + signal);
        EXPECT_EQ(QDir(music()).entryList(QDir::Files), QStringList());
    }
}

// Two runs saving the same songs at once, as two terminals or a script would: no part is
// ever written by both. A second `get` finds the part held and says so; two queues of one
// singer into one folder save each song once, whole, and leave no part.
TEST_F(Cli, TwoRunsSavingTheSameSongsAtOnceNeverMixTheirBytes)
{
    const std::string body = serveAudio(400000, 4096, 10);
    for (const QStringList &tags : {QStringList{"--no-tags"}, QStringList{}}) {
        QFile::remove(music(kSongFile));
        QProcess first;
        start(first, QStringList{"get", kShare} + tags);
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(music(kSongFile + ".part")).size() > 0; }, 30000));
        const Outcome second = run(QStringList{"get", kShare} + tags);
        EXPECT_EQ(second.exitCode, 1);
        EXPECT_TRUE(second.err.contains(QStringLiteral("该歌曲正在被另一个下载保存.."))) << second.err.toStdString();
        ASSERT_TRUE(first.waitForFinished(60000));
        EXPECT_EQ(first.exitCode(), 0);
        EXPECT_EQ(contents(music(kSongFile)), QByteArray::fromStdString(body));
    }

    constexpr int kWorks = 6;
    constexpr size_t kBytes = 100000;
    service().setFarNetwork(0, 400000);
    const auto queue = [&](QProcess &process) {
        const auto singer = servicedouble::ServiceDouble::generatedSingerUrl(kWorks, kBytes);
        start(process, {"works", "--save", "--no-tags", QString::fromStdString(singer), "-o", music()});
    };
    QProcess one, two;
    queue(one);
    queue(two);
    int saved = 0;
    for (QProcess *process : {&one, &two}) {
        ASSERT_TRUE(process->waitForFinished(60000));
        const QString err = QString::fromUtf8(process->readAllStandardError());
        const QRegularExpressionMatch summary = QRegularExpression(QStringLiteral("保存 (\\d+) 首")).match(err);
        ASSERT_TRUE(summary.hasMatch()) << err.toStdString();
        saved += summary.captured(1).toInt();
    }
    service().setFarNetwork(0, 0);
    EXPECT_EQ(saved, kWorks) << "each song saved by one run only";
    for (int i = 1; i <= kWorks; ++i)
        EXPECT_EQ(contents(music(QStringLiteral("作品%1 - 批量歌手.mp3").arg(i))),
                  QByteArray::fromStdString(servicedouble::ServiceDouble::generatedAudio(i, kBytes)))
            << i;
    EXPECT_EQ(QDir(music()).entryList({QStringLiteral("*.part")}, QDir::Files), QStringList());
}

// A hard kill (power cut, SIGKILL, a crash) at any moment mid-transfer leaves no file under
// the song's name; the next run continues the part where it stopped.
TEST_F(Cli, AKilledTransferLeavesNoSongAndTheNextRunContinuesIt)
{
    std::string body = serveAudio(256 * 1024, 4096, 10);
    servicedouble::ScriptedResponse slow;
    slow.body = body;
    slow.contentType = "audio/mpeg";
    slow.chunkSize = 4096;
    slow.chunkDelayMs = 10;
    slow.headers = {{"ETag", "\"a1\""}};
    service().script(kAudio, slow);
    QProcess process;
    start(process, {"get", "--no-tags", kShare});
    const QString part = music(kSongFile + ".part");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(part).size() >= 64 * 1024; }, 30000));
    ::kill(pid_t(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_FALSE(QFile::exists(music(kSongFile))) << "no half song under the song's name";
    const qint64 kept = QFileInfo(part).size();

    slow.chunkDelayMs = 0;
    service().script(kAudio, slow);
    const Outcome again = run({"get", "--no-tags", kShare});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(contents(music(kSongFile)), QByteArray::fromStdString(body));
    EXPECT_EQ(service().requests().back().header("Range"), "bytes=" + std::to_string(kept) + "-");
}

// --limit-rate holds a run to its rate, one song or a queue's transfers together: the run
// takes as much longer than an unlimited one as its bytes take at the rate, within a tenth.
TEST_F(Cli, LimitRateKeepsARunToTheRate)
{
    using servicedouble::ServiceDouble;
    ServiceDouble::largeFileContent(); // made on first use: before anything is timed
    const QString out = home.filePath(QStringLiteral("rated"));
    const struct {
        std::string address;
        QString rate;
        double bytes;
    } rows[] = {
        {ServiceDouble::generatedShareUrl(1, 1000000), "400k", 1000000},
        {ServiceDouble::generatedShareUrl(2, 1300000), "0.5M", 1300000},
        {ServiceDouble::generatedSingerUrl(3, 450000), "500k", 1350000}, // three transfers share it
    };
    // From the first request for a song to the run's end: the pages before are no transfer.
    using Clock = std::chrono::steady_clock;
    std::atomic<Clock::rep> firstSong{0};
    service().setRequestObserver([&](const servicedouble::RecordedRequest &request) {
        Clock::rep none = 0;
        if (request.address.find("qiniuuwmp3") != std::string::npos)
            firstSong.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
    });
    for (const auto &row : rows) {
        double seconds[2] = {};
        for (const bool limited : {false, true}) {
            QDir(out).removeRecursively();
            firstSong = 0;
            const bool queue = row.address.find("userPage") != std::string::npos;
            QStringList arguments{queue ? "works" : "get", QString::fromStdString(row.address), "--no-tags", "-q", "-o", out + "/"};
            if (queue)
                arguments << "--save";
            if (limited)
                arguments << "--limit-rate" << row.rate;
            const Outcome r = run(arguments);
            seconds[limited] = std::chrono::duration<double>(Clock::now().time_since_epoch()
                                                             - Clock::duration(firstSong.load())).count();
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        }
        const double expected = row.bytes / double(*parseRate(row.rate));
        // Never faster than the rate; slower only by what the run costs without a limit (on a
        // loaded machine that cost overlaps the waits, so it is no fixed sum).
        EXPECT_GE(seconds[1], expected * 0.9) << row.rate.toStdString();
        EXPECT_LE(seconds[1], expected * 1.1 + seconds[0]) << row.rate.toStdString();
    }
    service().setRequestObserver({});
}

} // namespace
