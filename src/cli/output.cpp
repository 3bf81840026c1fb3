#include "output.h"

#include "download/downloadmath.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <utility>

namespace {

// A caption's value: the caption without its label before and its unit after.
QString captionValue(const QString &caption, const QString &label, const QString &unit = QString())
{
    QString value = caption;
    if (value.startsWith(label))
        value.remove(0, label.size());
    if (!unit.isEmpty() && value.endsWith(unit))
        value.chop(unit.size());
    return value;
}

// A value on one line of its own: a page's line breaks and tabs become blanks.
QString oneLine(QString text)
{
    for (QChar &c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return text;
}

QList<std::pair<QString, QString>> infoFields(const SongInfo &i)
{
    return {{QStringLiteral("song"), i.song},           {QStringLiteral("singer"), i.singer},
            {QStringLiteral("description"), i.description}, {QStringLiteral("fans"), i.fans},
            {QStringLiteral("plays"), i.plays},         {QStringLiteral("gifts"), i.gifts},
            {QStringLiteral("shares"), i.shares},       {QStringLiteral("comments"), i.comments},
            {QStringLiteral("media_kind"), i.mediaKind}, {QStringLiteral("media_url"), i.mediaUrl},
            {QStringLiteral("work_id"), i.workId},      {QStringLiteral("mv_url"), i.mvUrl},
            {QStringLiteral("avatar_url"), i.avatarUrl}, {QStringLiteral("share_url"), i.shareUrl}};
}

} // namespace

SongInfo songInfo(const SongRecord &record, const SongPanel &panel, const QString &shareUrl)
{
    SongInfo info;
    info.song = songNameOfCaption(panel.label2);
    info.singer = record.strUserName;
    info.description = panel.label10;
    info.fans = captionValue(panel.label4, QStringLiteral("粉丝数："));
    info.plays = captionValue(panel.label5, QStringLiteral("播放次数："), QStringLiteral("次"));
    info.gifts = captionValue(panel.label6, QStringLiteral("收到礼物："), QStringLiteral("个"));
    info.shares = captionValue(panel.label7, QStringLiteral("转发次数："), QStringLiteral("次"));
    info.comments = captionValue(panel.label9, QStringLiteral("评论数量："), QStringLiteral("次"));
    // Only media of this page: an address kept from an earlier page is another song's.
    info.mediaUrl = record.mediaOfThisPage ? record.strMusicUrl : QString();
    info.mediaKind = record.mediaKind == MediaKind::Video ? QStringLiteral("video") : QStringLiteral("audio");
    info.workId = record.strWorkId;
    info.mvUrl = record.strMvUrl;
    info.avatarUrl = panel.avatarAddress;
    info.shareUrl = shareUrl;
    return info;
}

QString infoText(const SongInfo &info)
{
    QString text;
    for (const auto &[key, value] : infoFields(info))
        text += key + QStringLiteral(": ") + oneLine(value) + QLatin1Char('\n');
    return text;
}

QByteArray infoJson(const SongInfo &info)
{
    QJsonObject object;
    for (const auto &[key, value] : infoFields(info))
        object.insert(key, value);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QString worksText(const QList<WorkRow> &rows)
{
    QString text;
    for (const WorkRow &row : rows)
        text += row.number + QLatin1Char('\t') + oneLine(row.workId) + QLatin1Char('\t') + oneLine(row.title)
                + QLatin1Char('\n');
    return text;
}

QByteArray worksJson(const QList<WorkRow> &rows)
{
    QJsonArray array;
    for (const WorkRow &row : rows) {
        array.append(QJsonObject{{QStringLiteral("number"), row.number.toInt()},
                                 {QStringLiteral("work_id"), row.workId},
                                 {QStringLiteral("title"), row.title},
                                 {QStringLiteral("resolve_url"), row.address}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QString byteText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    static const char *const units[] = {"KiB", "MiB", "GiB", "TiB"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString durationText(qint64 seconds)
{
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const QString ms = QStringLiteral("%1:%2").arg(h > 0 ? QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0'))
                                                         : QString::number(m))
                           .arg(s, 2, 10, QLatin1Char('0'));
    return h > 0 ? QString::number(h) + QLatin1Char(':') + ms : ms;
}

QString progressLine(qint64 done, qint64 total, double seconds)
{
    constexpr int kBarWidth = 24;
    // Under a fifth of a second a speed says more about the start than about the line;
    // the end of a transfer, however quick, has its average.
    const bool timed = seconds > 0 && (seconds >= 0.2 || (total > 0 && done >= total));
    const double speed = timed ? done / seconds : 0;
    const QString speedText = timed ? byteText(qint64(std::llround(speed))) + QStringLiteral("/s")
                                    : QStringLiteral("--");
    if (total <= 0)
        return QStringLiteral("%1  %2").arg(byteText(done), speedText);

    const int percent = download::progressPercent(done, total);
    const int filled = int(qint64(kBarWidth) * std::min(done, total) / total);
    const QString bar = QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('-'));
    QString left = QStringLiteral("--:--");
    if (done >= total)
        left = durationText(0);
    else if (timed && speed > 0)
        left = durationText(qint64(std::ceil((total - done) / speed)));
    return QStringLiteral("%1% [%2] %3/%4  %5  %6 left")
        .arg(percent, 3)
        .arg(bar, byteText(done), byteText(total), speedText, left);
}
