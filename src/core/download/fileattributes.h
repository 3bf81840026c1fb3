#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// Extended attributes (Linux, user.* namespace) of a saved song: where it came from,
// and what the server served. On a file system without user attributes every call
// quietly does nothing (no attribute is written, none is read); other failures are
// ignored too, the attributes being a courtesy that never fails a download.
namespace download {

// Writes user.xdg.origin.url (the address the song was fetched from) and
// user.xdg.referrer.url (the page that led to it) as other download tools do: the
// address as UTF-8 without a terminating NUL, a user name and password in it removed.
// An empty address is not written.
void setOriginAttributes(const QString &path, const QString &originUrl, const QString &referrerUrl);

// What the server served for a song: the body's size and its validator (its ETag, or
// its Last-Modified when it had no ETag; may be empty), and on a whole song's file the
// file's own size as saved, which tags make differ from the body's. Kept in
// user.quillory.served as "<size> <validator>" on a part, "<size>/<file size> <validator>"
// on a whole file. A part whose song tag goes ahead of the body says so as
// "<size>@<tag bytes>+<skipped> <validator>": its first <tag bytes> bytes are the tag, and
// the rest are the body's bytes from <skipped> on (the tag the body began with, left out),
// so the body stands at <skipped> + its length - <tag bytes>. Older versions read no record
// in that and start such a part over.
struct ServedRecord {
    qint64 size = -1;
    QByteArray validator;
    qint64 fileSize = -1; // -1 on a part, and on files saved by older versions
    qint64 tagBytes = -1; // on a part with the tag ahead: the tag's length, else -1
    qint64 skipped = 0;   // on a part with the tag ahead: the served bytes left out at the start
};

// Writes the record; a record without a size (negative) is not written.
void setServedRecord(const QString &path, const ServedRecord &record);
// Takes the record off: the file no longer holds what it describes.
void removeServedRecord(const QString &path);

// The record written by setServedRecord, or nothing when there is none or it is garbled.
std::optional<ServedRecord> servedRecord(const QString &path);

// Whether the file at path already holds the whole body that the server now announces
// as announcedSize bytes with validator (ETag or Last-Modified, may be empty). With a
// served record, its size must equal announcedSize, when both the record's and the
// given validator are known the two must be the same bytes, and the file must still be
// as long as it was saved (a file shortened later is not whole). A record without the
// saved length (older versions wrote it also on a stopped half) counts only for a file
// exactly announcedSize long. Without a record (a file saved by an older run, or on a
// file system without attributes, never tagged), the file's own size must equal
// announcedSize. An unknown size (0 or less) is never held.
bool holdsServedBody(const QString &path, qint64 announcedSize, const QByteArray &validator);

// Copies every user.* attribute of from onto to; false when one could not be copied
// (a file system without attributes on either side is no failure).
bool copyUserAttributes(const QString &from, const QString &to);

} // namespace download
