#include "download/batchdownload.h"

#include "download/downloadmath.h"
#include "download/fileattributes.h"
#include "download/partlock.h"
#include "download/songtags.h"
#include "download/stagetext.h"
#include "net/pagefetch.h"
#include "platform/exit.h"
#include "song/songlookup.h"
#include "works/singerpage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

// Deletes a reply that may still be emitting: later, from the event loop.
struct LaterDeleter {
    void operator()(QObject *object) const
    {
        object->disconnect();
        object->deleteLater();
    }
};
template<typename T>
using Later = std::unique_ptr<T, LaterDeleter>;

const QString kNoAudio = QStringLiteral("请先进行解析..");

std::chrono::milliseconds g_retryPause{1000};

} // namespace

// One work of the round: where it stands and what it holds while it is under way.
struct BatchDownload::Work {
    enum class Phase { Queued, Resolving, Reading, Named, Checking, Transferring, Done };
    int index = 0;
    Phase phase = Phase::Queued;
    Later<net::FetchJob> fetch;
    Later<QNetworkReply> head;
    Later<QTimer> headIdle;
    Later<download::Transfer> transfer;
    QString shareAddress;
    LookupSlots pieces;
    SongRecord song;
    SongPanel panel;
    QString songName;
    QString path;
    std::optional<net::PictureBytes> avatar; // once asked for (tagging only)
    QString host;                // of its request: waiting for a free slot there, or holding one
    bool holdsHost = false;
    std::function<void()> send;  // its request, while it waits for its host
    Later<QTimer> wait;          // counts a busy server's wait down
    int waitLeft = 0;            // seconds
    std::chrono::seconds waited{0}; // all waits of this try
};

BatchDownload::BatchDownload(QObject *parent)
    : QObject(parent)
    , m_pause(new QTimer(this))
{
    m_pause->setSingleShot(true);
}

BatchDownload::~BatchDownload()
{
    stop();
}

void BatchDownload::setJobs(int jobs)
{
    m_jobs = std::clamp(jobs, 1, kMaxJobs);
}

QString BatchDownload::workText(int position, int count)
{
    return QStringLiteral("正在下载第 %1/%2 首 ..").arg(position).arg(count);
}

QString BatchDownload::serverBusyText(int seconds)
{
    return QStringLiteral("服务器繁忙,%1 秒后重试..").arg(seconds);
}

QString BatchDownload::serverWaitTooLongText(int seconds)
{
    return QStringLiteral("服务器繁忙,需等待 %1 秒,已放弃..").arg(seconds);
}

void BatchDownload::setRetryPause(std::chrono::milliseconds base)
{
    g_retryPause = base;
}

std::chrono::milliseconds BatchDownload::retryPause(int attempt)
{
    const qint64 pause = g_retryPause.count() << std::clamp(attempt - 1, 0, 6);
    return std::chrono::milliseconds(pause + qint64(QRandomGenerator::global()->bounded(double(pause) / 2)));
}

QString BatchDownload::summaryText(const Tally &tally)
{
    return QStringLiteral("批量下载完成: 保存 %1 首, 跳过 %2 首, 失败 %3 首")
        .arg(tally.saved)
        .arg(tally.skipped)
        .arg(tally.failed);
}

void BatchDownload::stop()
{
    if (!m_running || m_ended)
        return;
    m_ended = true;
    // Every work under way ends here; a transfer's part goes with it.
    for (const auto &work : m_round) {
        if (work->phase == Work::Phase::Done || work->phase == Work::Phase::Queued)
            continue;
        work->fetch.reset();
        work->head.reset();
        work->headIdle.reset();
        work->wait.reset();
        work->send = nullptr;
        if (work->transfer)
            work->transfer->abandon();
        end(*work, WorkState::Kind::Dropped);
    }
    for (size_t i = m_nextToStart; i < m_round.size(); ++i)
        setState(m_round[i]->index, WorkState{WorkState::Kind::Dropped, 0, {}});
    for (const int index : std::as_const(m_again))
        setState(index, WorkState{WorkState::Kind::Dropped, 0, {}});
    // The parts kept for a second try go too: a stopped queue leaves nothing behind.
    for (const QString &part : std::as_const(m_parts))
        download::removeFreePart(part);
    m_parts.clear();
    m_hostWaiting.clear();
    m_hostRequests.clear();
    // Also between the rounds: the run ends now, not when the pause would have.
    m_pause->stop();
    if (m_loop)
        m_loop->quit();
}

