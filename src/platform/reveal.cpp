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

void openContainingFolder(const QString &filePath)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(filePath).absolutePath()));
}

void showInFileManager(const QString &filePath)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(filePath);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath()).toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [filePath](QDBusPendingCallWatcher *w) {
        if (w->isError())
            openContainingFolder(filePath);
        w->deleteLater();
    });
}

} // namespace

void revealFile(const QString &filePath)
{
    const RevealRequest request{filePath};
    requests().append(request);
    if (handler())
        handler()(request);
    else
        showInFileManager(filePath);
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
