#include "literalworkrows.h"

#include <QStringList>

QList<WorkRow> literalWorkRows(const QString &page, qint16 count, WorkSlots &held)
{
    const QChar q = u'"';
    const QString addressPrefix = QStringLiteral("http://changba.com/member/personcenter/loadplayurl.php?wid=");
    QList<WorkRow> rows;
    for (int i = 1; i <= count - 1; ++i) {
        const QStringList pieces = page.split(QStringLiteral("data-id=") + q, Qt::KeepEmptyParts);
        if (i < pieces.size())
            held.piece = pieces.at(i);

        const qsizetype quote = held.piece.indexOf(q);
        held.workId = quote < 0 ? QString() : held.piece.left(quote);

        const QStringList tails = page.split(QStringLiteral("data-id=") + q + held.workId + q + u'>',
                                             Qt::KeepEmptyParts);
        if (tails.size() > 1)
            held.tail = tails.at(1);

        const qsizetype lt = held.tail.indexOf(u'<');
        held.title = lt < 0 ? QString() : held.tail.left(lt);

        rows.append(WorkRow{QString::number(i), held.workId, held.title, addressPrefix + held.workId});
    }
    return rows;
}

qint16 literalMarkerCount(const QString &page, bool *timer3, bool *timer4)
{
    qint16 count = 0;
    const qsizetype bound = page.size();
    for (qsizetype p = 1; p <= bound; ++p) {
        p = page.indexOf(QStringLiteral("data-id="), p - 1) + 1; // 1-based, 0 when not found
        if (p == 0) {
            if (timer4)
                *timer4 = true;
            break;
        }
        if (count < 32767)
            ++count;
        if (timer3)
            *timer3 = true;
    }
    return count;
}
