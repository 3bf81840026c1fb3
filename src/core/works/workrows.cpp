#include "works/workrows.h"

#include "net/endpoints.h"

#include <QHash>
#include <QStringView>

#include <limits>
#include <vector>

namespace {

constexpr QChar kQuote = u'"';
const QString kQuotedMarker = kWorkMarker + kQuote;

// The text of s before its first double quote; empty when it has none.
QStringView idOf(QStringView s)
{
    const qsizetype quote = s.indexOf(kQuote);
    return quote < 0 ? QStringView() : s.first(quote);
}

// The text of s before its first "<"; empty when it has none.
QString titleOf(QStringView s)
{
    const qsizetype lt = s.indexOf(u'<');
    return lt < 0 ? QString() : s.first(lt).toString();
}

// A quoted marker of the page and what follows it.
struct Marker {
    qsizetype idBegin = 0; // just after `data-id="`
    qsizetype idEnd = -1;  // the next double quote anywhere after idBegin, -1 when none
};

// The first link tag `data-id="<id>">` of one id and the text after it.
struct LinkTag {
    qsizetype tailBegin = 0; // just after the tag
    qsizetype tailEnd = 0;   // where the id's next tag starts, or the end of the page
    bool tailClosed = false;
    qsizetype lessThan = -1; // the first "<" after the tag, -1 when none
    QString title;
};

// Answers "where is the first '<' at or after from" for rising positions with one pass
// over the page.
class NextLessThan
{
public:
    explicit NextLessThan(const QString &page) : page(page) {}
    qsizetype from(qsizetype position)
    {
        if (position < asked || (found >= 0 && found < position))
            found = page.indexOf(u'<', position);
        asked = position;
        return found;
    }

private:
    const QString &page;
    qsizetype asked = std::numeric_limits<qsizetype>::max(); // nothing asked yet
    qsizetype found = -1;
};

} // namespace

qint16 countWorkMarkers(const QString &page)
{
    qint16 count = 0;
    for (qsizetype at = page.indexOf(kWorkMarker); at >= 0; at = page.indexOf(kWorkMarker, at + 1)) {
        if (count == std::numeric_limits<qint16>::max())
            break; // the count holds no more; further markers change nothing
        ++count;
    }
    return count;
}

QList<WorkRow> buildWorkRows(const QString &page, qint16 count, WorkSlots &held)
{
    QList<WorkRow> rows;
    if (count < 2)
        return rows;

    // One pass over the page finds every quoted marker, the id after it and, for each
    // id, its first two link tags. Every link tag starts with a quoted marker, and the
    // markers never overlap, so this sees every tag.
    const qsizetype length = page.size();
    const qsizetype markerLength = kQuotedMarker.size();
    std::vector<Marker> markers;
    std::vector<qsizetype> starts;
    QHash<QStringView, LinkTag> tags;
    NextLessThan nextLessThan(page);
    for (qsizetype at = page.indexOf(kQuotedMarker); at >= 0; at = page.indexOf(kQuotedMarker, at + markerLength)) {
        Marker marker;
        marker.idBegin = at + markerLength;
        marker.idEnd = page.indexOf(kQuote, marker.idBegin);
        markers.push_back(marker);
        starts.push_back(at);
        if (marker.idEnd < 0 || marker.idEnd + 1 >= length || page.at(marker.idEnd + 1) != u'>')
            continue;
        const QStringView id = QStringView(page).sliced(marker.idBegin, marker.idEnd - marker.idBegin);
        const auto known = tags.find(id);
        if (known == tags.end()) {
            LinkTag tag;
            tag.tailBegin = marker.idEnd + 2;
            tag.tailEnd = length;
            tag.lessThan = nextLessThan.from(tag.tailBegin);
            tags.insert(id, tag);
        } else if (!known->tailClosed && at >= known->tailBegin) {
            // The tail ends where the next tag of the same id begins.
            known->tailEnd = at;
            known->tailClosed = true;
        }
    }
    // A title is the tail up to its first "<"; a tail without one gives an empty title.
    for (LinkTag &tag : tags) {
        if (tag.lessThan >= 0 && tag.lessThan < tag.tailEnd)
            tag.title = page.mid(tag.tailBegin, tag.lessThan - tag.tailBegin);
    }

    // The row's slots, held as pieces of the page until the end. A step that finds
    // nothing leaves its slot as it is.
    const QStringView pageView(page);
    QStringView piece = held.piece;
    QString workId;
    QStringView tail = held.tail;
    QString title = titleOf(tail);
    bool pieceFromPage = false;

    const QString addressPrefix = endpoints::resolveAddressPrefix();
    const qsizetype markerCount = qsizetype(markers.size());
    rows.reserve(count - 1);
    QString address;
    for (int i = 1; i < count; ++i) {
        if (i <= markerCount) {
            // Piece i of the page split at the quoted marker: the text after marker i - 1.
            const Marker &marker = markers[i - 1];
            const qsizetype pieceEnd = i < markerCount ? starts[i] : length;
            piece = pageView.sliced(marker.idBegin, pieceEnd - marker.idBegin);
            pieceFromPage = true;
            workId = marker.idEnd >= 0 && marker.idEnd < pieceEnd
                         ? pageView.sliced(marker.idBegin, marker.idEnd - marker.idBegin).toString()
                         : QString();
        } else if (i == markerCount + 1) {
            // There is no such piece: this row and every later one keep the last piece.
            workId = idOf(piece).toString();
        }
        if (i <= markerCount + 1) {
            const auto tag = tags.constFind(QStringView(workId));
            if (tag != tags.cend()) {
                tail = pageView.sliced(tag->tailBegin, tag->tailEnd - tag->tailBegin);
                title = tag->title;
            }
            address = addressPrefix + workId;
        }
        rows.append(WorkRow{QString::number(i), workId, title, address});
    }

    held.piece = pieceFromPage ? piece.toString() : held.piece;
    held.workId = workId;
    held.tail = tail.toString();
    held.title = title;
    return rows;
}
