#pragma once

#include "download/transfer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QEventLoop;

// Copies one resource, named by an address, into a local file. A copy runs on the
// user-interface thread inside DLFile, which returns when it is over; in between the
// object reports each stage through entDLFileStatus and each block of data through
// entDLFileDowning, and the event loop runs, so the windows stay live (a stop button
// clicked meanwhile runs nested inside DLFile).
//
// Stages (entDLFileStatus):
//   1 starting               2 opening the address       3 reading the announced size
//   4 writing the file       5 stopped on request        6 over: file and request closed
//   7 nothing could start    8 the address was not opened (no answer, or an error status)
//   9 the data ended (completely or not; see lastResult())
class Cls_DownLoad : public QObject
{
    Q_OBJECT
public:
    // How the last DLFile call ended; set before its status 6.
    using Result = download::TransferResult;

    explicit Cls_DownLoad(QObject *parent = nullptr);
    ~Cls_DownLoad() override;

    // Copies sRemoteURL into sLocalFilePath and returns the number of bytes in the file.
    // The bytes go to the part file download::partPath(sLocalFilePath), which replaces
    // sLocalFilePath only when it is whole (and tagged, as details say): every other end
    // leaves the file under that name as it was. A part of an earlier try of the same body
    // is continued. lTimeOut is accepted for callers' sake and has no effect: a transfer
    // gives up only when the network stays silent for the program's idle limit.
    qint64 DLFile(const QString &sRemoteURL, const QString &sLocalFilePath, qint32 lTimeOut,
                  const download::SaveDetails &details = {});

    // Asks the running transfer to stop after its next block; always answers false.
    bool DLFileStop();

    // The size the server announces for sRemoteURL, asked with a HEAD request so that
    // no byte of the body is sent (-1 when there is no such answer or it names no size),
    // and the body's validator.
    download::HeadAnswer DLFileHead(const QString &sRemoteURL);
    qint64 DLFileSize(const QString &sRemoteURL) { return DLFileHead(sRemoteURL).size; }

    Result lastResult() const { return m_result; }
    // The bytes the last DLFile call found in its part and did not fetch again.
    qint64 lastResumedAt() const { return m_resumedAt; }
    bool isBusy() const { return m_busy; }

    // Ends a running transfer at once (the data counts as broken off and the partial file
    // is removed) and tells abandoned(), so that whoever queued transfers stops too. The
    // program's ending (platform::endProgram) ends a transfer the same way by itself.
    void abandon();

    // Transfers from now on read no faster than the limiter allows (none: as fast as they come).
    void setRateLimiter(std::shared_ptr<download::RateLimiter> limiter) { m_limiter = std::move(limiter); }

    // The clock of the speed figures, in seconds since local midnight with fraction.
    using TimeOfDay = std::function<double()>;
    void setTimeOfDayClock(TimeOfDay clock);

signals:
    void entDLFileDowning(const QString &sRemoteURL, qint64 lDownLoaded, qint64 lFilesize, qint64 lSpeed);
    void entDLFileStatus(int TmpState);
    // abandon() was called; a running transfer or size query returns as soon as it can.
    void abandoned();

private:
    double timeOfDay();
    bool isAbandoned() const;

    bool bStop = false;
    bool m_busy = false;
    bool m_abandoned = false;
    Result m_result = Result::NotStarted;
    qint64 m_resumedAt = 0;
    QEventLoop *m_wait = nullptr;
    download::Transfer *m_transfer = nullptr;
    std::shared_ptr<download::RateLimiter> m_limiter;
    TimeOfDay m_clock;
    double m_dayRead = 0;          // the time of day when last read from the clock
    QElapsedTimer m_sinceDayRead;  // time since then
};
