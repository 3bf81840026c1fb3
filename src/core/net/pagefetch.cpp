#include "net/pagefetch.h"

#include "platform/exit.h"
#include "platform/trust.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

#include <memory>
#include <optional>

namespace net {
namespace {

std::chrono::milliseconds g_idleTimeout{30000};

// The charset parameter of a Content-Type value, or "" when it names none.
QByteArray charsetOfContentType(const QByteArray &contentType)
{
    static const QRegularExpression re(QStringLiteral(R"(charset\s*=\s*["']?([A-Za-z0-9._:-]+))"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto match = re.match(QString::fromLatin1(contentType));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

// The charset named by <meta charset=...> or <meta http-equiv ... content="...charset=...">
// within the first bytes of a page.
QByteArray charsetOfMeta(const QByteArray &body)
{
    static const QRegularExpression re(
        QStringLiteral(R"(<meta[^>]*charset\s*=\s*["']?([A-Za-z0-9._:-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = re.match(QString::fromLatin1(body.left(4096)));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

bool isTransportError(QNetworkReply::NetworkError error)
{
    // Errors from 201 on come with an HTTP answer (404, 500 and the like); below that
    // the connection itself or the proxy failed.
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

bool isSecure(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

// Every request of the program follows redirects as a browser does: to http and https
// addresses alike (a song's host may send an https request on to plain http), at most
// kMaxRedirects in a row; a longer chain, a loop among them, or a redirect to any other
// scheme ends the request as failed.
class Manager final : public QNetworkAccessManager
{
public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &original, QIODevice *outgoingData) override
    {
        QNetworkRequest request(original);
        if (isSecure(request.url()))
            platform::useTrustedAuthorities();
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
        request.setMaximumRedirectsAllowed(kMaxRedirects);
        QNetworkReply *reply = QNetworkAccessManager::createRequest(op, request, outgoingData);
        connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl &target) {
            if (isSecure(target))
                platform::useTrustedAuthorities();
            if (isWebScheme(target))
                emit reply->redirectAllowed();
            else
                reply->abort();
        });
        return reply;
    }
};

} // namespace

bool isFinalStatus(int httpStatus)
{
    return httpStatus >= 200 && (httpStatus < 300 || httpStatus >= 400);
}

void dropReply(QNetworkReply *reply)
{
    if (reply)
        reply->deleteLater();
}

bool closedUnanswered(const QNetworkReply &reply)
{
    return reply.error() == QNetworkReply::RemoteHostClosedError
           && !reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
}

bool isWebScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QNetworkAccessManager &networkManager()
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        manager = new Manager(QCoreApplication::instance());
        manager->setCache(nullptr);
    }
    return *manager;
}

std::optional<std::chrono::seconds> retryAfter(int httpStatus, const QByteArray &value, const QDateTime &now)
{
    if (httpStatus != 429 && httpStatus != 503)
        return std::nullopt;
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool number = false;
    const qlonglong seconds = text.toLongLong(&number);
    if (number)
        return seconds >= 0 ? std::optional(std::chrono::seconds(seconds)) : std::nullopt;
    // An HTTP date: the fixed form ("Sun, 06 Nov 1994 08:49:37 GMT"), else whatever else
    // of the mail form a server sends.
    QDateTime at = QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (at.isValid())
        at.setTimeSpec(Qt::UTC);
    else
        at = QDateTime::fromString(QString::fromLatin1(text), Qt::RFC2822Date);
    if (!at.isValid())
        return std::nullopt;
    return std::chrono::seconds(std::max<qint64>(0, now.secsTo(at)));
}

std::chrono::milliseconds fetchIdleTimeout()
{
    return g_idleTimeout;
}

void setFetchIdleTimeout(std::chrono::milliseconds timeout)
{
    g_idleTimeout = timeout;
}

FetchJob::FetchJob(const QNetworkRequest &original, qint64 maxBytes, QObject *parent)
    : QObject(parent)
    , m_idle(new QTimer(this))
    , m_maxBytes(maxBytes)
{
    m_request = original;
    m_request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    m_idle->setSingleShot(true);
    connect(m_idle, &QTimer::timeout, this, [this] {
        FetchResult result;
        result.errorString = QStringLiteral("no progress within the time limit");
        end(result);
    });
    send();
    m_idle->start(fetchIdleTimeout());
}

void FetchJob::send()
{
    m_reply = networkManager().get(m_request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        m_idle->start();
        if (received > m_maxBytes) {
            FetchResult result;
            result.errorString = QStringLiteral("answer too large");
            end(result);
        }
    });
    connect(m_reply, &QNetworkReply::finished, this, [this] {
        if (closedUnanswered(*m_reply) && !m_resent) {
            m_resent = true;
            m_reply->disconnect(this);
            m_reply->deleteLater();
            send();
            return;
        }
        end(answer());
    });
}

FetchJob::~FetchJob()
{
    if (m_reply) {
        m_reply->disconnect(this);
        dropReply(m_reply);
    }
}

void FetchJob::abandon()
{
    FetchResult result;
    result.outcome = Outcome::Abandoned;
    result.errorString = QStringLiteral("abandoned");
    end(result);
}

void FetchJob::end(FetchResult result)
{
    if (m_ended)
        return;
    m_ended = true;
    m_idle->stop();
    m_reply->disconnect(this);
    // The program is ending, also when the answer came in the same pass: the caller goes
    // no further.
    if (platform::programEnding()) {
        result = FetchResult{};
        result.outcome = Outcome::Abandoned;
        result.errorString = QStringLiteral("abandoned");
    }
    emit finished(result);
}

FetchResult FetchJob::answer() const
{
    FetchResult result;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportError(m_reply->error()) || !status.isValid()) {
        result.errorString = m_reply->errorString();
        return result;
    }
    if (!isFinalStatus(status.toInt())) {
        // The redirects never came to an end (a loop; the network stack does not always
        // say so itself): no page.
        result.errorString = QStringLiteral("redirected too many times");
        return result;
    }
    result.outcome = Outcome::Answered;
    result.httpStatus = status.toInt();
    result.contentType = m_reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    result.retryAfter = m_reply->rawHeader("Retry-After");
    result.body = m_reply->readAll();
    if (result.body.size() > m_maxBytes) {
        result = FetchResult{};
        result.errorString = QStringLiteral("answer too large");
    }
    return result;
}

FetchResult fetch(const QNetworkRequest &request, qint64 maxBytes)
{
    FetchJob job(request, maxBytes);
    QEventLoop loop;
    std::optional<FetchResult> result;
    QObject::connect(&job, &FetchJob::finished, &loop, [&](const FetchResult &r) {
        result = r;
        loop.quit();
    });
    if (!result)
        loop.exec();
    // Left the wait without an answer: the application is leaving its event loops
    // because it is quitting.
    if (!result)
        job.abandon();
    return *result;
}

QString decodeBody(const QByteArray &body, const QByteArray &contentType)
{
    QByteArray charset = charsetOfContentType(contentType);
    if (charset.isEmpty())
        charset = charsetOfMeta(body);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}

QNetworkRequest pageRequest(const QString &URL)
{
    QNetworkRequest request{QUrl(URL)};
    request.setRawHeader("If-Modified-Since", "0");
    return request;
}

PageResult GetBody(const QString &URL)
{
    return pageOf(fetch(pageRequest(URL), kMaxPageBytes));
}

PageResult pageOf(const FetchResult &fetched)
{
    PageResult page;
    page.outcome = fetched.outcome;
    page.httpStatus = fetched.httpStatus;
    if (fetched.outcome == Outcome::Answered)
        page.text = decodeBody(fetched.body, fetched.contentType);
    return page;
}

} // namespace net
