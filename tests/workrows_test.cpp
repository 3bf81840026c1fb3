#include "literalworkrows.h"
#include "workpages.h"
#include "works/workrows.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>

void PrintTo(const WorkRow &row, std::ostream *os)
{
    *os << "{" << row.number.toStdString() << ", " << row.workId.toStdString() << ", "
        << row.title.toStdString() << ", " << row.address.toStdString() << "}";
}
bool operator==(const WorkRow &a, const WorkRow &b)
{
    return a.number == b.number && a.workId == b.workId && a.title == b.title && a.address == b.address;
}

namespace {

QString work(const QString &id, const QString &title)
{
    return QStringLiteral("<li><a class=\"work\" href=\"/s/x\" data-id=\"%1\">%2</a></li>").arg(id, title);
}
const QString kMore = QStringLiteral("<a class=\"more\" data-id=\"more\">更多</a>");

QList<WorkRow> rowsOf(const QString &page, WorkSlots held = {})
{
    return buildWorkRows(page, countWorkMarkers(page), held);
}

QStringList column(const QList<WorkRow> &rows, QString WorkRow::*field)
{
    QStringList texts;
    for (const WorkRow &row : rows)
        texts.append(row.*field);
    return texts;
}

} // namespace

TEST(WorkRows, NMarkersGiveNMinusOneRowsInPageOrder)
{
    const QString page = work(QStringLiteral("1043562829"), QStringLiteral("后来"))
                         + work(QStringLiteral("1049990007"), QStringLiteral("童话")) + kMore;
    const QList<WorkRow> rows = rowsOf(page);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], (WorkRow{QStringLiteral("1"), QStringLiteral("1043562829"), QStringLiteral("后来"),
                                QStringLiteral("http://changba.com/member/personcenter/loadplayurl.php?wid=1043562829")}));
    EXPECT_EQ(rows[1].number, QStringLiteral("2"));
    EXPECT_EQ(rows[1].title, QStringLiteral("童话"));

    EXPECT_TRUE(rowsOf(work(QStringLiteral("1"), QStringLiteral("only"))).isEmpty()) << "one marker, no row";
    EXPECT_TRUE(rowsOf(QStringLiteral("<html>no works</html>")).isEmpty());
}

TEST(WorkRows, ATagOfAnotherShapeRepeatsThePreviousTitle)
{
    const QString page = work(QStringLiteral("1"), QStringLiteral("first"))
                         + QStringLiteral("<a data-id=\"2\" class=\"work\">second</a>") + kMore;
    const QList<WorkRow> rows = rowsOf(page);
    EXPECT_EQ(column(rows, &WorkRow::workId), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(column(rows, &WorkRow::title), (QStringList{QStringLiteral("first"), QStringLiteral("first")}));

    // The first row takes its title from what the previous batch left behind.
    WorkSlots earlier;
    earlier.tail = QStringLiteral("旧的标题</a>...");
    const QList<WorkRow> carried = rowsOf(QStringLiteral("<a data-id=\"2\" class=\"w\">x</a>") + kMore, earlier);
    EXPECT_EQ(column(carried, &WorkRow::title), QStringList{QStringLiteral("旧的标题")});
}

TEST(WorkRows, RowsOfOneIdShareTheFirstTagsTitle)
{
    const QString page = work(QStringLiteral("7"), QStringLiteral("A")) + work(QStringLiteral("8"), QStringLiteral("B"))
                         + work(QStringLiteral("7"), QStringLiteral("C")) + kMore;
    EXPECT_EQ(column(rowsOf(page), &WorkRow::title),
              (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A")}));
}

TEST(WorkRows, OddMarkersAndTitles)
{
    // A marker without its quote is counted but has no piece: the rows past the last
    // piece keep that piece, so they repeat its id and title.
    const QString unquoted = work(QStringLiteral("5"), QStringLiteral("五")) + QStringLiteral("<a data-id=6>六</a>")
                             + QStringLiteral("<a data-id=7>七</a>");
    const QList<WorkRow> rows = rowsOf(unquoted);
    EXPECT_EQ(column(rows, &WorkRow::workId), (QStringList{QStringLiteral("5"), QStringLiteral("5")}));
    EXPECT_EQ(column(rows, &WorkRow::number), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));

    // An id whose quote never closes is empty; a title without "<" is empty.
    const QList<WorkRow> open = rowsOf(QStringLiteral("data-id=\"12 data-id=\"34\">no bracket"));
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0].workId, QString());
    EXPECT_EQ(open[0].address, QStringLiteral("http://changba.com/member/personcenter/loadplayurl.php?wid="));
    const QList<WorkRow> bare = rowsOf(QStringLiteral("data-id=\"9\">no bracket data-id=\"more\">"));
    ASSERT_EQ(bare.size(), 1);
    EXPECT_EQ(bare[0].title, QString());
}

