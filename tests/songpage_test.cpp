#include "song/songpage.h"

#include <gtest/gtest.h>

namespace {

struct Page {
    QString title = QStringLiteral("后来 - 林小雨唱吧");
    QString fans = QStringLiteral("1024");
    QString description = QStringLiteral("献给夏天");
    QString plays = QStringLiteral("5387"), gifts = QStringLiteral("12"), shares = QStringLiteral("7"),
            comments = QStringLiteral("33");
    QString avatar = QStringLiteral("/cache/photo/77_200_200.jpg");
    QString audio = QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3");
    QString mv; // the part after the player address, "" for none

    QString text() const
    {
        QString p = QStringLiteral("<html><head><title>%1</title></head><body>").arg(title);
        p += QStringLiteral("<img src=\"http://aliimg.changba.com%1\">").arg(avatar);
        p += QStringLiteral("<em class=\"nm\"> %1 </em>").arg(fans);
        p += QStringLiteral("<div class=\"des twemoji\">%1</div>").arg(description);
        p += QStringLiteral("<span class=\"audience info\"><i></i><em>%1</em></span>").arg(plays);
        p += QStringLiteral("<span class=\"presents info\"><em>%1</em></span>").arg(gifts);
        p += QStringLiteral("<span class=\"share info\"><em>%1</em></span>").arg(shares);
        p += QStringLiteral("<span class=\"comment info\"><em>%1</em></span>").arg(comments);
        if (!mv.isEmpty())
            p += QStringLiteral("<script src=\"http://player.youku.com/player%1\"></script>").arg(mv);
        p += QStringLiteral("<script>(function(){var a=\"%1\",b=1;})();</script>").arg(audio);
        p += QStringLiteral("<img src=\"http://aliimg.changba.com/other.png\"></body></html>");
        return p;
    }
};

struct Lookup {
    LookupSlots pieces;
    SongRecord record;
    SongPanel run(const QString &page) { return cutSongPage(page, pieces, record); }
};

} // namespace

TEST(SongPage, AFullPageFillsEveryCaptionAndTheRecord)
{
    Lookup lookup;
    const SongPanel panel = lookup.run(Page{}.text());
    EXPECT_EQ(panel.label1, QStringLiteral("用户名：林小雨"));
    EXPECT_EQ(panel.label4, QStringLiteral("粉丝数：1024"));
    EXPECT_EQ(panel.label10, QStringLiteral("献给夏天"));
    EXPECT_EQ(panel.label2, QStringLiteral("演唱歌曲：后来"));
    EXPECT_EQ(panel.label5, QStringLiteral("播放次数：5387次"));
    EXPECT_EQ(panel.label6, QStringLiteral("收到礼物：12个"));
    EXPECT_EQ(panel.label7, QStringLiteral("转发次数：7次"));
    EXPECT_EQ(panel.label9, QStringLiteral("评论数量：33次"));
    EXPECT_EQ(panel.avatarAddress, QStringLiteral("http://aliimg.changba.com/cache/photo/77_200_200.jpg"));
    EXPECT_FALSE(panel.hasMv);
    EXPECT_EQ(lookup.record.strUserName, QStringLiteral("林小雨"));
    EXPECT_EQ(lookup.record.strMusicUrl, Page{}.audio);
    EXPECT_EQ(lookup.record.strWorkId, QStringLiteral("1043562829"));
    EXPECT_EQ(lookup.record.strMvUrl, QString());
    EXPECT_EQ(songNameOfCaption(panel.label2), QStringLiteral("后来"));
}

TEST(SongPage, TitleCutsFollowTheDashesAndTheServiceName)
{
    Lookup lookup;
    Page page;
    page.title = QStringLiteral("后来 - 林小雨");
    EXPECT_EQ(lookup.run(page.text()).label1, QStringLiteral("用户名：")) << "no 唱吧 after the dash";

    page.title = QStringLiteral("  月亮代表我的心  -  唱歌的人唱吧 ");
    SongPanel panel = lookup.run(page.text());
    EXPECT_EQ(panel.label2, QStringLiteral("演唱歌曲：月亮代表我的心"));
    EXPECT_EQ(panel.label1, QStringLiteral("用户名：歌的人")) << "every 唱 of the user name goes";

    // A dash inside the song name shifts both cuts.
    page.title = QStringLiteral("Love-Story - 阿杰唱吧");
    panel = lookup.run(page.text());
    EXPECT_EQ(panel.label2, QStringLiteral("演唱歌曲：Love"));
    EXPECT_EQ(lookup.pieces.userPiece, QStringLiteral("Story"));
    EXPECT_EQ(panel.label1, QStringLiteral("用户名："));
}

