#pragma once

#include "song/songpage.h"
#include "works/workrows.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What the command line prints: plain functions from what the core found to text.

// A looked-up song as `info` tells it: the values of the window's captions without their
// labels, and what the record holds.
struct SongInfo {
    QString song, singer, description;
    QString fans, plays, gifts, shares, comments; // as the page writes them
    QString mediaUrl;  // "" when the page names no audio nor video of its own
    QString mediaKind; // "audio" or "video"
    QString workId, mvUrl, avatarUrl, shareUrl;
};

SongInfo songInfo(const SongRecord &record, const SongPanel &panel, const QString &shareUrl);

// One "key: value" line per field, keys as in the JSON object.
QString infoText(const SongInfo &info);
// One JSON object (see the manual page for its keys), with a line end.
QByteArray infoJson(const SongInfo &info);

// "number<TAB>work id<TAB>title", one line per row.
QString worksText(const QList<WorkRow> &rows);
// A JSON array of {"number", "work_id", "title", "resolve_url"}, with a line end.
QByteArray worksJson(const QList<WorkRow> &rows);

// "512 B", "3.4 KiB", "20.0 MiB", "1.5 GiB".
QString byteText(qint64 bytes);
// "0:07", "12:34", "1:02:03".
QString durationText(qint64 seconds);

// The progress bar line of a transfer that has written `done` of `total` bytes (0: not
// announced) in `seconds`: percent, bar, bytes, speed and time left.
QString progressLine(qint64 done, qint64 total, double seconds);
