#include "platform/appinstance.h"

#include "platform/applicationadaptor.h"
#include "platform/busname.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>

namespace platform {

const QString AppInstance::kServiceName = QStringLiteral("invalid.quillory.quillory");
const QString AppInstance::kObjectPath = QStringLiteral("/invalid/quillory/quillory");

namespace {

// The bus daemon answers at once; a hand-over waits for the running window's event loop,
// which a modal box or a transfer keeps running too.
constexpr int kBusTimeoutMs = 2000;
constexpr int kHandOverTimeoutMs = 5000;

using namespace busname;

// What the desktop gave this start to raise a window with, passed on to the one that shows.
QVariantMap platformData()
{
    QVariantMap data;
    if (const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN"); !token.isEmpty())
        data.insert(QStringLiteral("activation-token"), token);
    if (const QString id = qEnvironmentVariable("DESKTOP_STARTUP_ID"); !id.isEmpty())
        data.insert(QStringLiteral("desktop-startup-id"), id);
    return data;
}

} // namespace

AppInstance::AppInstance(QObject *parent)
    : QObject(parent)
{
    new ApplicationAdaptor(this);
}

AppInstance::~AppInstance()
{
    if (m_exported)
        QDBusConnection::sessionBus().unregisterObject(kObjectPath);
}

AppInstance::Start AppInstance::claim(const QString &address)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Start::Alone;
    // Exported before the name is taken: a start that finds the name finds the object.
    m_exported = bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors);
    if (!m_exported)
        return Start::Alone;

    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << kServiceName << kDoNotQueue;
    const QDBusMessage taken = bus.call(request, QDBus::Block, kBusTimeoutMs);
    const uint answer = taken.arguments().value(0).toUInt();
    if (taken.type() == QDBusMessage::ReplyMessage && (answer == kPrimaryOwner || answer == kAlreadyOwner))
        return Start::First;
    bus.unregisterObject(kObjectPath);
    m_exported = false;
    if (taken.type() != QDBusMessage::ReplyMessage)
        return Start::Alone;

    // Another start of this session has the name.
    QDBusMessage handOver = QDBusMessage::createMethodCall(
        kServiceName, kObjectPath, QStringLiteral("org.freedesktop.Application"),
        address.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    handOver.setAutoStartService(false);
    if (!address.isEmpty())
        handOver << QStringList{address};
    handOver << platformData();
    const QDBusMessage handed = bus.call(handOver, QDBus::Block, kHandOverTimeoutMs);
    // A window that went away meanwhile, or does not answer: this start shows its own.
    return handed.type() == QDBusMessage::ReplyMessage ? Start::HandedOver : Start::Alone;
}

void AppInstance::receive(const QString &address, const QVariantMap &platformData)
{
    // The window raised next uses what the desktop gave the later start.
    const QString token = platformData.value(QStringLiteral("activation-token")).toString();
    if (!token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    QTimer::singleShot(0, this, [this, address] { emit handedOver(address); });
}

} // namespace platform
