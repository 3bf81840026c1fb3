#include "download/cls_download.h"

#include "download/downloadmath.h"
#include "net/pagefetch.h"
#include "platform/exit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QTime>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

// What the network stack may hold of a body the program has not read yet. The stack
// stops reading from the socket when it is full, so a slow disk or a long pause in a
// nested dialog never piles the resource up in memory; a smaller one makes the stack
// wait for the event loop too often.
constexpr qint64 kReplyBufferBytes = 1024 * 1024;

// An answer announced as a web page: what a network that intercepts requests sends back.
bool isWebPage(const QNetworkReply &reply)
{
    const QByteArray type = reply.rawHeader("Content-Type").trimmed().toLower();
    return type.startsWith("text/html") || type.startsWith("application/xhtml+xml");
}

// A request as the downloader sends it: its own agent, never from a cache, the bytes as
// they are stored.
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

// Deletes a reply on every way out; aborting first stops a body nobody reads any more.
struct ReplyCloser {
    void operator()(QNetworkReply *reply) const
    {
        reply->abort();
        reply->deleteLater();
    }
};
using ReplyHandle = std::unique_ptr<QNetworkReply, ReplyCloser>;

// An answer that is not the file: no status, an error status, a status that is not final
// (redirects ran out, a loop), or a web page.
bool refused(const QNetworkReply &reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return !status.isValid() || status.toInt() >= 400 || !net::isFinalStatus(status.toInt())
        || isWebPage(reply);
}

} // namespace

Cls_DownLoad::Cls_DownLoad(QObject *parent)
    : QObject(parent)
{
}

Cls_DownLoad::~Cls_DownLoad() = default;

bool Cls_DownLoad::DLFileStop()
{
    bStop = true;
    return false;
}

void Cls_DownLoad::abandon()
{
    if (m_busy) {
        m_abandoned = true;
        if (m_wait)
            m_wait->quit();
    }
    emit abandoned();
}

bool Cls_DownLoad::isAbandoned() const
{
    return m_abandoned || platform::programEnding();
}

void Cls_DownLoad::setTimeOfDayClock(TimeOfDay clock)
{
    m_clock = std::move(clock);
}

// The local time of day is read from the clock once a transfer and then carried on with
// the monotonic timer: reading local time after every chunk cost more than the chunk.
double Cls_DownLoad::timeOfDay()
{
    if (m_clock)
        return m_clock();
    if (!m_sinceDayRead.isValid()) {
        m_dayRead = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
        m_sinceDayRead.start();
    }
    return std::fmod(m_dayRead + m_sinceDayRead.elapsed() / 1000.0, 86400.0);
}

// The answer's head is in: a final status (not a redirect still being followed), or
// the request is over.
bool Cls_DownLoad::answered(const QNetworkReply *reply) const
{
    if (reply->isFinished())
        return true;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() && net::isFinalStatus(status.toInt());
}

// Sleeps in the event loop until the reply has news (data, its head, its end), the
// network stays silent for the idle limit, or the transfer is abandoned.
// Waits until the answer's head is in; false when it never came.
bool Cls_DownLoad::waitForHead(QNetworkReply *reply)
{
    while (!answered(reply)) {
        if (waitForNews(reply) != Wait::News)
            return false;
    }
    return true;
}

qint64 Cls_DownLoad::DLFileSize(const QString &sRemoteURL)
{
    if (!QCoreApplication::instance() || m_busy)
        return -1;
    m_abandoned = false;
    m_busy = true;
    const auto notBusy = qScopeGuard([this] { m_busy = false; });
    ReplyHandle reply(net::networkManager().head(downloadRequest(sRemoteURL)));
    if (!waitForHead(reply.get()) || refused(*reply))
        return -1;
    const qint64 size = download::announcedSize(reply->rawHeader("Content-Length"));
    return size > 0 ? size : -1;
}

Cls_DownLoad::Wait Cls_DownLoad::waitForNews(QNetworkReply *reply)
{
    if (isAbandoned())
        return Wait::Abandoned;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    bool silent = false;
    connect(reply, &QNetworkReply::readyRead, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::metaDataChanged, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&idle, &QTimer::timeout, &loop, [&] {
        silent = true;
        loop.quit();
    });
    idle.start(net::fetchIdleTimeout());
    m_wait = &loop;
    // An event loop refuses to run once the application is quitting: that ends the transfer too.
    const int code = loop.exec();
    m_wait = nullptr;
    if (isAbandoned() || code != 0)
        return Wait::Abandoned;
    return silent ? Wait::Silent : Wait::News;
}

