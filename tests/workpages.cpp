#include "workpages.h"

#include <QStringList>

namespace {

int pick(std::mt19937 &random, int below)
{
    return std::uniform_int_distribution<int>(0, below - 1)(random);
}

// Short texts drawn from few characters, so that ids and titles often repeat and
// quotes, brackets and marker fragments turn up where they do not belong.
QString scrap(std::mt19937 &random, int longest)
{
    static const QStringList parts = {
        QStringLiteral("1"), QStringLiteral("23"), QStringLiteral("a"), QStringLiteral("后来"),
        QStringLiteral(" "), QStringLiteral("\""), QStringLiteral("<"), QStringLiteral(">"),
        QStringLiteral("="), QStringLiteral("data-id="), QStringLiteral("data-id=\""), QStringLiteral("</a>"),
    };
    QString text;
    const int count = pick(random, longest + 1);
    for (int i = 0; i < count; ++i)
        text += parts.at(pick(random, parts.size()));
    return text;
}

QString plainId(std::mt19937 &random)
{
    static const QStringList ids = {QStringLiteral("1043562829"), QStringLiteral("986754321"),
                                    QStringLiteral("77"), QStringLiteral(""), QStringLiteral(">x"),
                                    QStringLiteral("a b")};
    return ids.at(pick(random, ids.size()));
}

} // namespace

QString singerPage(int works)
{
    QString page = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>林小雨的个人主页 - 唱吧</title>\n</head>\n<body>\n<ul class=\"work-list\">\n");
    page.reserve(works * 400 + 1000);
    for (int work = 0; work < works; ++work) {
        const QString id = QString::number(1000000000 + work * 7919);
        page += QStringLiteral("  <li class=\"work-item\"><div class=\"cover\"><img src=\"http://aliimg.changba.com/"
                               "cache/photo/%1_200_200.jpg\" width=\"60\" height=\"60\"></div>\n"
                               "    <a class=\"work\" href=\"/s/Wc7nGGH3ZB%2\" data-id=\"%1\">第%2首 后来 (Live)</a>\n"
                               "    <span class=\"play\">%3次播放</span><span class=\"gift\">%4个礼物</span>"
                               "<span class=\"time\">2026-11-%5</span>\n    <span class=\"tags\">流行 华语 翻唱"
                               "</span></li>\n")
                    .arg(id)
                    .arg(work)
                    .arg(work * 13 % 100000)
                    .arg(work % 97)
                    .arg(work % 28 + 1, 2, 10, QLatin1Char('0'));
    }
    page += QStringLiteral("</ul>\n<div class=\"pager\"><a class=\"more\" href=\"javascript:;\" "
                           "data-id=\"more\">更多</a></div>\n</body>\n</html>\n");
    return page;
}

QString randomWorkPage(std::mt19937 &random)
{
    if (pick(random, 20) == 0)
        return QString();
    QString page = scrap(random, 3);
    const int pieces = pick(random, 14);
    for (int i = 0; i < pieces; ++i) {
        const QString id = pick(random, 4) == 0 ? scrap(random, 2).remove(u'"') : plainId(random);
        const QString title = scrap(random, 2).remove(u'<') + QStringLiteral("歌");
        switch (pick(random, 8)) {
        case 0: case 1: case 2: // a well-formed work
            page += QStringLiteral("<a href=\"/s/k\" data-id=\"%1\">%2</a>").arg(id, title);
            break;
        case 3: // more attributes after the id
            page += QStringLiteral("<a data-id=\"%1\" class=\"work\">%2</a>").arg(id, title);
            break;
        case 4: // the marker without its quote
            page += QStringLiteral("<a data-id=%1>%2</a>").arg(id, title);
            break;
        case 5: // an id that never closes
            page += QStringLiteral("<a data-id=\"%1").arg(id);
            break;
        case 6: // a title that runs on without "<"
            page += QStringLiteral("data-id=\"%1\">%2").arg(id, title);
            break;
        default:
            page += scrap(random, 4);
            break;
        }
        page += scrap(random, 2);
    }
    return page;
}

WorkSlots randomSlots(std::mt19937 &random)
{
    WorkSlots held;
    if (pick(random, 3) == 0)
        return held;
    held.piece = plainId(random) + QStringLiteral("\">") + scrap(random, 3);
    held.workId = scrap(random, 2);
    held.tail = scrap(random, 4);
    held.title = scrap(random, 2);
    return held;
}
