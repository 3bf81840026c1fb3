#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

namespace platform {

// The program's one window in a desktop session. The first start owns the program's name
// on the session bus and answers the desktop's application interface
// (org.freedesktop.Application) there; a later start of the same session hands its address
// to that window instead of opening one of its own. The bus keeps sessions and users apart,
// gives the name to exactly one of two starts racing for it, and frees it when its owner
// ends, however it ends. Without a session bus every start runs alone, as it always did.
class AppInstance : public QObject
{
    Q_OBJECT
public:
    enum class Start {
        First,      // this start owns the name: it opens the window and takes hand-overs
        HandedOver, // a running window took the address: this start ends
        Alone,      // no session bus, or no answer from it: this start runs by itself
    };

    static const QString kServiceName;
    static const QString kObjectPath;

    explicit AppInstance(QObject *parent = nullptr);
    ~AppInstance() override;

    // Takes the name, or hands address ("" only brings the window to the front) to the
    // window that has it. Call once, after the application object exists and before the
    // window does. Waits for the bus only, never longer than a short time limit.
    Start claim(const QString &address);

    // A later start's request, as the application interface carries it: queued, so that
    // the later start has its answer at once, whatever the window does with it.
    void receive(const QString &address, const QVariantMap &platformData);

signals:
    // A later start asked for the window; address is "" when it only wants it in front.
    void handedOver(const QString &address);

private:
    bool m_exported = false;
};

} // namespace platform
