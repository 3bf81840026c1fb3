// Fuzzes the singer page scan and the row builder of the works list, and checks them
// against the step-by-step reference builder of the tests: same count, same rows, same
// slots left behind. The slots live on from one input to the next, as in the window.
#include "fuzzinput.h"
#include "literalworkrows.h"
#include "net/pagefetch.h"
#include "works/workrows.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool sameSlots(const WorkSlots &a, const WorkSlots &b)
{
    return a.piece == b.piece && a.workId == b.workId && a.tail == b.tail && a.title == b.title;
}

bool sameRows(const QList<WorkRow> &a, const QList<WorkRow> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].number != b[i].number || a[i].workId != b[i].workId || a[i].title != b[i].title
            || a[i].address != b[i].address)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static WorkSlots held;
    static WorkSlots reference;

    const QString page = net::decodeBody(fuzzBody(data, size), fuzzContentType(data, size));
    const qint16 count = countWorkMarkers(page);
    if (count != literalMarkerCount(page)) {
        std::fprintf(stderr, "marker counts differ\n");
        std::abort();
    }
    const QList<WorkRow> rows = buildWorkRows(page, count, held);
    const QList<WorkRow> expected = literalWorkRows(page, count, reference);
    if (!sameRows(rows, expected) || !sameSlots(held, reference)) {
        std::fprintf(stderr, "rows differ from the reference builder\n");
        std::abort();
    }
    return 0;
}
