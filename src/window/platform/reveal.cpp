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

// The folder the desktop's opener is given: the folder itself, or the one holding the file.
void openFolder(const RevealRequest &request)
{
    const QFileInfo shown(request.filePath);
    const QString folder = request.isFolder ? shown.absoluteFilePath() : shown.absolutePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)) && request.notShown)
        request.notShown();
}

void showInFileManager(const RevealRequest &request)
{
    const QString &filePath = request.filePath;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(request);
        return;
    }
    // A folder is opened (ShowFolders); a file is shown selected in its folder (ShowItems).
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"),
        request.isFolder ? QStringLiteral("ShowFolders") : QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath()).toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [request](QDBusPendingCallWatcher *w) {
        if (w->isError())
            openFolder(request);
        w->deleteLater();
    });
}

void record(const RevealRequest &request)
{
    requests().append(request);
    if (handler())
        handler()(request);
    else
        showInFileManager(request);
}

} // namespace

void revealFile(const QString &filePath, std::function<void()> notShown)
{
    record(RevealRequest{filePath, std::move(notShown), false});
}

void showFolder(const QString &folder, std::function<void()> notShown)
{
    record(RevealRequest{folder, std::move(notShown), true});
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
