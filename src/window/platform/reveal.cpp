#include "platform/reveal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform {
namespace {

QList<RevealRequest> &requests()
{
    static QList<RevealRequest> log;
    return log;
}

std::function<void(const RevealRequest &)> &handler()
{
    static std::function<void(const RevealRequest &)> h;
    return h;
}

void openContainingFolder(const RevealRequest &request)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(request.filePath).absolutePath()))
        && request.notShown)
        request.notShown();
}

void showInFileManager(const RevealRequest &request)
{
    const QString &filePath = request.filePath;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(request);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath()).toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [request](QDBusPendingCallWatcher *w) {
        if (w->isError())
            openContainingFolder(request);
        w->deleteLater();
    });
}

} // namespace

void revealFile(const QString &filePath, std::function<void()> notShown)
{
    const RevealRequest request{filePath, std::move(notShown)};
    requests().append(request);
    if (handler())
        handler()(request);
    else
        showInFileManager(request);
}

const QList<RevealRequest> &revealLog()
{
    return requests();
}

void clearRevealLog()
{
    requests().clear();
}

void setRevealHandler(std::function<void(const RevealRequest &)> h)
{
    handler() = std::move(h);
}

} // namespace platform
