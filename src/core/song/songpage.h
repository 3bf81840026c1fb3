#pragma once

#include "song/mediakind.h"

#include <QString>

#include <optional>

// Reading a song's share page into the song record and the captions of the two
// information panels.

// The pieces a lookup cuts out of a page with a marker split. A slot is overwritten
// only when its marker occurs; otherwise it keeps the piece of an earlier page.
struct LookupSlots {
    QString titlePiece;
    QString userPiece;
    QString fansPiece;
    QString descriptionPiece;
    QString songPiece;
    QString playsPiece, playsEmPiece;
    QString giftsPiece, giftsEmPiece;
    QString sharesPiece, sharesEmPiece;
    QString commentsPiece, commentsEmPiece;
    QString avatarPiece;
    QString vAudioTail; // the text after the audio marker (the re-resolve command writes it too)
    QString vAudioBare; // vAudioTail without quotes, trimmed (likewise)
};

// The song the window currently holds. The song name lives only in Label2's caption.
struct SongRecord {
    QString strBody;     // whole text of the last fetched share page
    QString strUserName; // the singer's user name
    QString strMusicUrl; // the audio address
    QString strMvUrl;    // the MV player address, "" when the song has none
    QString strWorkId;   // the audio file name without its extension
    MediaKind mediaKind = MediaKind::Audio; // what strMusicUrl holds: a video work's page gives an MP4
    // Whether strMusicUrl came from the last page cut (its audio marker or its video),
    // rather than being kept from an earlier page that had one.
    bool mediaOfThisPage = false;
};

// What a lookup shows.
struct SongPanel {
    QString label1;  // "用户名：" + user name
    QString label4;  // "粉丝数：" + fans
    QString label10; // the description
    QString label2;  // "演唱歌曲：" + song name
    QString label5;  // plays
    QString label6;  // gifts
    QString label7;  // shares
    QString label9;  // comments
    QString avatarAddress;
    bool hasMv = false;
};

// Cuts page (a non-empty share page) into slots and record and returns the captions.
// Resets record.strMvUrl and sets it again when the page has an MV; strBody is the
// caller's. A page without the audio marker whose videoAddress() is an address is a
// video work: that address becomes strMusicUrl, and its workIdOfVideoPage() the work id.
SongPanel cutSongPage(const QString &page, LookupSlots &pieces, SongRecord &record);

// The address a video work's page carries as video_url: '<base64 text>' (or in double
// quotes, with blanks around the colon): the decoded text, when it is an http or https
// address. Nothing when there is no such value, it is not base64, or it decodes to
// anything else.
std::optional<QString> videoAddress(const QString &page);

// The digits after the first "workid=" of page; nothing when no digit follows it.
std::optional<QString> workIdOfVideoPage(const QString &page);

// The song name held in a Label2 caption.
QString songNameOfCaption(const QString &label2Caption);