qint64 Cls_DownLoad::DLFile(const QString &sRemoteURL, const QString &sLocalFilePath, qint32 lTimeOut)
{
    Q_UNUSED(lTimeOut);
    // A stop asked for outside a transfer must not cut this one short.
    bStop = false;
    m_abandoned = false;
    m_result = Result::NotStarted;

    emit entDLFileStatus(1);
    if (!QCoreApplication::instance()) {
        // Without an event loop nothing can be fetched.
        emit entDLFileStatus(7);
        return 0;
    }
    m_busy = true;
    const auto notBusy = qScopeGuard([this] { m_busy = false; });

    emit entDLFileStatus(2);
    ReplyHandle reply(net::networkManager().get(downloadRequest(sRemoteURL)));
    reply->setReadBufferSize(kReplyBufferBytes);
    if (!waitForHead(reply.get()) || refused(*reply)) {
        // Not answered (a certificate that does not verify included), answered with an
        // error page, still redirecting when the redirects ran out (a loop), or answered
        // with a web page (the sign-in page of a hotel network, say) instead of the song:
        // no page is the song.
        m_result = Result::RequestFailed;
        emit entDLFileStatus(8);
        reply.reset();
        emit entDLFileStatus(6);
        return 0;
    }

    emit entDLFileStatus(3);
    const qint64 lFilesize = download::announcedSize(reply->rawHeader("Content-Length"));
    m_sinceDayRead.invalidate();
    const qint64 start = download::startSecond(timeOfDay());

    emit entDLFileStatus(4);
    // The body goes into a part file beside the song's name, which it takes only once it
    // is whole: however the transfer ends (a crash and a power cut included), no file
    // under the song's name is less than the song.
    const QString partName = download::partPath(sLocalFilePath);
    QFile file(partName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_result = Result::NotWritten;
        reply.reset();
        emit entDLFileStatus(6);
        return 0;
    }

    char buffer[kChunkBytes];
    // Time since the event loop last ran, here or while waiting for data.
    QElapsedTimer sinceYield;
    sinceYield.start();
    qint64 total = 0;
    int endCode = 9;
    bool broken = false;
    bool writeFailed = false;
    for (;;) {
        // One read: up to a whole chunk, or what is left at the end of the data.
        while (reply->bytesAvailable() < kChunkBytes && !reply->isFinished()) {
            if (waitForNews(reply.get()) != Wait::News) {
                broken = true;
                break;
            }
            sinceYield.restart();
        }
        if (broken)
            break;
        const qint64 got = reply->read(buffer, kChunkBytes);
        if (got <= 0)
            break;
        if (file.write(buffer, got) != got) {
            writeFailed = true;
            break;
        }
        total += got;
        emit entDLFileDowning(sRemoteURL, total, lFilesize,
                              download::transferSpeed(total, start, timeOfDay()));
        if (bStop) {
            bStop = false;
            endCode = 5;
            break;
        }
        // Let the windows run once a time slice has passed: clicks, the stop button among
        // them, land here. Handing over after every chunk would cost more than the copy.
        if (sinceYield.elapsed() >= kYieldSliceMs) {
            QCoreApplication::processEvents();
            sinceYield.restart();
        }
        if (isAbandoned()) {
            broken = true;
            break;
        }
    }

    emit entDLFileStatus(endCode);
    // On disk before it takes the song's name, so that a power cut after the rename
    // cannot leave the name on an empty file.
    writeFailed = writeFailed || !file.flush() || ::fsync(file.handle()) != 0;
    file.close();
    writeFailed = writeFailed || file.error() != QFileDevice::NoError;
    // An answer without a single byte is no song either.
    const bool cutShort = broken || reply->error() != QNetworkReply::NoError
                          || (lFilesize > 0 && total < lFilesize) || total == 0;
    reply.reset();

    if (endCode == 5)
        m_result = Result::Stopped;
    else if (writeFailed)
        m_result = Result::NotWritten;
    else if (cutShort)
        m_result = Result::Incomplete;
    else if (::rename(QFile::encodeName(partName).constData(), QFile::encodeName(sLocalFilePath).constData()) != 0)
        m_result = Result::NotWritten; // the whole song could not take its name
    else
        m_result = Result::Completed;

    // Nothing is kept that the next try could not use: no empty part, none of a file that
    // could not be written, none that the program's ending cut off.
    const bool cutByEnding = broken && isAbandoned();
    if (total == 0 || cutByEnding || m_result == Result::NotWritten)
        QFile::remove(partName);
    emit entDLFileStatus(6);
    return total;
}
