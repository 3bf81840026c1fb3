#pragma once

#include <QList>
#include <QString>

// Turning a singer's home page into the rows of the works list.
//
// The page marks each work with "data-id=". A row takes its work id from the text after
// a quoted marker (up to the next double quote) and its title from the text after that
// id's first link tag `data-id="<id>">` (up to the next "<"). The last marker of a page
// is the "more" button and yields no row.

// A work marker; the page is scanned for it without any quote.
inline const QString kWorkMarker = QStringLiteral("data-id=");

// Counts the work markers of page the way the scan does: a signed 16-bit count that
// stops growing at 32767.
qint16 countWorkMarkers(const QString &page);

// What the row builder holds while it works, kept in the window from one batch to the
// next. When a step cannot find its piece of the page, its slot keeps the earlier
// value and the row is built from that: this is why a row whose link tag has another
// shape repeats the previous row's title.
struct WorkSlots {
    QString piece;  // the page text after the row's quoted marker, up to the next one
    QString workId; // the work id of the row
    QString tail;   // the page text after the id's first link tag, up to its next one
    QString title;  // the title of the row
};

struct WorkRow {
    QString number;  // "1", "2", ...
    QString workId;
    QString title;
    QString address; // the resolve address of the work
};

// Builds rows 1 to count - 1 of page (count is the marker count of the scan) and leaves
// the slots as the last row left them. Runs in time linear in the length of page.
QList<WorkRow> buildWorkRows(const QString &page, qint16 count, WorkSlots &held);
