#pragma once

#include <QByteArray>
#include <QString>

// Tags written into a saved song, so that a music player shows the song's name, its
// singer, the description and the singer's picture without knowing where it came from.
namespace download {

struct SongTags {
    QString title;         // the song name
    QString artist;        // the singer
    QString comment;       // the description
    QByteArray cover;      // the singer's picture, bytes as served ("" = none)
    QByteArray coverType;  // its MIME type as served, e.g. "image/jpeg"; guessed from the
                           // bytes (JPEG, PNG, GIF, WebP) when empty or not image/*
    QString sourcePage;    // the share page's address
};

enum class TagResult {
    Written,   // the tags are in the file (or there was nothing to write)
    NotMedia,  // neither MPEG audio nor MP4: the file was left exactly as it was
    Failed,    // the tags could not be saved: the file was left exactly as it was
};

// Writes tags into the file at path; empty fields are not written.
//
// The file's kind comes from its bytes, never from its name: MP4 when TagLib reads it
// as an MP4 with an audio track, else MPEG audio when TagLib finds MPEG audio frames in
// it, else NotMedia.
//
// MP3: an ID3v2.4 tag in UTF-8 with TIT2 (title), TPE1 (artist), COMM (comment, no
// description), APIC (front cover with its MIME type) and WOAS (sourcePage, percent-
// encoded). Each replaces a frame of its kind already there (COMM without description,
// APIC front cover); other frames stay. ID3v1 and APE tags are stripped: they cannot
// hold Chinese text, and a player would show their stale names.
// MP4: the atoms ©nam, ©ART, ©cmt and covr (JPEG, PNG, GIF or BMP; a cover of another
// type, such as WebP, is not written into an MP4); the page address is not written.
//
// Crash-safe: the file is read into memory (about its own size, while tagging),
// tagged there, written to a new file beside it, flushed to disk and renamed over the
// original only when all of that succeeded. The original's mode, owner and user.*
// extended attributes go over to the tagged file; other hard links to it keep the
// untagged bytes. A symbolic link stays a link: the file it points at is replaced.
// On Failed, error (when given) says why in one line.
//
// With a destination, the tagged file is written there instead (replacing what was there,
// by the same rename) and the file at path stays exactly as it was; on anything but
// Written the destination was not touched.
TagResult writeSongTags(const QString &path, const SongTags &tags, QString *error = nullptr,
                        const QString &destination = {});

// What the first bytes of a body (12 are enough) say it is, as writeSongTags decides
// whether to read further: an MP4's file type box, or an ID3v2 tag or MPEG frame sync.
enum class BodyKind { Mpeg, Mp4, Other };
BodyKind bodyKindOf(const QByteArray &head);

// The length of the ID3v2 tag that head begins with (header, frames, padding and a
// footer when its flag says so); 0 when it begins with none; -1 when too few bytes came
// to tell.
qint64 id3v2Length(const QByteArray &head);

// The song's tag to write ahead of an MPEG body, for a file saved in one pass: head is
// the body's first bytes (its own ID3v2 tag whole, when it begins with one, and some
// frames after it). The tag is writeSongTags' (ID3v2.4, UTF-8, the same frames; the other
// frames of the body's own tag stay), with padding for later edits; the body follows it
// without its own tag. Empty when head is not MPEG audio to TagLib (its frames must
// follow one another) or there is nothing to write.
QByteArray mpegTagAhead(const QByteArray &head, const SongTags &tags);

// How many bytes at the end of a file are an ID3v1 tag (128 bytes, "TAG") and an APE tag
// before it or alone, from the file's last bytes (160 are enough for the ID3v1 tag and
// the APE tag's footer); writeSongTags strips both.
qint64 trailingTagsLength(const QByteArray &tail);

// The cover's MIME type: coverType without parameters, lower case, when it is image/*;
// else the type that the bytes' signature tells; else empty (the cover is not written).
QByteArray coverMimeType(const QByteArray &cover, const QByteArray &coverType);

} // namespace download