TEST(SongPage, CountsKeepTheirSpacesButTextsAreTrimmed)
{
    Lookup lookup;
    Page page;
    page.plays = QStringLiteral(" 42 ");
    page.description = QStringLiteral("  一首老歌  ");
    const SongPanel panel = lookup.run(page.text());
    EXPECT_EQ(panel.label5, QStringLiteral("播放次数： 42 次"));
    EXPECT_EQ(panel.label10, QStringLiteral("一首老歌"));
    EXPECT_EQ(panel.label4, QStringLiteral("粉丝数：1024"));
}

TEST(SongPage, MissingMarkersKeepTheEarlierPagesPieces)
{
    Lookup first;
    const SongPanel bare = first.run(QStringLiteral("<html>nothing here</html>"));
    EXPECT_EQ(bare.label1, QStringLiteral("用户名："));
    EXPECT_EQ(bare.label2, QStringLiteral("演唱歌曲："));
    EXPECT_EQ(bare.label5, QStringLiteral("播放次数：次"));
    EXPECT_EQ(first.record.strMusicUrl, QString());

    Lookup later;
    later.run(Page{}.text());
    const SongPanel again = later.run(QStringLiteral("<html>nothing here</html>"));
    EXPECT_EQ(again.label1, QStringLiteral("用户名：林小雨"));
    EXPECT_EQ(again.label2, QStringLiteral("演唱歌曲：后来"));
    EXPECT_EQ(again.label9, QStringLiteral("评论数量：33次"));
    EXPECT_EQ(later.record.strMusicUrl, Page{}.audio);
}

TEST(SongPage, AudioAddressLosesItsQuotesAndCommas)
{
    Lookup lookup;
    Page page;
    page.audio = QStringLiteral("http://a,b.changba.com/userdata/userwork/112/98765.mp3");
    lookup.run(page.text());
    EXPECT_EQ(lookup.record.strMusicUrl, QStringLiteral("http://ab.changba.com/userdata/userwork/112/98765.mp3"));
    EXPECT_EQ(lookup.record.strWorkId, QStringLiteral("98765"));
}

TEST(SongPage, WorkIdNeedsSevenPiecesAndADot)
{
    Lookup lookup;
    Page page;
    page.audio = QStringLiteral("http://host/a/b/c/5551234.mp3");
    lookup.run(page.text());
    EXPECT_EQ(lookup.record.strWorkId, QStringLiteral("5551234"));

    // Too few pieces: the old id stays, but then loses everything for want of a dot.
    page.audio = QStringLiteral("http://host/short.mp3");
    lookup.run(page.text());
    EXPECT_EQ(lookup.record.strWorkId, QString());

    page.audio = QStringLiteral("http://host/a/b/c/noextension");
    lookup.run(page.text());
    EXPECT_EQ(lookup.record.strWorkId, QString());
}

TEST(SongPage, MvAddressIsCutBetweenTheFirstTwoPlayerAddresses)
{
    Lookup lookup;
    Page page;
    page.mv = QStringLiteral(".php?sid=XNTk2&amp;autoplay=true&amp;lt=1&quot;x");
    SongPanel panel = lookup.run(page.text());
    EXPECT_TRUE(panel.hasMv);
    EXPECT_EQ(lookup.record.strMvUrl,
              QStringLiteral("http://player.youku.com/player.php?sid=XNTk2&autoplay=true&lt=1&quot;x"));

    const QString twice = QStringLiteral("<a href=\"http://player.youku.com/player/one\">"
                                         "http://player.youku.com/player/two\"");
    panel = lookup.run(twice);
    EXPECT_EQ(lookup.record.strMvUrl, QStringLiteral("http://player.youku.com/player/one"));

    panel = lookup.run(Page{}.text());
    EXPECT_FALSE(panel.hasMv);
    EXPECT_EQ(lookup.record.strMvUrl, QString()) << "every lookup resets the MV address";
}

namespace {

QString base64(const char *text)
{
    return QString::fromLatin1(QByteArray(text).toBase64());
}

// A video work's page as the service writes it today: no audio marker, the video's
// address in base64, the work id in a link.
QString videoPage(const QString &value, const QString &title = QStringLiteral("小情歌 - 林小雨唱吧 - 唱吧"))
{
    return QStringLiteral("<html><head><title>%1</title></head><body>"
                          "<img src=\"http://aliimg.changba.com/cache/photo/1_200_200.jpg\">"
                          "<a href=\"/help/report.php?workid=1052460002&from=x\">举报</a>"
                          "<script>window.v = {video_url: %2, autoplay: false};</script></body></html>")
        .arg(title, value);
}

} // namespace

