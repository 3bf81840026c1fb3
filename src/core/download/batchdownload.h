#pragma once

#include "download/transfer.h"
#include "net/pagefetch.h"
#include "net/picture.h"
#include "song/mediakind.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QEventLoop;
class QNetworkReply;
class QTimer;

// One work of the list to save: what its row holds.
struct QueuedWork {
    QString workId;
    QString title;
    QString address; // the resolve address
};

// Saves a list of works, up to jobs() of them at once, each over its own connection.
// Each work is resolved and its share page read and cut as a double click does, but into
// a record and slots of its own, so the song the window shows is never touched. The audio
// goes to "<folder>/<song> - <singer>.mp3" (".mp4" for a video work); a second work of the
// same names gets " (2)" before the extension, a third " (3)", and so on. Names are given
// in list order, so the files are those a run of one work at a time would give.
//
// A file that is already there holding the body the server announces (asked with a HEAD
// request, only when the file exists; see download::holdsServedBody) is skipped. A work
// that fails at any step is tried once more after the others (a part it left is
// continued), then counted as failed and its part removed. A work whose part another
// saver is writing (the window's panel, a command line run) is such a failure: by its
// second try the other saver has usually finished it, and the file is skipped as whole.
// A stop removes every part the run wrote, those waiting for their second try included.
// Like a transfer, run() returns when the queue is over and keeps the windows live
// meanwhile.
//
// The queue is polite to the servers it asks: no more than jobs() of its requests (pages,
// resolves, HEADs, pictures, transfers) go to one host at a time; a server that answers
// 429 or 503 with a Retry-After is left alone that long (the work says so, counting down)
// and then asked again, unless it asks for more than kMaxServerWait in all, which fails
// the work; and the second try of the failed works comes after a pause with jitter
// (retryPause(), which grows with each try), so that a server in trouble is not asked
// again at once.
class BatchDownload : public QObject
{
    Q_OBJECT
public:
    struct Tally {
        int saved = 0;
        int skipped = 0;
        int failed = 0;
        bool stopped = false; // ended by stop() or abandon(), or by the program quitting
    };

    // Where a work of the run stands.
    struct WorkState {
        enum class Kind {
            Waiting, // queued, or queued again after a failure
            Running, // resolved, read or transferred now
            ServerBusy, // the server asked it to wait: `seconds` left
            Saved,
            Skipped, // already there whole
            Failed,
            Dropped, // the run was stopped before the work was done
        };
        Kind kind = Kind::Waiting;
        int percent = 0; // Running: the transfer's share done
        QString reason;  // Failed: the status text the window shows for that failure
        int seconds = 0; // ServerBusy: the seconds left before the request goes again
    };

    static constexpr int kDefaultJobs = 3;
    static constexpr int kMaxJobs = 8;
    // The longest a work waits for servers that asked it to (Retry-After), all waits together.
    static constexpr std::chrono::seconds kMaxServerWait{60};

    explicit BatchDownload(QObject *parent = nullptr);
    ~BatchDownload() override;

    // How many works are under way at once: 1 to kMaxJobs.
    void setJobs(int jobs);
    int jobs() const { return m_jobs; }
    // Whether saved songs get their names, picture and page written into them.
    void setTagging(bool on) { m_tagging = on; }
    // Transfers of the queue read no faster than the limiter allows, all of them together.
    void setRateLimiter(std::shared_ptr<download::RateLimiter> limiter) { m_limiter = std::move(limiter); }

    // The pause before the failed works are tried again: `base` before the first retry,
    // twice that before the next, and so on, each with up to half of it again at random.
    static void setRetryPause(std::chrono::milliseconds base);
    static std::chrono::milliseconds retryPause(int attempt);

    Tally run(const QList<QueuedWork> &works, const QString &folder);
    bool isRunning() const { return m_running; }

    // A stop the user confirmed: every transfer in flight ends and its part is removed; the
    // rest of the queue is dropped.
    void stop();
    // The program is going away: the same, at once.
    void abandon() { stop(); }

    // The works (indices into the last run's list) that failed in its last round.
    const QList<int> &failedWorks() const { return m_failed; }

    // "正在下载第 k/N 首 ..": work `position` of `count` is under way.
    static QString workText(int position, int count);
    // The line that sums a finished run up: saved, skipped and failed works.
    static QString summaryText(const Tally &tally);
    // "服务器繁忙,12 秒后重试..": a work waits because its server asked it to.
    static QString serverBusyText(int seconds);
    // Why a work failed whose server asked it to wait longer than kMaxServerWait.
    static QString serverWaitTooLongText(int seconds);

signals:
    // Work `position` (from 1) of `count` is starting, or starting again.
    void workStarted(int position, int count);
    // A work's share page was read: its song and singer names.
    void workNamed(const QString &song, const QString &singer);
    void workStateChanged(int index, const BatchDownload::WorkState &state);
    // A block of work `index`'s media was written.
    void workProgressed(int index, const QString &address, qint64 written, qint64 size);
    // The share of the whole run done, in percent.
    void progressed(int percent);

private:
    struct Work;
    void startRound(const QList<int> &order);
    void fill();
    void begin(Work &work);
    void fetchPage(Work &work, const QString &address, void (BatchDownload::*then)(Work &, const net::FetchResult &));
    bool waitIfAsked(Work &work, int httpStatus, const QByteArray &retryAfter, const std::function<void()> &again);
    void whenHostFree(Work &work, const QString &address, std::function<void()> send);
    void hostDone(Work &work);
    void sendWaiting(const QString &host);
    void resolved(Work &work, const net::FetchResult &fetched);
    void pageRead(Work &work, const net::FetchResult &fetched);
    void reserveInOrder();
    void checkPresent(Work &work);
    void askHead(Work &work);
    void transfer(Work &work);
    void startTransfer(Work &work);
    void end(Work &work, WorkState::Kind kind, const QString &reason = {});
    void setState(int index, WorkState state);
    void reportProgress();
    QString reservePath(int index, const QString &song, const QString &singer, MediaKind kind);

    int m_jobs = kDefaultJobs;
    bool m_tagging = true;
    QString m_folder;
    bool m_running = false;
    bool m_ended = false;
    QList<QueuedWork> m_works;
    std::vector<std::unique_ptr<Work>> m_round; // the works of the round, in order
    size_t m_nextToStart = 0;
    size_t m_nextToName = 0;
    int m_inFlight = 0;
    bool m_filling = false;
    bool m_roundsOver = false;
    int m_lastPercent = -1;
    QEventLoop *m_loop = nullptr;
    QTimer *m_pause = nullptr;          // before the second round
    std::shared_ptr<download::RateLimiter> m_limiter;
    QHash<QString, int> m_hostRequests;         // requests under way, by host
    QHash<QString, QList<Work *>> m_hostWaiting; // works whose request waits for its host
    QList<int> m_again;                 // failed in the first round
    QList<int> m_failed;                // failed in the last round
    QList<int> m_percent;               // each work's share done, for the run's progress
    Tally m_tally;
    int m_roundNumber = 0;
    QHash<int, QString> m_paths;        // each work's file, once its page was read
    QSet<QString> m_taken;              // the files given to works of this run
    QSet<QString> m_parts;              // the parts this run wrote that are not songs yet
    QHash<QString, net::PictureBytes> m_avatars; // the singers' pictures of this run
};
