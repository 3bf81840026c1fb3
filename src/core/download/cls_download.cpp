#include "download/cls_download.h"

#include "download/downloadmath.h"
#include "net/pagefetch.h"
#include "platform/exit.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QTime>
#include <QTimer>

#include <cmath>
#include <memory>

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
        if (m_transfer)
            m_transfer->abandon();
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
// the monotonic timer: reading local time after every block cost more than the block.
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

download::HeadAnswer Cls_DownLoad::DLFileHead(const QString &sRemoteURL)
{
    if (!QCoreApplication::instance() || m_busy)
        return {};
    m_abandoned = false;
    m_busy = true;
    const auto notBusy = qScopeGuard([this] { m_busy = false; });
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        net::networkManager().head(download::downloadRequest(sRemoteURL)), [](QNetworkReply *r) {
            r->disconnect();
            net::dropReply(r);
        });
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&idle, &QTimer::timeout, &loop, &QEventLoop::quit);
    idle.start(net::fetchIdleTimeout());
    m_wait = &loop;
    loop.exec();
    m_wait = nullptr;
    if (isAbandoned() || !reply->isFinished())
        return {};
    return download::headAnswerOf(*reply);
}

qint64 Cls_DownLoad::DLFile(const QString &sRemoteURL, const QString &sLocalFilePath, qint32 lTimeOut,
                            const download::SaveDetails &details)
{
    Q_UNUSED(lTimeOut);
    // A stop asked for outside a transfer must not cut this one short.
    bStop = false;
    m_abandoned = false;
    m_result = Result::NotStarted;
    m_resumedAt = 0;

    emit entDLFileStatus(1);
    if (!QCoreApplication::instance()) {
        // Without an event loop nothing can be fetched.
        emit entDLFileStatus(7);
        return 0;
    }
    m_busy = true;
    const auto notBusy = qScopeGuard([this] { m_busy = false; });

    download::Transfer transfer(sRemoteURL, sLocalFilePath, details);
    transfer.setRateLimiter(m_limiter);
    m_transfer = &transfer;
    const auto forget = qScopeGuard([this] { m_transfer = nullptr; });
    qint64 start = 0;
    connect(&transfer, &download::Transfer::stage, this, [&](int TmpState) {
        if (TmpState == 3) {
            m_sinceDayRead.invalidate();
            start = download::startSecond(timeOfDay());
        }
        emit entDLFileStatus(TmpState);
    });
    connect(&transfer, &download::Transfer::progressed, this, [&](qint64 written, qint64 size) {
        // The speed of this run: a continued part's bytes came earlier.
        emit entDLFileDowning(sRemoteURL, written, size,
                              download::transferSpeed(written - transfer.resumedAt(), start, timeOfDay()));
        if (bStop) {
            bStop = false;
            transfer.stop();
        }
    });

    QEventLoop loop;
    connect(&transfer, &download::Transfer::finished, &loop, &QEventLoop::quit);
    transfer.start();
    if (transfer.isRunning() && !isAbandoned()) {
        m_wait = &loop;
        // An event loop refuses to run once the application is quitting: that ends the
        // transfer too.
        loop.exec();
        m_wait = nullptr;
    }
    // The program's ending, or abandon(): the part saved so far is no song.
    if (transfer.isRunning() || isAbandoned())
        transfer.abandon();

    m_result = transfer.result();
    m_resumedAt = transfer.resumedAt();
    emit entDLFileStatus(6);
    return transfer.written();
}