TEST(SongPage, VideoAddressIsTheDecodedHttpOrHttpsAddressOnly)
{
    const char *https = "https://qiniuuwvideo.changba.com/video/1052460002.mp4";
    const struct {
        const char *name;
        QString value; // what follows "video_url:" in the page
        std::optional<QString> expected;
    } cases[] = {
        {"single quotes", QStringLiteral("'%1'").arg(base64(https)), QString::fromLatin1(https)},
        {"double quotes, blanks", QStringLiteral("  \"%1\"").arg(base64("http://v.changba.com/a.mp4")),
         QStringLiteral("http://v.changba.com/a.mp4")},
        {"url-safe alphabet", QStringLiteral("'%1'").arg(QString::fromLatin1(
                                  QByteArray("http://v.changba.com/~~~.mp4").toBase64(QByteArray::Base64UrlEncoding))),
         QStringLiteral("http://v.changba.com/~~~.mp4")},
        {"not base64", QStringLiteral("'这不是base64!'"), std::nullopt},
        {"not an address", QStringLiteral("'%1'").arg(base64("hello world")), std::nullopt},
        {"another scheme", QStringLiteral("'%1'").arg(base64("ftp://v.changba.com/a.mp4")), std::nullopt},
        {"script", QStringLiteral("'%1'").arg(base64("javascript:alert(1)")), std::nullopt},
        {"no host", QStringLiteral("'%1'").arg(base64("https://")), std::nullopt},
        {"a blank inside", QStringLiteral("'%1'").arg(base64("https://v.changba.com/a b.mp4")), std::nullopt},
        {"a line break inside", QStringLiteral("'%1'").arg(base64("https://v.changba.com/a.mp4\nclose all")),
         std::nullopt},
        {"empty", QStringLiteral("''"), std::nullopt},
        {"no closing quote", QStringLiteral("'%1").arg(base64(https)), std::nullopt},
        {"no quote", base64(https), std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(videoAddress(videoPage(c.value)), c.expected);
    }
    EXPECT_EQ(videoAddress(Page{}.text()), std::nullopt);

    EXPECT_EQ(workIdOfVideoPage(QStringLiteral("a workid=123x workid=456")), QStringLiteral("123"));
    EXPECT_EQ(workIdOfVideoPage(QStringLiteral("workid=x workid=456")), std::nullopt);
    EXPECT_EQ(workIdOfVideoPage(QStringLiteral("no id")), std::nullopt);
}

TEST(SongPage, AVideoWorkTakesItsDecodedAddressAndItsWorkId)
{
    Lookup lookup;
    const QString address = QStringLiteral("https://qiniuuwvideo.changba.com/video/1052460002.mp4");
    const SongPanel panel = lookup.run(videoPage(QStringLiteral("'%1'").arg(base64(address.toLatin1()))));
    EXPECT_EQ(panel.label2, QStringLiteral("演唱歌曲：小情歌"));
    EXPECT_EQ(panel.label1, QStringLiteral("用户名：林小雨"));
    EXPECT_EQ(lookup.record.strMusicUrl, address);
    EXPECT_EQ(lookup.record.mediaKind, MediaKind::Video);
    EXPECT_EQ(lookup.record.strWorkId, QStringLiteral("1052460002"));
}

TEST(SongPage, APageWithBothMarkersIsASongAsBefore)
{
    Lookup lookup;
    const QString page = Page{}.text().replace(
        QStringLiteral("</body>"),
        QStringLiteral("<script>var v = {video_url: '%1'};</script>workid=77</body>")
            .arg(base64("https://qiniuuwvideo.changba.com/video/77.mp4")));
    lookup.run(page);
    EXPECT_EQ(lookup.record.strMusicUrl, Page{}.audio);
    EXPECT_EQ(lookup.record.mediaKind, MediaKind::Audio);
    EXPECT_EQ(lookup.record.strWorkId, QStringLiteral("1043562829"));
}

TEST(SongPage, AVideoValueThatDoesNotDecodeLeavesThePageReadAsBefore)
{
    Lookup lookup;
    lookup.run(Page{}.text()); // an earlier song fills the audio slot
    lookup.run(videoPage(QStringLiteral("'%1'").arg(base64("ftp://v.changba.com/a.mp4"))));
    // Without an audio marker the earlier page's audio piece is read again, as for any
    // page that lacks it.
    EXPECT_EQ(lookup.record.strMusicUrl, Page{}.audio);
    EXPECT_EQ(lookup.record.mediaKind, MediaKind::Audio);
    EXPECT_EQ(lookup.record.strWorkId, QStringLiteral("1043562829"));

    lookup.run(videoPage(QStringLiteral("'%1'").arg(base64("https://v.changba.com/v/1.mp4"))));
    EXPECT_EQ(lookup.record.mediaKind, MediaKind::Video);
    lookup.run(Page{}.text());
    EXPECT_EQ(lookup.record.mediaKind, MediaKind::Audio) << "the next song is audio again";
}
