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
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
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
}

void Notifier::saveEnded(const QString &summary, const QString &place, bool isFolder)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // First what the server reads: one that reads markup would swallow a "&" or "<" of a
    // file name. Asked only now, so that no server is started before there is word to give.
    auto *asked = new QDBusPendingCallWatcher(bus.asyncCall(serverCall(QStringLiteral("GetCapabilities"))), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [=, this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> capabilities = *w;
        if (capabilities.isError())
            return; // no notification server
        const QString shown = QDir::toNativeSeparators(place);
        const bool markup = capabilities.value().contains(QStringLiteral("body-markup"));
        QDBusMessage notify = serverCall(QStringLiteral("Notify"));
        notify << QStringLiteral("Quillory") << uint(0) << QStringLiteral("quillory") << summary
               << (markup ? shown.toHtmlEscaped() : shown) << QStringList{kOpenFolder, QStringLiteral("打开文件夹")}
               << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("quillory")}} << int(-1);
        auto *notified = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
        connect(notified, &QDBusPendingCallWatcher::finished, this, [=, this](QDBusPendingCallWatcher *n) {
            n->deleteLater();
            const QDBusPendingReply<uint> id = *n;
            if (!id.isError())
                m_shown.insert(id.value(), Place{place, isFolder});
        });
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
