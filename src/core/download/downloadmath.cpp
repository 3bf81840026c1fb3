#include "download/downloadmath.h"

#include <algorithm>
#include <cmath>

namespace download {

qint64 roundHalfEven(double value)
{
    // The default floating-point rounding mode rounds half to even.
    return static_cast<qint64>(std::nearbyint(value));
}

qint64 startSecond(double secondsSinceMidnight)
{
    return roundHalfEven(secondsSinceMidnight);
}

qint64 transferSpeed(qint64 total, qint64 startSecond, double now)
{
    const qint64 elapsed = roundHalfEven(now - static_cast<double>(startSecond));
    if (elapsed <= 0)
        return kSpeedPlaceholder;
    return roundHalfEven(static_cast<double>(total) / static_cast<double>(elapsed));
}

int progressPercent(qint64 done, qint64 size)
{
    if (size <= 0)
        return 0;
    const qint64 percent = roundHalfEven(static_cast<double>(done) / static_cast<double>(size) * 100.0);
    return static_cast<int>(std::clamp<qint64>(percent, 0, 100));
}

qint64 announcedSize(const QByteArray &contentLength)
{
    bool ok = false;
    const qint64 size = contentLength.trimmed().toLongLong(&ok);
    return ok && size > 0 ? size : 0;
}

QString fileNamePart(const QString &name)
{
    QString part = name;
    part.replace(QLatin1Char('/'), QLatin1Char('_'));
    part.replace(QChar(u'\0'), QLatin1Char('_'));
    return part;
}

QString defaultFileName(const QString &song, const QString &singer, MediaKind kind)
{
    return fileNamePart(song) + QStringLiteral(" - ") + fileNamePart(singer) + QLatin1Char('.') + mediaSuffix(kind);
}

QString defaultSavePath(const QString &folder, const QString &song, const QString &singer, MediaKind kind)
{
    return folder + QLatin1Char('/') + defaultFileName(song, singer, kind);
}

QString saveDialogFilter(MediaKind kind)
{
    const QString mp3 = QStringLiteral("MP3音乐文件 (*.mp3)");
    return kind == MediaKind::Video ? QStringLiteral("MP4视频文件 (*.mp4);;") + mp3 : mp3;
}

QString numberedPath(const QString &path, int n)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        dot = path.size();
    return path.left(dot) + QStringLiteral(" (%1)").arg(n) + path.mid(dot);
}

QString partPath(const QString &path)
{
    return path + QStringLiteral(".part");
}

} // namespace download