TEST(WorkRows, FewerThanTwoMarkersLeaveTheSlotsAlone)
{
    WorkSlots held{QStringLiteral("p"), QStringLiteral("i"), QStringLiteral("t"), QStringLiteral("n")};
    EXPECT_TRUE(buildWorkRows(work(QStringLiteral("1"), QStringLiteral("x")), 1, held).isEmpty());
    EXPECT_EQ(held.piece + held.workId + held.tail + held.title, QStringLiteral("pitn"));
}

TEST(WorkMarkerCount, CountsEveryMarkerUpTo32767)
{
    EXPECT_EQ(countWorkMarkers(QString()), 0);
    EXPECT_EQ(countWorkMarkers(QStringLiteral("data-id=data-id=\"x\" Data-id=")), 2);
    const QString many = QStringLiteral("data-id=").repeated(40000);
    EXPECT_EQ(countWorkMarkers(many), 32767);
    bool timer3 = false;
    bool timer4 = false;
    EXPECT_EQ(literalMarkerCount(many, &timer3, &timer4), 32767);
    EXPECT_TRUE(timer3 && timer4);
}

// The fast builder against the step-by-step one, on many small pages of every shape and
// with held left over from an earlier batch.
TEST(WorkRows, SameRowsAndSlotsAsTheStepByStepBuilder)
{
    for (unsigned seed = 0; seed < 4000; ++seed) {
        std::mt19937 random(seed);
        const QString page = randomWorkPage(random);
        const qint16 markers = countWorkMarkers(page);
        bool timer3 = false;
        bool timer4 = false;
        ASSERT_EQ(literalMarkerCount(page, &timer3, &timer4), markers) << "seed " << seed;
        ASSERT_EQ(timer3, markers > 0) << "seed " << seed;
        ASSERT_EQ(timer4, !page.isEmpty()) << "seed " << seed;

        // Mostly the scan's count; sometimes more, as a page with unquoted markers gives.
        const qint16 count = seed % 5 == 0 ? qint16(markers + int(seed % 4)) : markers;
        WorkSlots fast = randomSlots(random);
        WorkSlots literal = fast;
        const QList<WorkRow> expected = literalWorkRows(page, count, literal);
        const QList<WorkRow> rows = buildWorkRows(page, count, fast);
        ASSERT_EQ(rows, expected) << "seed " << seed << " page " << page.toStdString();
        ASSERT_EQ(fast.piece, literal.piece) << "seed " << seed;
        ASSERT_EQ(fast.workId, literal.workId) << "seed " << seed;
        ASSERT_EQ(fast.tail, literal.tail) << "seed " << seed;
        ASSERT_EQ(fast.title, literal.title) << "seed " << seed;
    }
}

TEST(WorkRows, AWellFormedPageOfManyWorks)
{
    const QString page = singerPage(300);
    WorkSlots fast;
    WorkSlots literal;
    const QList<WorkRow> rows = buildWorkRows(page, countWorkMarkers(page), fast);
    ASSERT_EQ(rows.size(), 300);
    EXPECT_EQ(rows, literalWorkRows(page, countWorkMarkers(page), literal));
    EXPECT_EQ(rows.last().title, QStringLiteral("第299首 后来 (Live)"));
}
