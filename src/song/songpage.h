#pragma once

#include <QString>

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
// caller's.
SongPanel cutSongPage(const QString &page, LookupSlots &pieces, SongRecord &record);

// The song name held in a Label2 caption.
QString songNameOfCaption(const QString &label2Caption);
