#pragma once

#include <QObject>
#include <QString>

namespace platform {

// What the desktop's media controls (the shell's media widget, the media keys) see of the
// window's playback, and what they ask of it. The window tells it what plays and answers
// its requests; how they reach the desktop (MPRIS, platform/mpris*.h) is none of its concern.
class MediaControls : public QObject
{
    Q_OBJECT
public:
    struct Track {
        QString title;  // the song
        QString artist; // the singer
        QString artUrl; // the singer's picture
        QString url;    // the audio address
        quint64 number = 0; // which lookup it came from; 0: no song yet
        bool operator==(const Track &) const = default;
    };

    using QObject::QObject;

    bool playing() const { return m_playing; }
    const Track &track() const { return m_track; }
    double volume() const { return m_volume; } // 0..1

    void setPlaying(bool playing);
    void setTrack(const Track &track);
    void setVolume(double volume);

    // From the desktop.
    void requestPlay() { emit playRequested(); }
    void requestPause() { emit pauseRequested(); }
    void requestPlayPause() { emit playPauseRequested(); }
    void requestStop() { emit stopRequested(); }
    void requestVolume(double volume) { emit volumeRequested(volume); }
    void requestRaise() { emit raiseRequested(); }

signals:
    void playingChanged();
    void trackChanged();
    void volumeChanged();

    void playRequested();
    void pauseRequested();
    void playPauseRequested();
    void stopRequested();
    void volumeRequested(double volume);
    void raiseRequested();

private:
    bool m_playing = false;
    Track m_track;
    double m_volume = 1.0;
};

} // namespace platform
