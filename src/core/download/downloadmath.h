#pragma once

#include "song/mediakind.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The arithmetic and the file names of a song download, apart from any window or socket.
namespace download {

// The speed reported while less than half a second has passed: not a measurement.
inline constexpr qint64 kSpeedPlaceholder = 1025;

// Nearest whole number, a tie going to the even neighbour (2.5 -> 2, 3.5 -> 4).
qint64 roundHalfEven(double value);

// The whole second since local midnight at which a transfer started.
qint64 startSecond(double secondsSinceMidnight);

// Average bytes per second of a transfer that started at startSecond and has written
// total bytes at now (seconds since midnight, with fraction). While the rounded elapsed
// time is 0 or less, also after the clock passed midnight, the placeholder stands in.
qint64 transferSpeed(qint64 total, qint64 startSecond, double now);

// Whole percentage of size that done makes, 0 when the size is unknown, at most 100.
int progressPercent(qint64 done, qint64 size);

// The announced size of a resource from its Content-Length value; 0 when there is
// none or it is not a decimal count.
qint64 announcedSize(const QByteArray &contentLength);

// A song or singer name made fit for a file name: a "/" or NUL would name another
// folder or cut the name short, so each becomes "_". Nothing else changes.
QString fileNamePart(const QString &name);

// "<song> - <singer>.mp3", or ".mp4" for a video work.
QString defaultFileName(const QString &song, const QString &singer, MediaKind kind = MediaKind::Audio);

// "<folder>/<song> - <singer>.mp3" (".mp4" for a video work), folder being the default
// download folder.
QString defaultSavePath(const QString &folder, const QString &song, const QString &singer,
                        MediaKind kind = MediaKind::Audio);

// The file types the save dialog offers, ";;" between two: "MP3音乐文件 (*.mp3)", and
// for a video work "MP4视频文件 (*.mp4)" first.
QString saveDialogFilter(MediaKind kind);

// Where a transfer writes until its file is whole: "<path>.part" beside the song's name,
// which the song takes only then.
QString partPath(const QString &path);

// path with " (n)" before its extension ("a/b - c.mp3", 2 -> "a/b - c (2).mp3"), or at
// its end when the file name has none.
QString numberedPath(const QString &path, int n);

} // namespace download
