#include "platform/launcherentry.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <algorithm>

namespace platform {

const QString LauncherEntry::kAppUri = QStringLiteral("application://quillory.desktop");

LauncherEntry::LauncherEntry(QObject *parent)
    : QObject(parent)
{
}

LauncherEntry::~LauncherEntry()
{
    clear();
}

void LauncherEntry::showProgress(double share)
{
    // A thousandth is finer than any bar on a dock; more would only fill the bus.
    const int permille = std::clamp(int(share * 1000), 0, 1000);
    if (permille == m_permille)
        return;
    m_permille = permille;
    send({{QStringLiteral("progress"), permille / 1000.0}, {QStringLiteral("progress-visible"), true}});
}

void LauncherEntry::showCount(int count)
{
    if (count == m_count)
        return;
    m_count = count;
    send({{QStringLiteral("count"), qint64(count)}, {QStringLiteral("count-visible"), true}});
}

void LauncherEntry::clear()
{
    if (m_permille < 0 && m_count < 0)
        return;
    m_permille = -1;
    m_count = -1;
    send({{QStringLiteral("progress"), 0.0},
          {QStringLiteral("progress-visible"), false},
          {QStringLiteral("count"), qint64(0)},
          {QStringLiteral("count-visible"), false}});
}

void LauncherEntry::send(const QVariantMap &properties)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(QStringLiteral("/invalid/quillory/quillory/LauncherEntry"),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    update << kAppUri << properties;
    bus.send(update);
}

} // namespace platform
