#pragma once

#include <QString>

// What the media address of a work holds: a song's audio (an MP3) or a video work (an MP4).
enum class MediaKind { Audio, Video };

// The file name extension of that media, without the dot: "mp3" or "mp4".
inline QString mediaSuffix(MediaKind kind)
{
    return kind == MediaKind::Video ? QStringLiteral("mp4") : QStringLiteral("mp3");
}
