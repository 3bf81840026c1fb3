#include "platform/mprisplayer.h"

#include "platform/mediacontrols.h"
#include "platform/mprisroot.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <algorithm>

namespace platform {

MprisPlayer::MprisPlayer(MediaControls *controls)
    : QDBusAbstractAdaptor(controls)
    , m_controls(controls)
{
    connect(controls, &MediaControls::playingChanged, this,
            [this] { changed(QStringLiteral("PlaybackStatus"), playbackStatus()); });
    connect(controls, &MediaControls::trackChanged, this, [this] { changed(QStringLiteral("Metadata"), metadata()); });
    connect(controls, &MediaControls::volumeChanged, this, [this] { changed(QStringLiteral("Volume"), volume()); });
}

QString MprisPlayer::playbackStatus() const
{
    return m_controls->playing() ? QStringLiteral("Playing") : QStringLiteral("Stopped");
}

QVariantMap MprisPlayer::metadata() const
{
    const MediaControls::Track &track = m_controls->track();
    if (track.number == 0)
        return {{QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")))}};
    QVariantMap data{
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(QDBusObjectPath(QStringLiteral("/invalid/quillory/quillory/track/%1").arg(track.number)))},
        {QStringLiteral("xesam:title"), track.title},
        {QStringLiteral("xesam:artist"), QStringList{track.artist}},
        {QStringLiteral("xesam:url"), track.url},
    };
    if (!track.artUrl.isEmpty())
        data.insert(QStringLiteral("mpris:artUrl"), track.artUrl);
    return data;
}

double MprisPlayer::volume() const
{
    return m_controls->volume();
}

void MprisPlayer::setVolume(double volume)
{
    m_controls->requestVolume(std::clamp(volume, 0.0, 1.0));
}

void MprisPlayer::Play()
{
    m_controls->requestPlay();
}

void MprisPlayer::Pause()
{
    m_controls->requestPause();
}

void MprisPlayer::PlayPause()
{
    m_controls->requestPlayPause();
}

void MprisPlayer::Stop()
{
    m_controls->requestStop();
}

void MprisPlayer::changed(const QString &property, const QVariant &value)
{
    QDBusMessage signal = QDBusMessage::createSignal(MprisRoot::kObjectPath,
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << QVariantMap{{property, value}} << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace platform
