#include "download/batchdownload.h"

#include "download/cls_download.h"
#include "download/downloadmath.h"
#include "platform/exit.h"
#include "song/songlookup.h"
#include "works/singerpage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

BatchDownload::BatchDownload(Cls_DownLoad *downloader, QObject *parent)
    : QObject(parent)
    , m_cdf(downloader)
{
    // However the program ends, a file left half written must not look like a song.
    connect(downloader, &Cls_DownLoad::abandoned, this, &BatchDownload::endQueue);
    connect(downloader, &QObject::destroyed, this, &BatchDownload::endQueue);
}

BatchDownload::~BatchDownload()
{
    removeUnfinished();
}

void BatchDownload::stop()
{
    if (!m_running)
        return;
    m_ended = true;
    if (m_cdf && m_cdf->isBusy())
        m_cdf->DLFileStop();
}

void BatchDownload::endQueue()
{
    if (!m_running)
        return;
    m_ended = true;
    removeUnfinished();
}

void BatchDownload::removeUnfinished()
{
    if (m_unfinished.isEmpty())
        return;
    // Only the part: a file already under the song's name is an earlier whole one.
    QFile::remove(download::partPath(m_unfinished));
    m_unfinished.clear();
}

QString BatchDownload::workText(int position, int count)
{
    return QStringLiteral("正在下载第 %1/%2 首 ..").arg(position).arg(count);
}

QString BatchDownload::summaryText(const Tally &tally)
{
    return QStringLiteral("批量下载完成: 保存 %1 首, 跳过 %2 首, 失败 %3 首")
        .arg(tally.saved)
        .arg(tally.skipped)
        .arg(tally.failed);
}

BatchDownload::Tally BatchDownload::run(const QList<QueuedWork> &works, const QString &folder)
{
    Tally tally;
    if (m_running || !m_cdf)
        return tally;
    m_running = true;
    m_ended = false;
    m_folder = folder;
    m_paths.clear();
    m_taken.clear();

    const QPointer<BatchDownload> self(this);
    const int count = int(works.size());
    QList<int> again;
    // The first round in list order, then once more for the works that failed.
    for (int round = 0; round < 2; ++round) {
        QList<int> order;
        if (round == 0) {
            for (int i = 0; i < count; ++i)
                order.append(i);
        } else {
            order = again;
            again.clear();
        }
        for (const int i : order) {
            // The program's ending stops the queue like a confirmed stop, without a word.
            if (m_ended || platform::programEnding())
                break;
            emit workStarted(i + 1, count);
            const Outcome outcome = save(i, works[i]);
            if (!self)
                return tally;
            switch (outcome) {
            case Outcome::Saved:
                ++tally.saved;
                break;
            case Outcome::Skipped:
                ++tally.skipped;
                break;
            case Outcome::Failed:
                if (round == 0)
                    again.append(i);
                else
                    ++tally.failed;
                break;
            case Outcome::Ended:
                break;
            }
        }
    }
    tally.stopped = m_ended || platform::programEnding();
    m_running = false;
    return tally;
}

// Where work index is saved: its default path, numbered when an earlier work of this
// run already has that name. A work keeps its file for its second try.
QString BatchDownload::reservePath(int index, const QString &song, const QString &singer, MediaKind kind)
{
    if (const auto known = m_paths.constFind(index); known != m_paths.cend())
        return *known;
    const QString first = download::defaultSavePath(m_folder, song, singer, kind);
    QString path = first;
    for (int n = 2; m_taken.contains(path); ++n)
        path = download::numberedPath(first, n);
    m_taken.insert(path);
    m_paths.insert(index, path);
    return path;
}

BatchDownload::Outcome BatchDownload::save(int index, const QueuedWork &work)
{
    const QPointer<BatchDownload> self(this);

    // The resolve answer is the work's share-page address, as for a double click.
    const works::PageAnswer answer = works::resolveWork(work.address);
    if (!self || answer.status == works::PageAnswer::Status::Abandoned || m_ended)
        return Outcome::Ended;
    if (answer.status != works::PageAnswer::Status::Found)
        return Outcome::Failed;

    // Slots of its own for every work: a page without an audio address fails instead of
    // saving the previous work's song under this one's name.
    LookupSlots pieces;
    SongRecord song;
    const song::LookupResult looked = song::lookUpSong(answer.text, pieces, song);
    if (!self || looked.status == song::LookupResult::Status::Abandoned || m_ended)
        return Outcome::Ended;
    if (looked.status != song::LookupResult::Status::Found || song.strMusicUrl.isEmpty())
        return Outcome::Failed;
    const SongPanel &panel = looked.panel;
    const QString songName = songNameOfCaption(panel.label2);
    emit workNamed(songName, song.strUserName);
    const QString path = reservePath(index, songName, song.strUserName, song.mediaKind);

    if (!m_cdf)
        return Outcome::Ended;
    const QFileInfo present(path);
    if (present.exists() && present.size() > 0) {
        const qint64 announced = m_cdf->DLFileSize(song.strMusicUrl);
        if (!self || m_ended || !m_cdf)
            return Outcome::Ended;
        if (announced == present.size())
            return Outcome::Skipped;
    }

    QDir().mkpath(m_folder);
    m_unfinished = path;
    const qint64 written = m_cdf->DLFile(song.strMusicUrl, path, 10000);
    if (!self)
        return Outcome::Ended;
    if (m_cdf && m_cdf->lastResult() == Cls_DownLoad::Result::Completed && written > 0) {
        m_unfinished.clear();
        return Outcome::Saved;
    }
    removeUnfinished();
    return m_ended ? Outcome::Ended : Outcome::Failed;
}
