#include "samples.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringEncoder>

#include <vector>

namespace servicedouble {
namespace {

struct SampleSong {
    const char *key;
    const char *title;
    const char *fans;
    const char *description;
    const char *plays, *gifts, *shares, *comments;
    const char *workId;
    const char *folder;
    const char *mv; // "" for none
    QColor avatarColour;
    const char *charset; // the page's encoding, named in its Content-Type
};

const std::vector<SampleSong> &songs()
{
    static const std::vector<SampleSong> list = {
        {"QwZ3mLk8", "后来 - 林小雨唱吧的歌曲", "12580", "把这首歌送给夏天的自己", "53870", "128", "76", "331",
         "1043562829", "111", "?sid=XNTk2MTIzNDU2&amp;autoplay=true", QColor(0x4F, 0x8A, 0xB0), "utf-8"},
        {"Hn7pB2sD", "月亮代表我的心 - 老陈唱吧的歌曲", "860", "老歌新唱,献给妈妈", "1024", "9", "3", "18",
         "998877665", "112", "", QColor(0xC8, 0x8A, 0x3E), "utf-8"},
        {"Ls4Tq9Wx", "Love-Story - 阿杰唱吧的歌曲", "3321", "第一次唱英文歌", "777", "21", "5", "42",
         "1122334455", "113", "", QColor(0x6B, 0x9E, 0x5A), "utf-8"},
        {"Gb18Cn30", "童年 - 小美唱吧的歌曲", "45", "GB18030 编码的页面", "66", "1", "0", "2",
         "5566778899", "111", "?sid=XMTg4OTA1&amp;lang=zh", QColor(0x8E, 0x5A, 0xA8), "gb18030"},
    };
    return list;
}

std::string avatarPath(const SampleSong &song)
{
    return std::string("/cache/photo/") + song.workId + "_200_200.png";
}

std::string sharePage(const SampleSong &song)
{
    std::string p = "<!DOCTYPE html><html><head><meta name=\"viewport\" content=\"width=device-width\">";
    p += std::string("<title>") + song.title + "</title></head><body>";
    p += "<div class=\"userinfo\"><img class=\"avatar\" src=\"http://aliimg.changba.com" + avatarPath(song) + "\">";
    p += std::string("<p>粉丝 <em class=\"nm\">") + song.fans + "</em></p>";
    p += std::string("<p class=\"des twemoji\">") + song.description + "</p></div>";
    p += std::string("<div class=\"counts\"><span class=\"audience info\"><i class=\"icon\"></i><em>") + song.plays + "</em></span>";
    p += std::string("<span class=\"presents info\"><i class=\"icon\"></i><em>") + song.gifts + "</em></span>";
    p += std::string("<span class=\"share info\"><i class=\"icon\"></i><em>") + song.shares + "</em></span>";
    p += std::string("<span class=\"comment info\"><i class=\"icon\"></i><em>") + song.comments + "</em></span></div>";
    if (*song.mv)
        p += std::string("<div class=\"mv\"><script src=\"http://player.youku.com/player.php") + song.mv
             + "\" type=\"text/javascript\"></script></div>";
    p += std::string("<script>(function(){var a=\"http://qiniuuwmp3.changba.com/userdata/userwork/") + song.folder
         + "/" + song.workId + ".mp3\",b=\"" + song.workId + "\";window.__work=[a,b];})();</script>";
    p += "<footer><img src=\"http://aliimg.changba.com/static/logo.png\"></footer></body></html>";
    return p;
}

std::string avatarPng(const QColor &colour)
{
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawEllipse(QPointF(100, 78), 38, 38);
    painter.drawEllipse(QRectF(38, 126, 124, 110));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

ScriptedResponse page(std::string body, const std::string &contentType = "text/html; charset=utf-8")
{
    ScriptedResponse r;
    r.body = std::move(body);
    r.contentType = contentType;
    return r;
}

} // namespace

std::vector<std::string> ServiceDouble::sampleShareUrls()
{
    std::vector<std::string> urls;
    for (const SampleSong &song : songs())
        urls.push_back(std::string("http://changba.com/s/") + song.key);
    return urls;
}

ScriptedResponse builtInAnswer(const std::string &url)
{
    if (url == "http://soft.solvane.com/version/main.txt")
        return page("Solvane update\r\ncb:V3.2|2026-12-01\r\n", "text/plain; charset=utf-8");
    if (url == "http://bbs.solvane.com/" || url == "http://www.solvane.com/")
        return page("<html><head><title>Solvane</title></head><body>Solvane</body></html>");

    for (const SampleSong &song : songs()) {
        if (url == std::string("http://changba.com/s/") + song.key) {
            const std::string text = sharePage(song);
            if (std::string(song.charset) == "utf-8")
                return page(text);
            QStringEncoder encoder(song.charset);
            return page(QByteArray(encoder.encode(QString::fromStdString(text))).toStdString(),
                        std::string("text/html; charset=") + song.charset);
        }
        if (url == "http://aliimg.changba.com" + avatarPath(song))
            return page(avatarPng(song.avatarColour), "image/png");
        if (url.rfind("http://player.youku.com/player.php", 0) == 0)
            return page("/* video player */", "text/javascript");
    }

    ScriptedResponse missing = page("<html><head><title>404</title></head><body>Not Found</body></html>");
    missing.status = 404;
    return missing;
}

} // namespace servicedouble
