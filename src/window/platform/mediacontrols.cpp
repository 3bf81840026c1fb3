#include "platform/mediacontrols.h"

namespace platform {

void MediaControls::setPlaying(bool playing)
{
    if (playing == m_playing)
        return;
    m_playing = playing;
    emit playingChanged();
}

void MediaControls::setTrack(const Track &track)
{
    if (track == m_track)
        return;
    m_track = track;
    emit trackChanged();
}

void MediaControls::setVolume(double volume)
{
    if (qFuzzyCompare(volume + 1, m_volume + 1))
        return;
    m_volume = volume;
    emit volumeChanged();
}

} // namespace platform
