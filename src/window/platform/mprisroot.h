#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

namespace platform {

class MediaControls;

// MPRIS's main interface on the media controls' object: who the player is. The window
// comes to the front on Raise; the player is never ended from outside.
class MprisRoot : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    static const QString kServiceName;
    static const QString kObjectPath;

    explicit MprisRoot(MediaControls *controls);

    // Puts the controls on the session bus as org.mpris.MediaPlayer2.quillory (another
    // window of the same bus takes a name of its own): both interfaces, their properties
    // and PropertiesChanged. Without a bus nothing happens. Nothing waits for the bus.
    static void publish(MediaControls *controls);

    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Quillory"); }
    QString desktopEntry() const { return QStringLiteral("quillory"); }
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public slots:
    void Raise();
    void Quit();

private:
    MediaControls *m_controls;
};

} // namespace platform
