#include "song/songpage.h"

#include "net/endpoints.h"
#include "song/cut.h"

#include <QByteArray>
#include <QUrl>

namespace {

using cut::assignIf;
using cut::headUpTo;
using cut::pieceAfter;
using cut::removeAll;
using cut::trimSpaces;

const QString Q = QStringLiteral("\"");

// A count shown in the song panel: `<span class="<kind>">` ... `<em>` count `<`.
QString countText(const QString &page, const QString &kind, QString &piece, QString &emPiece)
{
    assignIf(piece, pieceAfter(page, QStringLiteral("<span class=") + Q + kind + Q + QStringLiteral(">")));
    assignIf(emPiece, pieceAfter(piece, QStringLiteral("<em>")));
    return removeAll(headUpTo(emPiece, QStringLiteral("<")), QStringLiteral("<"));
}

// A text up to the next "<", without it, trimmed.
QString textUpToTag(const QString &piece)
{
    return trimSpaces(removeAll(headUpTo(piece, QStringLiteral("<")), QStringLiteral("<")));
}

} // namespace

SongPanel cutSongPage(const QString &P, LookupSlots &pieces, SongRecord &record)
{
    record.strMvUrl.clear();

    assignIf(pieces.titlePiece, pieceAfter(P, QStringLiteral("<title>")));
    if (const auto user = pieceAfter(pieces.titlePiece, QStringLiteral("-")))
        pieces.userPiece = trimSpaces(*user);
    record.strUserName = trimSpaces(
        removeAll(headUpTo(pieces.userPiece, QStringLiteral("唱吧")), QStringLiteral("唱")));

    assignIf(pieces.fansPiece, pieceAfter(P, QStringLiteral("<em class=") + Q + QStringLiteral("nm") + Q + QStringLiteral(">")));
    const QString fans = textUpToTag(pieces.fansPiece);

    assignIf(pieces.descriptionPiece, pieceAfter(P, QStringLiteral("des twemoji") + Q + QStringLiteral(">")));
    const QString description = textUpToTag(pieces.descriptionPiece);

    assignIf(pieces.songPiece, pieceAfter(P, QStringLiteral("<title>")));
    const QString songName = trimSpaces(removeAll(headUpTo(pieces.songPiece, QStringLiteral("-")), QStringLiteral("-")));

    const QString plays = countText(P, QStringLiteral("audience info"), pieces.playsPiece, pieces.playsEmPiece);
    const QString gifts = countText(P, QStringLiteral("presents info"), pieces.giftsPiece, pieces.giftsEmPiece);
    const QString shares = countText(P, QStringLiteral("share info"), pieces.sharesPiece, pieces.sharesEmPiece);
    const QString comments = countText(P, QStringLiteral("comment info"), pieces.commentsPiece, pieces.commentsEmPiece);

    assignIf(pieces.avatarPiece, pieceAfter(P, endpoints::imagePrefix()));
    const QString avatarAddress = endpoints::imagePrefix() + removeAll(headUpTo(pieces.avatarPiece, Q), Q);

    // The page writes the audio address as a quoted script value followed by a comma.
    assignIf(pieces.vAudioTail, pieceAfter(P, QStringLiteral("(function(){var a=") + Q));
    pieces.vAudioBare = trimSpaces(removeAll(pieces.vAudioTail, Q));
    const qsizetype closingQuote = pieces.vAudioTail.indexOf(Q) + 1; // 1-based, 0 when none
    record.strMusicUrl = removeAll(pieces.vAudioBare.left(closingQuote), QStringLiteral(","));

    // A video work's page has no audio marker; it names the video instead.
    std::optional<QString> video;
    const bool hasAudioMarker = P.contains(QStringLiteral("(function(){var a=") + Q);
    if (!hasAudioMarker)
        video = videoAddress(P);
    record.mediaOfThisPage = hasAudioMarker || video.has_value();
    record.mediaKind = video ? MediaKind::Video : MediaKind::Audio;
    if (video)
        record.strMusicUrl = *video;

    assignIf(record.strWorkId, cut::element(record.strMusicUrl, QStringLiteral("/"), 6));
    record.strWorkId = removeAll(headUpTo(record.strWorkId, QStringLiteral(".")), QStringLiteral("."));
    if (video)
        assignIf(record.strWorkId, workIdOfVideoPage(P));

    SongPanel panel;
    panel.label1 = QStringLiteral("用户名：") + record.strUserName;
    panel.label4 = QStringLiteral("粉丝数：") + fans;
    panel.label10 = description;
    panel.label2 = QStringLiteral("演唱歌曲：") + songName;
    panel.label5 = QStringLiteral("播放次数：") + plays + QStringLiteral("次");
    panel.label6 = QStringLiteral("收到礼物：") + gifts + QStringLiteral("个");
    panel.label7 = QStringLiteral("转发次数：") + shares + QStringLiteral("次");
    panel.label9 = QStringLiteral("评论数量：") + comments + QStringLiteral("次");
    panel.avatarAddress = avatarAddress;

    const QString player = endpoints::videoPlayerAddress();
    panel.hasMv = P.contains(player);
    if (panel.hasMv) {
        const QString mvPiece = pieceAfter(P, player).value_or(QString());
        const QString mvHead = removeAll(headUpTo(mvPiece, Q), Q);
        record.strMvUrl = player + QString(mvHead).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    }
    return panel;
}

QString songNameOfCaption(const QString &label2Caption)
{
    return QString(label2Caption).remove(QStringLiteral("演唱歌曲："));
}

std::optional<QString> videoAddress(const QString &page)
{
    static const QString name = QStringLiteral("video_url");
    const qsizetype found = page.indexOf(name);
    if (found < 0)
        return std::nullopt;
    qsizetype at = found + name.size();
    const auto skipBlanks = [&] {
        while (at < page.size() && page.at(at).isSpace())
            ++at;
    };
    skipBlanks();
    if (at >= page.size() || page.at(at) != QLatin1Char(':'))
        return std::nullopt;
    ++at;
    skipBlanks();
    if (at >= page.size() || (page.at(at) != QLatin1Char('\'') && page.at(at) != QLatin1Char('"')))
        return std::nullopt;
    const QChar quote = page.at(at);
    const qsizetype end = page.indexOf(quote, at + 1);
    if (end < 0)
        return std::nullopt;
    const QString encoded = page.mid(at + 1, end - at - 1).trimmed();
    if (encoded.isEmpty())
        return std::nullopt;

    const QByteArray bytes = encoded.toLatin1();
    auto decoded = QByteArray::fromBase64Encoding(bytes, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        decoded = QByteArray::fromBase64Encoding(bytes, QByteArray::Base64UrlEncoding
                                                            | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    const QString address = QString::fromUtf8(*decoded).trimmed();
    // Only a web address of a host, in one piece: no blank or control character, which
    // could never be part of it and would change the player's command around it.
    for (const QChar c : address)
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return std::nullopt;
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.host().isEmpty())
        return std::nullopt;
    return address;
}

std::optional<QString> workIdOfVideoPage(const QString &page)
{
    static const QString marker = QStringLiteral("workid=");
    const qsizetype found = page.indexOf(marker);
    if (found < 0)
        return std::nullopt;
    qsizetype end = found + marker.size();
    while (end < page.size() && page.at(end) >= QLatin1Char('0') && page.at(end) <= QLatin1Char('9'))
        ++end;
    if (end == found + marker.size())
        return std::nullopt;
    return page.mid(found + marker.size(), end - found - marker.size());
}
