#include "platform/mprisroot.h"

#include "platform/busname.h"
#include "platform/mediacontrols.h"
#include "platform/mprisplayer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <memory>

namespace platform {

const QString MprisRoot::kServiceName = QStringLiteral("org.mpris.MediaPlayer2.quillory");
const QString MprisRoot::kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

namespace {

using namespace busname;

// Asks for name without waiting and notes it in owned once it is taken; a taken name leads
// to the instance name MPRIS gives a second player of the same program.
void requestName(QDBusConnection bus, const QString &name, MediaControls *controls,
                 const std::shared_ptr<QString> &owned, bool lastTry)
{
    auto *watcher = new QDBusPendingCallWatcher(
        bus.interface()->asyncCall(QStringLiteral("RequestName"), name, kDoNotQueue), controls);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, controls,
                     [bus, name, controls, owned, lastTry](QDBusPendingCallWatcher *w) {
                         const QDBusPendingReply<uint> answer = *w;
                         w->deleteLater();
                         if (answer.isError())
                             return;
                         if (answer.value() == kPrimaryOwner)
                             *owned = name;
                         else if (!lastTry)
                             requestName(bus, name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()),
                                         controls, owned, true);
                     });
}

} // namespace

MprisRoot::MprisRoot(MediaControls *controls)
    : QDBusAbstractAdaptor(controls)
    , m_controls(controls)
{
}

void MprisRoot::publish(MediaControls *controls)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    new MprisRoot(controls);
    new MprisPlayer(controls);
    if (!bus.registerObject(kObjectPath, controls, QDBusConnection::ExportAdaptors))
        return; // another window of this process shows its playback
    const auto owned = std::make_shared<QString>();
    requestName(bus, kServiceName, controls, owned, false);
    // The name and the object go with the controls (the next window of a test run takes them).
    QObject::connect(controls, &QObject::destroyed, [bus, owned]() mutable {
        bus.unregisterObject(kObjectPath);
        if (!owned->isEmpty())
            bus.interface()->asyncCall(QStringLiteral("ReleaseName"), *owned);
    });
}

void MprisRoot::Raise()
{
    m_controls->requestRaise();
}

void MprisRoot::Quit()
{
    // CanQuit is false: the program ends by its own buttons only.
}

} // namespace platform
