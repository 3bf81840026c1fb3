#include "player/playcommands.h"

#include "net/endpoints.h"

#include <QLocale>

#include <cmath>

namespace player {
namespace {

// The audio host's number is the directory number less this.
constexpr double kHostNumberOffset = 108;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Index after the digits that start at i.
qsizetype skipDigits(const QString &text, qsizetype i)
{
    while (i < text.size() && isAsciiDigit(text.at(i)))
        ++i;
    return i;
}

} // namespace

QString volumeCommand(int volume)
{
    return QStringLiteral("setaudio %1 volume to %2").arg(kAlias).arg(volume);
}

QStringList playCommands(const QString &musicpath, int volume)
{
    return {
        QStringLiteral("close ") + kAlias,
        QStringLiteral("open ") + musicpath + QStringLiteral(" alias ") + kAlias + QStringLiteral(" type MPEGVideo"),
        QStringLiteral("play ") + kAlias,
        volumeCommand(volume),
    };
}

double leadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    const qsizetype integerStart = i;
    i = skipDigits(text, i);
    bool anyDigit = i > integerStart;
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        const qsizetype fractionEnd = skipDigits(text, i + 1);
        anyDigit = anyDigit || fractionEnd > i + 1;
        i = fractionEnd;
    }
    if (!anyDigit)
        return 0;
    QString number = text.mid(start, i - start);
    // An exponent counts only when digits follow it.
    if (i < text.size() && QStringLiteral("eEdD").contains(text.at(i))) {
        qsizetype j = i + 1;
        if (j < text.size() && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            ++j;
        const qsizetype exponentEnd = skipDigits(text, j);
        if (exponentEnd > j)
            number += QLatin1Char('e') + text.mid(i + 1, exponentEnd - i - 1);
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok ? value : 0;
}

QString shortestDecimal(double value)
{
    if (value == std::trunc(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

std::optional<RebuiltAudio> rebuildAudioAddress(const QString &musicUrl, const QString &workId)
{
    const QStringList pieces = musicUrl.split(QLatin1Char('/'), Qt::KeepEmptyParts);
    if (pieces.size() < 6)
        return std::nullopt;
    RebuiltAudio rebuilt;
    rebuilt.bare = QString(pieces.at(5)).remove(QLatin1Char('a'));
    rebuilt.hostNumber = leadingNumber(rebuilt.bare) - kHostNumberOffset;
    rebuilt.address = endpoints::rebuiltAudioAddress(shortestDecimal(rebuilt.hostNumber), workId);
    return rebuilt;
}

} // namespace player