BatchDownload::Tally BatchDownload::run(const QList<QueuedWork> &works, const QString &folder)
{
    if (m_running)
        return Tally{};
    m_running = true;
    m_ended = false;
    m_folder = folder;
    m_works = works;
    m_paths.clear();
    m_parts.clear();
    m_taken.clear();
    m_avatars.clear();
    m_again.clear();
    m_failed.clear();
    m_tally = Tally{};
    m_percent = QList<int>(works.size(), 0);
    for (int i = 0; i < works.size(); ++i)
        setState(i, WorkState{});

    const QPointer<BatchDownload> self(this);
    QEventLoop loop;
    m_loop = &loop;
    QList<int> order;
    for (int i = 0; i < works.size(); ++i)
        order.append(i);
    m_roundNumber = 0;
    startRound(order);
    // An event loop refuses to run once the application is quitting: that ends the queue.
    while (self && !m_roundsOver && !m_ended && !platform::programEnding()) {
        if (loop.exec() != 0)
            break;
        if (QCoreApplication::closingDown())
            break;
    }
    if (!self)
        return Tally{};
    m_loop = nullptr;
    if (!m_roundsOver)
        stop();
    m_round.clear();
    Tally tally = m_tally;
    tally.stopped = m_ended || platform::programEnding();
    m_running = false;
    return tally;
}

void BatchDownload::startRound(const QList<int> &order)
{
    m_round.clear();
    for (const int index : order) {
        auto work = std::make_unique<Work>();
        work->index = index;
        m_round.push_back(std::move(work));
    }
    m_nextToStart = 0;
    m_nextToName = 0;
    m_inFlight = 0;
    m_roundsOver = false;
    fill();
}

// Starts works in list order until jobs() are under way; ends the round, or the run, when
// nothing is left.
void BatchDownload::fill()
{
    if (m_filling)
        return;
    m_filling = true;
    while (!m_ended && m_inFlight < m_jobs && m_nextToStart < m_round.size())
        begin(*m_round[m_nextToStart++]);
    m_filling = false;
    if (m_inFlight > 0 || (m_nextToStart < m_round.size() && !m_ended))
        return;
    if (!m_ended && m_roundNumber == 0 && !m_again.isEmpty()) {
        // Once more for the works that failed, in list order.
        m_roundNumber = 1;
        QList<int> again = m_again;
        std::sort(again.begin(), again.end());
        m_again.clear();
        m_pause->disconnect(this);
        connect(m_pause, &QTimer::timeout, this, [this, again] { startRound(again); });
        m_pause->start(retryPause(m_roundNumber));
        return;
    }
    m_roundsOver = true;
    if (m_loop)
        m_loop->quit();
}

void BatchDownload::begin(Work &work)
{
    ++m_inFlight;
    emit workStarted(work.index + 1, int(m_works.size()));
    setState(work.index, WorkState{WorkState::Kind::Running, 0, {}});
    // The resolve answer is the work's share-page address, as for a double click.
    work.phase = Work::Phase::Resolving;
    fetchPage(work, m_works[work.index].address, &BatchDownload::resolved);
}

