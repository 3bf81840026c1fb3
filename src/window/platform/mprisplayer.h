#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace platform {

class MediaControls;

// MPRIS's player interface on the media controls' object: what plays, at which volume,
// and play, pause and stop from the desktop. The window plays and stops only, so a pause
// stops and nothing seeks or skips. Every change goes out as PropertiesChanged.
class MprisPlayer : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ no)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MprisPlayer(MediaControls *controls);

    QString playbackStatus() const;
    double rate() const { return 1.0; }
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const { return 0; }
    bool yes() const { return true; }
    bool no() const { return false; }

public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next() {}
    void Previous() {}
    void Seek(qlonglong offset) { Q_UNUSED(offset); }
    void SetPosition(const QDBusObjectPath &trackId, qlonglong position)
    {
        Q_UNUSED(trackId);
        Q_UNUSED(position);
    }
    void OpenUri(const QString &uri) { Q_UNUSED(uri); }

signals:
    void Seeked(qlonglong position);

private:
    void changed(const QString &property, const QVariant &value);

    MediaControls *m_controls;
};

} // namespace platform
