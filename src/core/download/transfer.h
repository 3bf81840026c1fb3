#pragma once

#include "download/filetags.h"
#include "download/partlock.h"
#include "download/ratelimiter.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QNetworkReply;
class QNetworkRequest;
class QThread;
class QTimer;

namespace download {

// A request as the downloader sends it: its own agent, never from a cache, the bytes as
// they are stored.
QNetworkRequest downloadRequest(const QString &address);

// What identifies a body: its ETag, or its Last-Modified when it has none ("" when neither).
QByteArray validatorOf(const QNetworkReply &reply);

// The answer to a HEAD request: the size the server announces (-1 when it names none or
// refused) and the body's validator.
struct HeadAnswer {
    qint64 size = -1;
    QByteArray validator;
};
HeadAnswer headAnswerOf(const QNetworkReply &reply);

// How a transfer ended.
enum class TransferResult {
    NotStarted,    // no transfer could start
    RequestFailed, // the address did not answer, or answered with an error status or a web page
    NotWritten,    // the file could not be opened, written or given its name; no part stays
    Incomplete,    // the data broke off before its end; what came stays as the part file
    Stopped,       // stopped on request; what came stays as the part file
    Completed,     // every byte of the resource is in the file, under its own name
    Busy,          // another saver is writing the same file now: nothing was touched
};

// A stopped transfer's part takes the song's name, as the download panel keeps what came
// of a stop the user confirmed: under the part's lock, without the record of the whole
// body (it no longer holds it), and never over a whole file saved before (one with its
// record), which the part then stays beside. Nothing happens while another saver holds
// the part.
void keepStoppedPart(const QString &path);

// What a saved file says of itself besides its bytes.
struct SaveDetails {
    std::optional<SongTags> tags; // written into the file once it is whole; none: as served
    QString referrer;             // the page that led to the file (the share page)
};

// Copies one resource into one file, answered from the event loop: any number run side
// by side. The body goes into the part file partPath(path) and takes the file's name only
// once it is whole, flushed to disk and tagged; then the folder is flushed too, so that
// the new name survives a power cut. The part goes to disk while the body comes in (a
// write-back started every few MiB), so the last flush has little left to wait for.
//
// A tagged MP3 is written once: the song's tag goes at the start of the part, and the
// body streams in after it without the tag it began with (if any) and, at its end,
// without an ID3v1 or APE tag. A video (MP4) is tagged once whole, in a copy renamed
// over the song's name, and so is a part of an older version continued now. Anything
// else, and every body when no tags are asked for, is saved as served. A part left by an earlier try is continued
// with a Range request when the server still serves the same body (same validator and
// size, answer 206); any other answer starts over and replaces it. The part's lock
// (PartLock) is held from the start until the transfer is over: a part that another
// saver holds ends the transfer at once as Busy, before anything is sent.
//
// Stages, as Cls_DownLoad numbers them: 2 request sent, 3 answer's head in, 4 writing,
// then 9 (the data ended) or 5 (stopped), then finished().
class Transfer : public QObject
{
    Q_OBJECT
public:
    Transfer(const QString &address, const QString &path, SaveDetails details = {}, QObject *parent = nullptr);
    ~Transfer() override;

    void start();
    // Ends the transfer after its next block, keeping the part.
    void stop();
    // Ends it now and removes the part; finished() follows at once.
    void abandon();
    // Reads the body no faster than the limiter's budget, which other transfers may share.
    // Before start().
    void setRateLimiter(std::shared_ptr<RateLimiter> limiter);

    const QString &path() const { return m_path; }
    qint64 written() const { return m_total; }   // bytes of the body in, a resumed part included
    qint64 resumedAt() const { return m_resumedAt; }
    qint64 size() const { return m_size; }        // the whole body's size, 0 when unknown
    TransferResult result() const { return m_result; }
    bool isRunning() const { return m_started && !m_done; }
    // A refused answer (RequestFailed): its status (0 when none came) and its Retry-After.
    int refusedStatus() const { return m_refusedStatus; }
    const QByteArray &retryAfter() const { return m_retryAfter; }

signals:
    void stage(int TmpState);
    // After every block: the bytes of the body in so far and the whole size (0 when the
    // server names none).
    void progressed(qint64 written, qint64 size);
    void finished(download::TransferResult result);

private:
    void send(bool resume);
    void headIn();
    void readBlocks();
    void bodyEnded();
    void finish(TransferResult result);
    TransferResult conclude(bool cutShort);
    void concluded();
    bool commit();
    qint64 readAllowed(char *into, qint64 wanted);
    bool decide(bool ended);
    bool writeOut(const char *data, qint64 size);
    bool cutTrailingTags();

    // How the part holds the body.
    enum class Layout {
        Undecided, // the body's first bytes are held back until its kind is known
        AsServed,  // byte for byte
        TagAhead,  // the song's tag, then the body without its own tags
    };

    QString m_address;
    QString m_path;
    QString m_part;
    SaveDetails m_details;
    QNetworkReply *m_reply = nullptr;
    QTimer *m_idle = nullptr;
    // Flushes the whole part and gives it its name, off the event loop: a disk slow to
    // flush never holds the window.
    QThread *m_finisher = nullptr;
    TransferResult m_outcome = TransferResult::NotStarted; // the finisher's
    QFile m_file;
    PartLock m_lock;
    QByteArray m_validator;
    qint64 m_total = 0;
    qint64 m_resumedAt = 0;
    qint64 m_size = 0;
    Layout m_layout = Layout::Undecided;
    QByteArray m_head;         // the body's first bytes, while Undecided
    qint64 m_tagBytes = 0;     // TagAhead: the tag's length at the part's start
    qint64 m_skipped = 0;      // TagAhead: the served bytes of the body's own tag left out
    qint64 m_fileBytes = 0;    // the part's length
    qint64 m_writtenBack = 0;  // how much of the part write-back was started for
    bool m_tagAfter = false;   // tagged once whole (an MP4, a part of an older version)
    bool m_started = false;
    bool m_headIn = false;
    bool m_resuming = false;
    bool m_resent = false; // sent again after its connection closed unanswered
    bool m_stop = false;
    bool m_done = false;
    bool m_broken = false;
    TransferResult m_result = TransferResult::NotStarted;
    int m_refusedStatus = 0;
    QByteArray m_retryAfter;
    std::shared_ptr<RateLimiter> m_limiter;
    QTimer *m_throttle = nullptr; // wakes a read that the limiter held back
};

} // namespace download