// Fetches a page of the work (its resolve answer, its share page) once the page's host has
// a free slot; a busy server's wait is waited out and the page asked for again.
void BatchDownload::fetchPage(Work &work, const QString &address,
                              void (BatchDownload::*then)(Work &, const net::FetchResult &))
{
    whenHostFree(work, address, [this, &work, address, then] {
        work.fetch.reset(new net::FetchJob(net::pageRequest(address), net::kMaxPageBytes));
        connect(work.fetch.get(), &net::FetchJob::finished, this,
                [this, &work, address, then](const net::FetchResult &fetched) {
                    hostDone(work);
                    if (fetched.outcome == net::Outcome::Answered
                        && waitIfAsked(work, fetched.httpStatus, fetched.retryAfter,
                                       [this, &work, address, then] { fetchPage(work, address, then); })) {
                        work.fetch.reset();
                        return;
                    }
                    (this->*then)(work, fetched);
                });
    });
}

// A 429 or 503 that says when to come back: the work waits that long, counting down in its
// state, then sends its request again. True when the answer was such (the work waits, or
// failed for being asked to wait too long).
bool BatchDownload::waitIfAsked(Work &work, int httpStatus, const QByteArray &retryAfter,
                                const std::function<void()> &again)
{
    const std::optional<std::chrono::seconds> asked =
        net::retryAfter(httpStatus, retryAfter, QDateTime::currentDateTimeUtc());
    if (!asked)
        return false;
    if (*asked > kMaxServerWait - work.waited) {
        end(work, WorkState::Kind::Failed, serverWaitTooLongText(int(asked->count())));
        return true;
    }
    work.waited += *asked;
    work.waitLeft = int(asked->count());
    work.wait.reset(new QTimer);
    work.wait->setInterval(work.waitLeft > 0 ? 1000 : 0);
    work.wait->setTimerType(Qt::PreciseTimer); // never sooner than asked
    connect(work.wait.get(), &QTimer::timeout, this, [this, &work, again] {
        if (--work.waitLeft > 0) {
            setState(work.index, WorkState{WorkState::Kind::ServerBusy, 0, {}, work.waitLeft});
            return;
        }
        const std::function<void()> next = again;
        work.wait.reset();
        setState(work.index, WorkState{WorkState::Kind::Running, 0, {}});
        next();
    });
    setState(work.index, WorkState{WorkState::Kind::ServerBusy, 0, {}, work.waitLeft});
    work.wait->start();
    return true;
}

// Sends the work's next request once fewer than jobs() of the queue's requests are under
// way at its host; the others wait in turn.
void BatchDownload::whenHostFree(Work &work, const QString &address, std::function<void()> send)
{
    work.host = QUrl(address).host().toLower();
    work.send = std::move(send);
    m_hostWaiting[work.host].append(&work);
    sendWaiting(work.host);
}

void BatchDownload::sendWaiting(const QString &host)
{
    // Looked up again each time: a request sent may end at once and start others.
    for (auto waiting = m_hostWaiting.find(host);
         !m_ended && waiting != m_hostWaiting.end() && !waiting->isEmpty() && m_hostRequests.value(host) < m_jobs;
         waiting = m_hostWaiting.find(host)) {
        Work *work = waiting->takeFirst();
        ++m_hostRequests[host];
        work->holdsHost = true;
        const std::function<void()> send = std::exchange(work->send, nullptr);
        send();
    }
}

// The work's request is over: its host's slot goes to the next work waiting for it.
void BatchDownload::hostDone(Work &work)
{
    if (!work.holdsHost)
        return;
    work.holdsHost = false;
    --m_hostRequests[work.host];
    sendWaiting(work.host);
}

void BatchDownload::resolved(Work &work, const net::FetchResult &fetched)
{
    work.fetch.reset();
    const works::PageAnswer answer = works::resolveAnswerOf(net::pageOf(fetched));
    if (answer.status != works::PageAnswer::Status::Found) {
        end(work, WorkState::Kind::Failed, answer.statusText);
        return;
    }
    if (const auto refusal = song::refusalOfShareAddress(answer.text)) {
        end(work, WorkState::Kind::Failed, *refusal);
        return;
    }
    work.shareAddress = answer.text;
    work.phase = Work::Phase::Reading;
    fetchPage(work, answer.text, &BatchDownload::pageRead);
}

