#pragma once

#include "works/workrows.h"

// The works list built step by step the slow, obvious way: the page is split again at
// every step of every row. The program's row builder must give exactly these rows.
QList<WorkRow> literalWorkRows(const QString &page, qint16 count, WorkSlots &held);

// The scan run position by position, with its 16-bit count; timer3 and timer4 say which
// timers it switched on.
qint16 literalMarkerCount(const QString &page, bool *timer3 = nullptr, bool *timer4 = nullptr);
