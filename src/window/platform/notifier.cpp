#include "platform/notifier.h"

#include "platform/reveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>

namespace platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kOpenFolder = QStringLiteral("open-folder");

QDBusMessage serverCall(const QString &method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    return call;
}

} // namespace

Notifier::Notifier(QObject *parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
    // A server that reads markup would swallow a "&" or "<" of a file name.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(serverCall(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<QStringList> capabilities = *w;
        m_markup = !capabilities.isError() && capabilities.value().contains(QStringLiteral("body-markup"));
        w->deleteLater();
    });
}

void Notifier::saveEnded(const QString &summary, const QString &place, bool isFolder)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    const QString shown = QDir::toNativeSeparators(place);
    QDBusMessage notify = serverCall(QStringLiteral("Notify"));
    notify << QStringLiteral("Quillory") << uint(0) << QStringLiteral("quillory") << summary
           << (m_markup ? shown.toHtmlEscaped() : shown) << QStringList{kOpenFolder, QStringLiteral("打开文件夹")}
           << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("quillory")}} << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, place, isFolder](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> id = *w;
        if (!id.isError())
            m_shown.insert(id.value(), Place{place, isFolder});
        w->deleteLater();
    });
}

void Notifier::actionInvoked(uint id, const QString &actionKey)
{
    const auto found = m_shown.constFind(id);
    if (found == m_shown.cend() || actionKey != kOpenFolder)
        return;
    // A saved file is shown selected; one that is not there (a failed save) leaves its folder.
    if (found->isFolder)
        showFolder(found->path);
    else if (QFileInfo::exists(found->path))
        revealFile(found->path);
    else
        showFolder(QFileInfo(found->path).absolutePath());
}

void Notifier::notificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason);
    m_shown.remove(id);
}

} // namespace platform
