#include "commands.h"

#include "download/batchdownload.h"
#include "download/cls_download.h"
#include "download/downloadmath.h"
#include "download/partlock.h"
#include "download/songtags.h"
#include "download/stagetext.h"
#include "interrupt.h"
#include "mv/mvpage.h"
#include "net/endpoints.h"
#include "net/pagefetch.h"
#include "output.h"
#include "platform/programfolder.h"
#include "progress.h"
#include "song/songlookup.h"
#include "update/version.h"
#include "works/singerpage.h"
#include "works/workrows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>

#include <unistd.h>

namespace {

const QString kPageFailed = QStringLiteral("网页获取失败,请您稍后再试 ..");
const QString kNoMedia = QStringLiteral("没有发现音乐文件..");
const QString kNoMv = QStringLiteral("没有发现视频文件..");
const QString kMvNotWritten = QStringLiteral("无法写入video.htm文件..");
const QString kNoWorks = QStringLiteral("当前歌手没有音乐作品或未开通唱吧会员无法获取");

void printOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void printOut(const QString &text)
{
    printOut(text.toUtf8());
}

void printError(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

Progress::Mode progressMode(const CliOptions &options)
{
    return Progress::modeFor(options.quiet, ::isatty(STDERR_FILENO) == 1);
}

// A found song, or the exit status of a lookup that found none.
struct Song {
    SongRecord record;
    SongPanel panel;
    int status = kDone;
    bool found() const { return status == kDone; }
};

Song lookUp(const QString &address)
{
    Song song;
    LookupSlots pieces;
    const song::LookupResult looked = song::lookUpSong(address, pieces, song.record);
    song.panel = looked.panel;
    switch (looked.status) {
    case song::LookupResult::Status::Found:
        return song;
    case song::LookupResult::Status::Refused:
        song.status = kBadUsage;
        printError(looked.statusText);
        return song;
    case song::LookupResult::Status::Failed:
    case song::LookupResult::Status::Empty:
        // An empty page is no song either: the window shows nothing, a script is told.
        printError(looked.statusText.isEmpty() ? kPageFailed : looked.statusText);
        break;
    case song::LookupResult::Status::Abandoned:
        break;
    }
    song.status = kServiceFailed;
    return song;
}

// The media address of the page itself, or nothing (said on the error stream).
std::optional<QString> mediaOf(const Song &song)
{
    if (song.record.mediaOfThisPage && !song.record.strMusicUrl.isEmpty())
        return song.record.strMusicUrl;
    printError(kNoMedia);
    return std::nullopt;
}

// Where -o puts a file of defaultName: into a folder that is there (or named with a
// trailing "/"), else at the path itself; without -o into defaultFolder.
QString targetPath(const QString &output, const QString &defaultFolder, const QString &defaultName)
{
    if (output.isEmpty())
        return QDir(defaultFolder).absoluteFilePath(defaultName);
    if (QFileInfo(output).isDir() || output.endsWith(QLatin1Char('/')))
        return QDir(output).absoluteFilePath(defaultName);
    return QFileInfo(output).absoluteFilePath();
}

// What a transfer that did not complete tells, as the window's status line does.
QString failureText(Cls_DownLoad::Result result)
{
    switch (result) {
    case Cls_DownLoad::Result::NotStarted:
        return download::stageText(7, result);
    case Cls_DownLoad::Result::RequestFailed:
        return download::stageText(8, result);
    default:
        return download::stageText(6, result);
    }
}

int runInfo(const CliOptions &options)
{
    const Song song = lookUp(options.address);
    if (!song.found())
        return song.status;
    const SongInfo info = songInfo(song.record, song.panel, options.address);
    if (options.json)
        printOut(infoJson(info));
    else
        printOut(infoText(info));
    return mediaOf(song) ? kDone : kServiceFailed;
}

int runGet(const CliOptions &options, Interrupts &interrupts)
{
    const Song song = lookUp(options.address);
    if (!song.found())
        return song.status;
    const std::optional<QString> media = mediaOf(song);
    if (!media)
        return kServiceFailed;

    const QString name = download::defaultFileName(songNameOfCaption(song.panel.label2), song.record.strUserName,
                                                   song.record.mediaKind);
    const QString path = targetPath(options.output, platform::userMusicFolder(), name);
    QDir().mkpath(QFileInfo(path).absolutePath());

    download::SaveDetails details;
    details.referrer = options.address;
    if (options.writeTags)
        details.tags = download::tagsOf(song.record, song.panel, net::fetchPicture(song.panel.avatarAddress), options.address);

    Cls_DownLoad transfer;
    if (options.limitRate > 0)
        transfer.setRateLimiter(std::make_shared<download::RateLimiter>(options.limitRate));
    interrupts.watch(&transfer);
    Progress progress(&transfer, progressMode(options));
    const qint64 written = transfer.DLFile(*media, path, 10000, details);
    if (interrupts.received())
        return kServiceFailed;
    const Cls_DownLoad::Result result = transfer.lastResult();
    if (result == Cls_DownLoad::Result::Completed && written > 0) {
        if (!options.quiet)
            printOut(QDir::toNativeSeparators(path) + QLatin1Char('\n'));
        return kDone;
    }
    // A broken-off transfer leaves nothing behind that looks like part of a song.
    download::removeFreePart(download::partPath(path));
    // The stage lines already told it.
    if (progress.mode() != Progress::Mode::Lines)
        printError(failureText(result));
    return kServiceFailed;
}

int runWorks(const CliOptions &options, Interrupts &interrupts)
{
    if (const auto refusal = works::refusalOfSingerAddress(options.address)) {
        printError(*refusal);
        return kBadUsage;
    }
    if (options.save && !options.output.isEmpty() && QFileInfo(options.output).exists()
        && !QFileInfo(options.output).isDir()) {
        printError(QStringLiteral("quillory-cli: %1 is not a folder").arg(options.output));
        return kBadUsage;
    }
    const works::PageAnswer page = works::fetchSingerPage(options.address);
    if (page.status == works::PageAnswer::Status::Abandoned)
        return kServiceFailed;
    if (page.status != works::PageAnswer::Status::Found) {
        printError(page.statusText);
        return kServiceFailed;
    }
    WorkSlots held;
    const qint16 count = countWorkMarkers(page.text);
    QList<WorkRow> rows = count > 0 ? buildWorkRows(page.text, count, held) : QList<WorkRow>();

    if (!options.pick.isEmpty()) {
        if (options.pick.last() > rows.size()) {
            printError(QStringLiteral("quillory-cli: there is no work %1: the list has %2")
                           .arg(options.pick.last())
                           .arg(rows.size()));
            return kBadUsage;
        }
        QList<WorkRow> picked;
        for (const int number : options.pick)
            picked.append(rows.at(number - 1));
        rows = picked;
    }
    if (options.json)
        printOut(worksJson(rows));
    else
        printOut(worksText(rows));
    if (rows.isEmpty()) {
        if (!options.quiet)
            printError(kNoWorks);
        return kDone;
    }
    if (!options.save)
        return kDone;

    QList<QueuedWork> queue;
    for (const WorkRow &row : rows)
        queue.append(QueuedWork{row.workId, row.title, row.address});
    const QString folder =
        QDir(options.output.isEmpty() ? platform::userMusicFolder() : options.output).absolutePath();
    // The interrupt ends the queue through the downloader, as the program's ending does.
    Cls_DownLoad transfer;
    interrupts.watch(&transfer);
    BatchDownload batch;
    batch.setJobs(options.jobs);
    batch.setTagging(options.writeTags);
    if (options.limitRate > 0)
        batch.setRateLimiter(std::make_shared<download::RateLimiter>(options.limitRate));
    QObject::connect(&transfer, &Cls_DownLoad::abandoned, &batch, &BatchDownload::abandon);
    Progress progress(&transfer, progressMode(options));
    progress.follow(&batch);
    const BatchDownload::Tally tally = batch.run(queue, folder);
    if (interrupts.received() || tally.stopped)
        return kServiceFailed;
    // The window's summary line; a quiet run tells it only when a work failed.
    const QString summary = BatchDownload::summaryText(tally);
    if (progress.mode() != Progress::Mode::Quiet)
        progress.note(summary);
    else if (tally.failed > 0)
        printError(summary);
    if (progress.mode() != Progress::Mode::Quiet && tally.saved + tally.skipped > 0)
        progress.note(QStringLiteral("已保存在：%1 文件夹中").arg(QDir::toNativeSeparators(folder)));
    return tally.failed > 0 ? kServiceFailed : kDone;
}

int runMv(const CliOptions &options)
{
    const Song song = lookUp(options.address);
    if (!song.found())
        return song.status;
    if (song.record.strMvUrl.isEmpty()) {
        printError(kNoMv);
        return kServiceFailed;
    }
    printOut(song.record.strMvUrl + QLatin1Char('\n'));
    if (options.output.isEmpty())
        return kDone;
    const QString path = targetPath(options.output, QString(), QStringLiteral("video.htm"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!mv::writePage(path, mv::pageLine(song.record.strMvUrl))) {
        printError(kMvNotWritten);
        return kServiceFailed;
    }
    return kDone;
}

// The window's check at start, on request only: anything but the current version ends
// the run with the window's message.
std::optional<int> checkVersion()
{
    const net::PageResult answer = net::GetBody(endpoints::versionFileAddress());
    if (answer.abandoned())
        return kServiceFailed;
    const QString text = answer.answered() ? answer.text : QString();
    switch (updateVerdict(text)) {
    case UpdateVerdict::Current:
        return std::nullopt;
    case UpdateVerdict::Failed:
        printError(QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"));
        return kServiceFailed;
    case UpdateVerdict::Newer: {
        // The window's news without its button: the forum's address instead of opening it.
        const QString news = newerVersionMessage(versionField(text)).section(QStringLiteral("\r\n"), 0, 0);
        printError(news + QStringLiteral("\n官方论坛: ") + endpoints::forumAddress());
        return kServiceFailed;
    }
    }
    return kServiceFailed;
}

} // namespace

int runCommand(const CliOptions &options, Interrupts &interrupts)
{
    if (options.checkVersion) {
        if (const std::optional<int> ended = checkVersion())
            return *ended;
    }
    switch (options.command) {
    case CliOptions::Command::Info:
        return runInfo(options);
    case CliOptions::Command::Get:
        return runGet(options, interrupts);
    case CliOptions::Command::Works:
        return runWorks(options, interrupts);
    case CliOptions::Command::Mv:
        return runMv(options);
    }
    return kBadUsage;
}
