#include "download/transfer.h"

#include "download/downloadmath.h"
#include "download/fileattributes.h"
#include "net/pagefetch.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace download {
namespace {

// What the network stack may hold of a body the program has not read yet. The stack
// stops reading from the socket when it is full, so a slow disk or a long pause in a
// nested dialog never piles the resource up in memory.
constexpr qint64 kReplyBufferBytes = 1024 * 1024;
// The most one read takes: a block is what the network has delivered, up to this.
constexpr qint64 kBlockBytes = 256 * 1024;
// Write-back of the part is started each time this much more of it is written.
constexpr qint64 kWriteBackBytes = 4 * 1024 * 1024;
// What is held back of a body that may be an MP3 to tell it from bytes that only begin like
// one (TagLib must find frames following one another), after its own tag; a tag larger
// than kLargestServedTag is left in and the song tagged once whole instead.
constexpr qint64 kSniffBytes = 64 * 1024;
constexpr qint64 kLargestServedTag = 16 * 1024 * 1024;

// An answer announced as a web page: what a network that intercepts requests sends back.
bool isWebPage(const QNetworkReply &reply)
{
    const QByteArray type = reply.rawHeader("Content-Type").trimmed().toLower();
    return type.startsWith("text/html") || type.startsWith("application/xhtml+xml");
}

// The head is in: a final status (not a redirect still being followed), or the request
// is over.
bool answered(const QNetworkReply &reply)
{
    if (reply.isFinished())
        return true;
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() && net::isFinalStatus(status.toInt());
}

int statusOf(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// An answer that is not the file: no status, an error status, a status that is not final
// (redirects ran out, a loop), or a web page.
bool refused(const QNetworkReply &reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return !status.isValid() || status.toInt() >= 400 || !net::isFinalStatus(status.toInt()) || isWebPage(reply);
}

// The whole size named by a Content-Range of a piece that starts at `from`
// ("bytes <from>-<last>/<size>"); -1 when it names another piece or no size.
qint64 rangeTotal(const QByteArray &contentRange, qint64 from)
{
    const QByteArray value = contentRange.trimmed();
    if (!value.startsWith("bytes "))
        return -1;
    const qsizetype dash = value.indexOf('-');
    const qsizetype slash = value.indexOf('/');
    if (dash < 0 || slash < dash)
        return -1;
    bool ok = false;
    const qint64 first = value.mid(6, dash - 6).trimmed().toLongLong(&ok);
    if (!ok || first != from)
        return -1;
    const qint64 total = value.mid(slash + 1).trimmed().toLongLong(&ok);
    return ok ? total : -1;
}

// Flushes the folder that holds path, so that a name given in it survives a power cut.
void syncFolderOf(const QString &path)
{
    const int folder = ::open(QFile::encodeName(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace

QNetworkRequest downloadRequest(const QString &address)
{
    QNetworkRequest request{QUrl(address)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("VB Http"));
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    // The file gets the bytes as sent, and Content-Length counts exactly those.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    return request;
}

QByteArray validatorOf(const QNetworkReply &reply)
{
    const QByteArray etag = reply.rawHeader("ETag").trimmed();
    return etag.isEmpty() ? reply.rawHeader("Last-Modified").trimmed() : etag;
}

HeadAnswer headAnswerOf(const QNetworkReply &reply)
{
    HeadAnswer head;
    if (!answered(reply) || refused(reply))
        return head;
    const qint64 size = announcedSize(reply.rawHeader("Content-Length"));
    head.size = size > 0 ? size : -1;
    head.validator = validatorOf(reply);
    return head;
}

Transfer::Transfer(const QString &address, const QString &path, SaveDetails details, QObject *parent)
    : QObject(parent)
    , m_address(address)
    , m_path(path)
    , m_part(partPath(path))
    , m_details(std::move(details))
    , m_idle(new QTimer(this))
{
    m_idle->setSingleShot(true);
    connect(m_idle, &QTimer::timeout, this, [this] {
        m_broken = true;
        bodyEnded();
    });
}

Transfer::~Transfer()
{
    if (!m_done && m_started)
        abandon();
}

void Transfer::start()
{
    if (m_started)
        return;
    m_started = true;
    // Nobody else may write the part from before its length is read until it is the song.
    if (m_lock.take(m_part) == PartLock::Status::Busy) {
        finish(TransferResult::Busy);
        return;
    }
    // A part from an earlier try, with the size and validator of the body it belongs to.
    const QFileInfo part(m_part);
    const std::optional<ServedRecord> record = part.exists() ? servedRecord(m_part) : std::nullopt;
    // A part with the tag ahead holds the body from m_skipped on after its tag.
    const bool tagAhead = record && record->tagBytes >= 0;
    const qint64 bodyAt = !tagAhead                          ? part.size()
                          : part.size() >= record->tagBytes ? record->skipped + part.size() - record->tagBytes
                                                            : 0;
    // Without tags asked for, a part with a tag ahead starts over: the body is the file.
    const bool resume = record && !record->validator.isEmpty() && bodyAt > 0 && record->size > bodyAt
                        && (!tagAhead || m_details.tags);
    if (resume) {
        m_resumedAt = bodyAt;
        m_size = record->size;
        m_validator = record->validator;
        m_fileBytes = part.size();
        m_writtenBack = m_fileBytes;
        m_layout = tagAhead ? Layout::TagAhead : Layout::AsServed;
        m_tagBytes = tagAhead ? record->tagBytes : 0;
        m_skipped = tagAhead ? record->skipped : 0;
        // A part of a body saved as served (an older version's, one without tags, a
        // video's): tagged once whole, as it always was.
        m_tagAfter = !tagAhead && m_details.tags;
    }
    emit stage(2);
    send(resume);
}

void Transfer::send(bool resume)
{
    QNetworkRequest request = downloadRequest(m_address);
    m_resuming = resume;
    if (resume) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(m_resumedAt) + '-');
        request.setRawHeader("If-Range", m_validator);
    }
    m_reply = net::networkManager().get(request);
    m_reply->setReadBufferSize(m_limiter ? m_limiter->readBufferBytes() : kReplyBufferBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &Transfer::headIn);
    connect(m_reply, &QNetworkReply::readyRead, this, &Transfer::readBlocks);
    connect(m_reply, &QNetworkReply::finished, this, &Transfer::bodyEnded);
    m_idle->start(net::fetchIdleTimeout());
}

void Transfer::headIn()
{
    if (m_headIn || m_done || !answered(*m_reply))
        return;
    m_idle->start(net::fetchIdleTimeout());
    const int status = statusOf(*m_reply);
    if (m_resuming) {
        const bool sameBody = status == 206
                              && rangeTotal(m_reply->rawHeader("Content-Range"), m_resumedAt) == m_size
                              && (validatorOf(*m_reply).isEmpty() || validatorOf(*m_reply) == m_validator);
        if (!sameBody && status != 200) {
            // Not the rest of the same body, and not a whole one either: ask again for all.
            m_reply->disconnect(this);
            net::dropReply(m_reply);
            m_reply = nullptr;
            m_resumedAt = 0;
            m_size = 0;
            send(false);
            return;
        }
        if (!sameBody)
            m_resumedAt = 0; // a whole body after all: it replaces the part
    }
    if (net::closedUnanswered(*m_reply) && !m_resent) {
        m_resent = true;
        m_reply->disconnect(this);
        net::dropReply(m_reply);
        m_reply = nullptr;
        send(m_resuming);
        return;
    }
    if (refused(*m_reply)) {
        // Not answered (a certificate that does not verify included), answered with an
        // error page, still redirecting when the redirects ran out, or answered with a web
        // page (the sign-in page of a hotel network, say) instead of the song.
        m_refusedStatus = statusOf(*m_reply);
        m_retryAfter = m_reply->rawHeader("Retry-After");
        emit stage(8);
        finish(TransferResult::RequestFailed);
        return;
    }
    m_headIn = true;

    emit stage(3);
    if (m_resumedAt == 0) {
        m_size = announcedSize(m_reply->rawHeader("Content-Length"));
        m_validator = validatorOf(*m_reply);
    }
    m_total = m_resumedAt;
    if (m_resumedAt == 0) {
        m_layout = Layout::Undecided;
        m_fileBytes = m_writtenBack = m_tagBytes = m_skipped = 0;
        m_tagAfter = false;
    }

    emit stage(4);
    m_file.setFileName(m_part);
    // Unbuffered: every block goes to the part as it comes, for the write-back to start.
    const QIODevice::OpenMode mode = QIODevice::ReadWrite | QIODevice::Unbuffered
                                     | (m_resumedAt > 0 ? QIODevice::Append : QIODevice::Truncate);
    if (!m_file.open(mode)) {
        finish(TransferResult::NotWritten);
        return;
    }
    if (!m_details.tags && !decide(false))
        return;
    readBlocks();
}

void Transfer::readBlocks()
{
    if (!m_reply || !m_headIn || m_done || m_finisher)
        return;
    static thread_local std::vector<char> buffer(kBlockBytes);
    m_idle->start(net::fetchIdleTimeout());
    while (m_reply && m_reply->bytesAvailable() > 0 && !m_done) {
        const qint64 got = readAllowed(buffer.data(), std::min<qint64>(m_reply->bytesAvailable(), kBlockBytes));
        if (got <= 0)
            break;
        m_total += got;
        if (m_layout == Layout::Undecided) {
            m_head.append(buffer.data(), got);
            if (!decide(false))
                return;
        } else if (!writeOut(buffer.data(), got)) {
            return;
        }
        emit progressed(m_total, m_size);
        if (m_stop && !m_done) {
            if (!decide(true))
                return;
            emit stage(5);
            m_file.close();
            finish(TransferResult::Stopped);
            return;
        }
    }
}

void Transfer::bodyEnded()
{
    if (m_done || m_finisher)
        return;
    if (!m_headIn) {
        if (!m_broken)
            headIn();
        if (m_done)
            return;
        if (!m_headIn) {
            // Asked again for the whole body (a part that no longer matches): its own answer
            // comes. Otherwise the request ended, or went silent, without a usable head.
            if (!m_broken && m_reply && !m_reply->isFinished())
                return;
            emit stage(8);
            finish(TransferResult::RequestFailed);
            return;
        }
    }
    readBlocks();
    // Held back by the rate limit: the throttle ends it.
    if (m_done || (m_limiter && !m_broken && m_reply->bytesAvailable() > 0) || !decide(true))
        return;
    emit stage(9);
    const bool cutShort = m_broken || m_reply->error() != QNetworkReply::NoError || (m_size > 0 && m_total < m_size)
                          || m_total == 0;
    m_idle->stop();
    m_finisher = QThread::create([this, cutShort] { m_outcome = conclude(cutShort); });
    connect(m_finisher, &QThread::finished, this, &Transfer::concluded);
    m_finisher->start();
}

// On the finisher's thread, which alone touches the part until it is over.
TransferResult Transfer::conclude(bool cutShort)
{
    // On disk before it takes the song's name, so that a power cut after the rename cannot
    // leave the name on an empty file. The write-back started along the way left little.
    const bool written = (cutShort || cutTrailingTags()) && ::fdatasync(m_file.handle()) == 0;
    if (!written)
        return TransferResult::NotWritten;
    if (cutShort)
        return TransferResult::Incomplete;
    return commit() ? TransferResult::Completed : TransferResult::NotWritten;
}

void Transfer::concluded()
{
    if (!m_done)
        finish(m_outcome);
}

// Once the body's first bytes tell its kind, the part gets its record, its tag when it goes
// ahead, and those bytes. With ended, the body has no more to give (it ended, or stops):
// what came is all there is to tell by. False when the transfer ended here.
bool Transfer::decide(bool ended)
{
    if (m_layout != Layout::Undecided)
        return true;
    QByteArray tag;
    if (m_details.tags) {
        const BodyKind kind = bodyKindOf(m_head);
        const qint64 ownTag = id3v2Length(m_head);
        const bool sniffing = kind == BodyKind::Mpeg
                              && (ownTag < 0 || (ownTag <= kLargestServedTag && m_head.size() < ownTag + kSniffBytes));
        if (!ended && (m_head.size() < 12 || sniffing))
            return true; // more to come before it can tell
        if (kind == BodyKind::Mpeg && ownTag >= 0 && ownTag <= kLargestServedTag && ownTag <= m_head.size())
            tag = mpegTagAhead(m_head, *m_details.tags);
        if (!tag.isEmpty())
            m_skipped = ownTag;
        // An MP4's atoms are tagged once it is whole, and so is an MP3 with a huge tag.
        m_tagAfter = kind == BodyKind::Mp4 || (kind == BodyKind::Mpeg && ownTag > kLargestServedTag);
    }
    m_layout = tag.isEmpty() ? Layout::AsServed : Layout::TagAhead;
    m_tagBytes = tag.size();
    // The part remembers which body it holds, and how, so that a later try can continue it.
    ServedRecord record{m_size > 0 ? m_size : -1, m_validator};
    if (m_layout == Layout::TagAhead) {
        record.tagBytes = m_tagBytes;
        record.skipped = m_skipped;
    }
    if (record.size < 0)
        removeServedRecord(m_part); // none of an earlier body stays on it either
    setServedRecord(m_part, record);
    const QByteArray head = std::exchange(m_head, {});
    return writeOut(tag.constData(), tag.size())
           && writeOut(head.constData() + m_skipped, head.size() - std::min<qint64>(m_skipped, head.size()));
}

// Appends to the part, starting its write-back every few MiB: the disk writes while the
// body comes in. False when the transfer ended here (a full disk, a folder gone: nothing
// of it is kept).
bool Transfer::writeOut(const char *data, qint64 size)
{
    if (size <= 0)
        return true;
    if (m_file.write(data, size) != size) {
        emit stage(9);
        m_file.close();
        finish(TransferResult::NotWritten);
        return false;
    }
    m_fileBytes += size;
    if (m_fileBytes - m_writtenBack >= kWriteBackBytes) {
        ::sync_file_range(m_file.handle(), m_writtenBack, m_fileBytes - m_writtenBack, SYNC_FILE_RANGE_WRITE);
        m_writtenBack = m_fileBytes;
    }
    return true;
}

// Cuts an ID3v1 or APE tag off the end of a body saved after its own tag, as tagging a
// whole file strips them. False when the part could not be read or shortened.
bool Transfer::cutTrailingTags()
{
    if (m_layout != Layout::TagAhead)
        return true;
    constexpr qint64 kTail = 160;
    const qint64 length = std::min(kTail, m_fileBytes - m_tagBytes);
    QByteArray tail(length, Qt::Uninitialized);
    if (::pread(m_file.handle(), tail.data(), size_t(length), m_fileBytes - length) != length)
        return false;
    const qint64 cut = std::min(trailingTagsLength(tail), m_fileBytes - m_tagBytes);
    if (cut > 0 && ::ftruncate(m_file.handle(), m_fileBytes - cut) != 0)
        return false;
    m_fileBytes -= cut;
    return true;
}

// The whole body takes the song's name, with where it came from, tagged when asked for.
// It happens under the part's lock, and the song's name only ever gets a whole file: a
// part tagged ahead or saved as served is renamed to it, a video's tagged copy written
// straight under it.
bool Transfer::commit()
{
    setOriginAttributes(m_part, m_address, m_details.referrer);
    TagResult tagged = TagResult::NotMedia;
    if (m_tagAfter) {
        QString error;
        removeServedRecord(m_part); // the record on the song's file tells the tagged size
        tagged = writeSongTags(m_part, *m_details.tags, &error, m_path);
        if (tagged == TagResult::Failed)
            std::fprintf(stderr, "quillory: %s: tags not written: %s\n", qPrintable(m_path), qPrintable(error));
    }
    if (tagged == TagResult::Written) {
        ::unlink(QFile::encodeName(m_part).constData());
        setServedRecord(m_path, ServedRecord{m_total, m_validator, QFileInfo(m_path).size()});
        return true;
    }
    setServedRecord(m_part, ServedRecord{m_total, m_validator, m_fileBytes});
    if (::rename(QFile::encodeName(m_part).constData(), QFile::encodeName(m_path).constData()) != 0)
        return false;
    syncFolderOf(m_path);
    return true;
}

void keepStoppedPart(const QString &path)
{
    const QString part = partPath(path);
    if (!QFileInfo::exists(part))
        return;
    PartLock lock;
    if (lock.take(part) != PartLock::Status::Held)
        return;
    removeServedRecord(part);
    if (servedRecord(path))
        return;
    ::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData());
}

void Transfer::setRateLimiter(std::shared_ptr<RateLimiter> limiter)
{
    m_limiter = std::move(limiter);
    if (!m_limiter || m_throttle)
        return;
    m_throttle = new QTimer(this);
    m_throttle->setSingleShot(true);
    connect(m_throttle, &QTimer::timeout, this, [this] {
        readBlocks();
        if (!m_done && m_reply && m_reply->isFinished() && m_reply->bytesAvailable() == 0)
            bodyEnded();
    });
}

// What the rate limit allows of a read now; when nothing, the throttle calls again once
// the budget has grown.
qint64 Transfer::readAllowed(char *into, qint64 wanted)
{
    const qint64 allowed = m_limiter ? m_limiter->take(wanted) : wanted;
    if (allowed > 0)
        return m_reply->read(into, allowed);
    if (!m_throttle->isActive())
        m_throttle->start(m_limiter->wait(wanted));
    return 0;
}

void Transfer::stop()
{
    m_stop = true;
}

void Transfer::abandon()
{
    if (m_done)
        return;
    if (m_finisher) {
        // The whole body is being flushed and named: a song made whole stays.
        m_finisher->wait();
        if (m_outcome == TransferResult::Completed) {
            finish(m_outcome);
            return;
        }
    }
    m_started = true;
    m_broken = true;
    if (m_file.isOpen())
        m_file.close();
    if (m_lock.isHeld())
        QFile::remove(m_part);
    finish(TransferResult::Incomplete);
}

void Transfer::finish(TransferResult result)
{
    if (m_done)
        return;
    m_done = true;
    m_idle->stop();
    if (m_finisher) {
        m_finisher->wait();
        delete m_finisher;
        m_finisher = nullptr;
    }
    if (m_reply) {
        m_reply->disconnect(this);
        net::dropReply(m_reply);
        m_reply = nullptr;
    }
    m_result = result;
    if (m_file.isOpen())
        m_file.close();
    // Nothing is kept that the next try could not use: no empty part, none of a file that
    // could not be written. Only a part of our own is ever removed.
    if (m_lock.isHeld() && result != TransferResult::Completed
        && (result == TransferResult::NotWritten || QFileInfo(m_part).size() == 0))
        QFile::remove(m_part);
    m_lock.release();
    emit finished(result);
}

} // namespace download