void BatchDownload::pageRead(Work &work, const net::FetchResult &fetched)
{
    work.fetch.reset();
    // Slots of its own for every work: a page without an audio address fails instead of
    // saving the previous work's song under this one's name.
    const song::LookupResult looked = song::lookUpPage(net::pageOf(fetched), work.pieces, work.song);
    if (looked.status != song::LookupResult::Status::Found) {
        end(work, WorkState::Kind::Failed,
            looked.statusText.isEmpty() ? QStringLiteral("网页获取失败,请您稍后再试 ..") : looked.statusText);
        return;
    }
    if (work.song.strMusicUrl.isEmpty()) {
        end(work, WorkState::Kind::Failed, kNoAudio);
        return;
    }
    work.panel = looked.panel;
    work.songName = songNameOfCaption(looked.panel.label2);
    work.phase = Work::Phase::Named;
    emit workNamed(work.songName, work.song.strUserName);
    reserveInOrder();
}

// Names are given in list order: a work takes its name once every work before it has
// taken one or failed without, so that " (2)" falls where a one-at-a-time run puts it.
void BatchDownload::reserveInOrder()
{
    while (m_nextToName < m_nextToStart) {
        Work &work = *m_round[m_nextToName];
        if (work.phase == Work::Phase::Named) {
            work.path = reservePath(work.index, work.songName, work.song.strUserName, work.song.mediaKind);
            ++m_nextToName;
            checkPresent(work);
        } else if (work.phase == Work::Phase::Done && work.path.isEmpty()) {
            ++m_nextToName;
        } else {
            break;
        }
    }
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

// A file already there is asked about with HEAD: whole, it is skipped.
void BatchDownload::checkPresent(Work &work)
{
    const QFileInfo present(work.path);
    if (!present.exists() || present.size() == 0) {
        transfer(work);
        return;
    }
    work.phase = Work::Phase::Checking;
    whenHostFree(work, work.song.strMusicUrl, [this, &work] { askHead(work); });
}

void BatchDownload::askHead(Work &work)
{
    work.head.reset(net::networkManager().head(download::downloadRequest(work.song.strMusicUrl)));
    work.headIdle.reset(new QTimer);
    work.headIdle->setSingleShot(true);
    const auto answered = [this, &work] {
        hostDone(work);
        const bool whole = work.head && work.head->isFinished()
                           && [&] {
                                  const download::HeadAnswer head = download::headAnswerOf(*work.head);
                                  return download::holdsServedBody(work.path, head.size, head.validator);
                              }();
        work.head.reset();
        work.headIdle.reset();
        if (whole)
            end(work, WorkState::Kind::Skipped);
        else
            transfer(work);
    };
    connect(work.head.get(), &QNetworkReply::finished, this, answered);
    connect(work.headIdle.get(), &QTimer::timeout, this, answered);
    work.headIdle->start(net::fetchIdleTimeout());
}

void BatchDownload::transfer(Work &work)
{
    work.phase = Work::Phase::Transferring;
    if (m_tagging && !work.avatar) {
        // The singer's picture goes into the file: asked once a run for each address.
        const QString address = work.panel.avatarAddress;
        if (const auto known = m_avatars.constFind(address); known != m_avatars.cend()) {
            work.avatar = *known;
        } else {
            whenHostFree(work, address, [this, &work, address] {
                work.fetch.reset(new net::FetchJob(QNetworkRequest(QUrl(address)), net::kMaxPageBytes));
                connect(work.fetch.get(), &net::FetchJob::finished, this,
                        [this, &work, address](const net::FetchResult &fetched) {
                            work.fetch.reset();
                            hostDone(work);
                            const net::PictureBytes picture = net::pictureOf(fetched);
                            m_avatars.insert(address, picture);
                            work.avatar = picture;
                            transfer(work);
                        });
            });
            return;
        }
    }
    whenHostFree(work, work.song.strMusicUrl, [this, &work] { startTransfer(work); });
}

void BatchDownload::startTransfer(Work &work)
{
    QDir().mkpath(m_folder);
    download::SaveDetails details;
    details.referrer = work.shareAddress;
    if (m_tagging)
        details.tags = download::tagsOf(work.song, work.panel, work.avatar.value_or(net::PictureBytes{}), work.shareAddress);
    work.transfer.reset(new download::Transfer(work.song.strMusicUrl, work.path, details));
    work.transfer->setRateLimiter(m_limiter);
    m_parts.insert(download::partPath(work.path));
    const QString address = work.song.strMusicUrl;
    connect(work.transfer.get(), &download::Transfer::progressed, this, [this, &work, address](qint64 written, qint64 size) {
        setState(work.index, WorkState{WorkState::Kind::Running, download::progressPercent(written, size), {}});
        emit workProgressed(work.index, address, written, size);
    });
    connect(work.transfer.get(), &download::Transfer::finished, this, [this, &work](download::TransferResult result) {
        hostDone(work);
        if (result == download::TransferResult::RequestFailed
            && waitIfAsked(work, work.transfer->refusedStatus(), work.transfer->retryAfter(),
                           [this, &work] { transfer(work); }))
            return;
        if (result == download::TransferResult::Completed) {
            end(work, WorkState::Kind::Saved);
            return;
        }
        if (result == download::TransferResult::Busy)
            m_parts.remove(download::partPath(work.path)); // another saver's, never ours to remove
        const QString reason = result == download::TransferResult::RequestFailed
                                   ? download::stageText(8, result)
                                   : download::stageText(6, result);
        end(work, WorkState::Kind::Failed, reason);
    });
    work.transfer->start();
}

void BatchDownload::end(Work &work, WorkState::Kind kind, const QString &reason)
{
    if (work.phase == Work::Phase::Done)
        return;
    const bool wasNamed = work.phase >= Work::Phase::Named;
    work.phase = Work::Phase::Done;
    if (work.transfer)
        work.transfer.reset();
    work.wait.reset();
    hostDone(work);
    --m_inFlight;

    if (kind == WorkState::Kind::Saved || kind == WorkState::Kind::Skipped)
        m_parts.remove(download::partPath(work.path));
    if (m_ended) {
        // Stopped: no count, no part; the row says nothing any more.
        if (!work.path.isEmpty())
            download::removeFreePart(download::partPath(work.path));
        setState(work.index, WorkState{WorkState::Kind::Dropped, 0, {}});
    } else {
        switch (kind) {
        case WorkState::Kind::Saved:
            ++m_tally.saved;
            m_percent[work.index] = 100;
            setState(work.index, WorkState{kind, 100, {}});
            break;
        case WorkState::Kind::Skipped:
            ++m_tally.skipped;
            m_percent[work.index] = 100;
            setState(work.index, WorkState{kind, 100, {}});
            break;
        case WorkState::Kind::Failed:
            if (m_roundNumber == 0) {
                // Tried again at the end; a part it left is continued then.
                m_again.append(work.index);
                setState(work.index, WorkState{});
            } else {
                ++m_tally.failed;
                m_failed.append(work.index);
                if (!work.path.isEmpty())
                    download::removeFreePart(download::partPath(work.path));
                m_percent[work.index] = 100;
                setState(work.index, WorkState{kind, 0, reason});
            }
            break;
        case WorkState::Kind::Waiting:
        case WorkState::Kind::Running:
        case WorkState::Kind::ServerBusy:
        case WorkState::Kind::Dropped:
            break;
        }
        reportProgress();
    }
    if (!wasNamed)
        reserveInOrder();
    fill();
}

void BatchDownload::setState(int index, WorkState state)
{
    if (state.kind == WorkState::Kind::Running && index < m_percent.size()) {
        if (m_percent[index] == state.percent && state.percent != 0)
            return;
        m_percent[index] = state.percent;
        reportProgress();
    }
    emit workStateChanged(index, state);
}

void BatchDownload::reportProgress()
{
    if (m_percent.isEmpty())
        return;
    qint64 sum = 0;
    for (const int p : m_percent)
        sum += std::max(p, 0);
    const int percent = int(sum / m_percent.size());
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        emit progressed(percent);
    }
}
