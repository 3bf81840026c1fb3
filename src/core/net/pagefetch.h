#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class QDateTime;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class QUrl;

namespace net {

// How many redirects in a row a request follows, as browsers do.
inline constexpr int kMaxRedirects = 20;

// The program's one network access manager. It honours the system's proxy settings
// (on Linux the http_proxy / https_proxy / no_proxy environment), keeps no cache,
// verifies every certificate against the trusted authorities (platform/trust.h) and
// follows redirects to http and https addresses, at most kMaxRedirects in a row.
QNetworkAccessManager &networkManager();

// A status that ends a request: not informational (1xx) and not a redirect (3xx). A
// request that ends on another one followed redirects until they ran out.
bool isFinalStatus(int httpStatus);

// http or https: the schemes a redirect may lead to.
bool isWebScheme(const QUrl &url);

// How a request ended.
enum class Outcome {
    Answered,  // the server sent a response (whatever its status)
    Failed,    // no usable response: refused, unresolvable, reset, too large, or silent too long
    Abandoned, // the program is quitting; the caller must not touch its window any more
};

struct FetchResult {
    Outcome outcome = Outcome::Failed;
    int httpStatus = 0;
    QByteArray body;
    QByteArray contentType;
    QByteArray retryAfter; // the Retry-After header, "" when there is none
    QString errorString;
};

// Lets go of a reply the program no longer wants: the caller has disconnected from it, and
// it is deleted from the event loop, which cuts its connection. Never abort() for this: the
// network thread may still have an error on its way for the reply (an error status, a
// closed connection), and an aborted reply that then gets one warns of an internal problem.
void dropReply(QNetworkReply *reply);

// The connection closed before any answer came: a kept-alive connection that the server
// closed just as the request went out. Such a request is sent again once on a new one, as
// browsers do.
bool closedUnanswered(const QNetworkReply &reply);

// How long a busy server asks to be left alone before the same request comes again: an
// answer 429 (too many requests) or 503 (unavailable) with a Retry-After header of
// seconds or of an HTTP date (a date already past: 0). Nothing for any other answer.
std::optional<std::chrono::seconds> retryAfter(int httpStatus, const QByteArray &value, const QDateTime &now);

// A fetch ends as Failed after this long without any progress.
std::chrono::milliseconds fetchIdleTimeout();
void setFetchIdleTimeout(std::chrono::milliseconds timeout);

// A page larger than this is not a page: the fetch stops and fails.
inline constexpr qint64 kMaxPageBytes = 16 * 1024 * 1024;

// One request under way, answered from the event loop: finished() comes once, with the
// whole answer or why there is none. Deleting the job aborts the request.
class FetchJob : public QObject
{
    Q_OBJECT
public:
    FetchJob(const QNetworkRequest &request, qint64 maxBytes, QObject *parent = nullptr);
    ~FetchJob() override;

    // Ends the request now: finished() follows at once with Outcome::Abandoned.
    void abandon();

signals:
    void finished(const net::FetchResult &result);

private:
    void send();
    void end(FetchResult result);
    FetchResult answer() const;

    QNetworkRequest m_request;
    QNetworkReply *m_reply = nullptr;
    bool m_resent = false;
    QTimer *m_idle = nullptr;
    qint64 m_maxBytes = 0;
    bool m_ended = false;
};

// Sends request and waits for the whole answer in a nested event loop, so the
// windows stay live meanwhile.
FetchResult fetch(const QNetworkRequest &request, qint64 maxBytes);

// Decodes a page body: the charset of the Content-Type header, else a charset named
// by a meta element near the top of the page, else UTF-8.
QString decodeBody(const QByteArray &body, const QByteArray &contentType);

struct PageResult {
    Outcome outcome = Outcome::Failed;
    QString text;
    int httpStatus = 0;

    bool answered() const { return outcome == Outcome::Answered; }
    bool abandoned() const { return outcome == Outcome::Abandoned; }
};

// Fetches the page at URL (used unchanged) with "If-Modified-Since: 0" and returns
// its whole text, whatever the HTTP status of the answer.
PageResult GetBody(const QString &URL);

// The request GetBody sends, and its answer read as a page: for fetches that run side by
// side (FetchJob) instead of one at a time.
QNetworkRequest pageRequest(const QString &URL);
PageResult pageOf(const FetchResult &fetched);

} // namespace net
