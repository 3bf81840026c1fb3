#include "song/cut.h"

namespace cut {

std::optional<QString> element(const QString &x, const QString &m, int k)
{
    if (x.isEmpty() || m.isEmpty() || k < 0)
        return std::nullopt;
    qsizetype start = 0;
    for (int i = 0; i < k; ++i) {
        const qsizetype found = x.indexOf(m, start, Qt::CaseSensitive);
        if (found < 0)
            return std::nullopt;
        start = found + m.size();
    }
    const qsizetype end = x.indexOf(m, start, Qt::CaseSensitive);
    return x.mid(start, end < 0 ? -1 : end - start);
}

QString headUpTo(const QString &x, const QString &c)
{
    const qsizetype position = x.indexOf(c, 0, Qt::CaseSensitive); // 0-based, -1 when absent
    return x.left(position + 1);
}

QString removeAll(QString x, const QString &c)
{
    return x.remove(c, Qt::CaseSensitive);
}

QString trimSpaces(const QString &x)
{
    qsizetype begin = 0;
    qsizetype end = x.size();
    while (begin < end && x.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && x.at(end - 1) == QLatin1Char(' '))
        --end;
    return x.mid(begin, end - begin);
}

} // namespace cut
