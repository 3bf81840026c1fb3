#include "download/transfer.h"

#include "download/downloadmath.h"
#include "download/fileattributes.h"
#include "net/pagefetch.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <cstdio>
#include <vector>

#include <unistd.h>

namespace download {
namespace {

// What the network stack may hold of a body the program has not read yet. The stack
// stops reading from the socket when it is full, so a slow disk or a long pause in a
// nested dialog never piles the resource up in memory.
constexpr qint64 kReplyBufferBytes = 1024 * 1024;
// The most one read takes: a block is what the network has delivered, up to this.
constexpr qint64 kBlockBytes = 256 * 1024;

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
    const bool resume = record && !record->validator.isEmpty() && part.size() > 0 && record->size > part.size();
    if (resume) {
        m_resumedAt = part.size();
        m_size = record->size;
        m_validator = record->validator;
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

    emit stage(4);
    m_file.setFileName(m_part);
    const QIODevice::OpenMode mode =
        m_resumedAt > 0 ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!m_file.open(mode)) {
        finish(TransferResult::NotWritten);
        return;
    }
    // The part remembers which body it holds, so that a later try can continue it.
    if (m_resumedAt == 0)
        setServedRecord(m_part, ServedRecord{m_size > 0 ? m_size : -1, m_validator});
    readBlocks();
}

void Transfer::readBlocks()
{
    if (!m_reply || !m_headIn || m_done)
        return;
    static thread_local std::vector<char> buffer(kBlockBytes);
    m_idle->start(net::fetchIdleTimeout());
    while (m_reply && m_reply->bytesAvailable() > 0 && !m_done) {
        const qint64 got = readAllowed(buffer.data(), std::min<qint64>(m_reply->bytesAvailable(), kBlockBytes));
        if (got <= 0)
            break;
        if (m_file.write(buffer.data(), got) != got) {
            // A full disk, a folder gone: nothing of it is kept.
            emit stage(9);
            m_file.close();
            finish(TransferResult::NotWritten);
            return;
        }
        m_total += got;
        emit progressed(m_total, m_size);
        if (m_stop && !m_done) {
            emit stage(5);
            m_file.close();
            finish(TransferResult::Stopped);
            return;
        }
    }
}

void Transfer::bodyEnded()
{
    if (m_done)
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
    if (m_done || (m_limiter && !m_broken && m_reply->bytesAvailable() > 0)) // held back: the throttle ends it
        return;
    emit stage(9);
    // On disk before it takes the song's name, so that a power cut after the rename cannot
    // leave the name on an empty file.
    const bool written = m_file.flush() && ::fsync(m_file.handle()) == 0;
    m_file.close();
    const bool cutShort = m_broken || m_reply->error() != QNetworkReply::NoError || (m_size > 0 && m_total < m_size)
                          || m_total == 0;
    if (!written || m_file.error() != QFileDevice::NoError)
        finish(TransferResult::NotWritten);
    else if (cutShort)
        finish(TransferResult::Incomplete);
    else
        finish(commit() ? TransferResult::Completed : TransferResult::NotWritten);
}

// The whole body takes the song's name, with where it came from, tagged when asked for.
// It happens under the part's lock, and the song's name only ever gets a whole file: the
// tagged copy is written straight under it, the untagged part renamed to it.
bool Transfer::commit()
{
    setOriginAttributes(m_part, m_address, m_details.referrer);
    TagResult tagged = TagResult::NotMedia;
    if (m_details.tags) {
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
    setServedRecord(m_part, ServedRecord{m_total, m_validator, m_total});
    return ::rename(QFile::encodeName(m_part).constData(), QFile::encodeName(m_path).constData()) == 0;
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
