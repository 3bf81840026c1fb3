// The picture boxes paint their own background: the download panel opened over a busy
// window (works listed, song shown) shows nothing of the controls beneath it, at its
// centred place and wherever it is dragged, with the skin and without.

#include "platform/skin.h"
#include "windowtest.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <vector>

namespace {

QImage rendered(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The pixels that differ between two pictures of the same size, and the first of them.
struct Difference {
    int count = 0;
    QPoint first;
};

Difference compare(const QImage &a, const QImage &b)
{
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && d.count++ == 0)
                d.first = QPoint(x, y);
    return d;
}

class Opaque : public WindowTest, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        if (GetParam()) {
            ASSERT_EQ(platform::SkinH_AttachEx(QStringLiteral(QUILLORY_SKIN), QString()), 0);
        }
        WindowTest::SetUp();
        window = startWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        qApp->setStyleSheet(QString());
    }

    // The window as busy as it gets: a song looked up and a singer's works listed.
    void fillWindow()
    {
        lookUp(QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"));
        QTest::keyClicks(control<QLineEdit>("Text2"),
                         QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20130815"));
        control<QPushButton>("Command10")->click();
        auto *list = control<QTreeWidget>("ListView1");
        ASSERT_TRUE(waitUntil([&] { return list->topLevelItemCount() > 0; }));
    }

    // The panel's rectangle as the window shows it, with the controls beneath and without.
    void expectNothingBeneathShows(QWidget *panel, const char *where, bool squareCorners = true)
    {
        // Hiding a focused control below hands the focus on, into the panel, whose control
        // would then show its focus edge in one picture and not in the other.
        if (QWidget *focused = QApplication::focusWidget())
            focused->clearFocus();
        const QRect area = panel->geometry();
        const QImage busy = rendered(window.get()).copy(area);

        // The controls beneath: those stacked under the panel (a control over it, like the
        // slider over the singer panel's last column, is no fault of the panel's).
        std::vector<QWidget *> hidden;
        for (QObject *child : window->children()) {
            if (child == panel)
                break;
            auto *sibling = qobject_cast<QWidget *>(child);
            if (sibling && sibling->isVisible()) {
                sibling->hide();
                hidden.push_back(sibling);
            }
        }
        const QImage bare = rendered(window.get()).copy(area);
        for (QWidget *sibling : hidden)
            sibling->show();
        ASSERT_GE(hidden.size(), 1u) << "the window had controls beneath";

        const Difference beneath = compare(busy, bare);
        EXPECT_EQ(beneath.count, 0) << where << ": " << beneath.count << " pixels of the panel come from the controls "
                                    << "beneath, the first at " << beneath.first.x() << "," << beneath.first.y();

        // Nor from the window's own painting (the frame and the title band): the panel
        // alone shows the same pixels, none of them see-through.
        if (!squareCorners)
            return;
        const QImage alone = rendered(panel);
        const Difference own = compare(busy, alone);
        EXPECT_EQ(own.count, 0) << where << ": " << own.count << " pixels differ from the panel drawn alone, the first at "
                                << own.first.x() << "," << own.first.y();
    }
};

} // namespace

TEST_P(Opaque, TheDownloadPanelHidesTheBusyWindowBeneathWhereverItIs)
{
    fillWindow();
    control<QPushButton>("Command2")->click();
    auto *panel = control<QWidget>("Picture3");
    ASSERT_TRUE(panel->isVisible());
    expectNothingBeneathShows(panel, "centred");

    const QSize room = window->size() - panel->size();
    const struct {
        const char *where;
        QPoint at;
    } places[] = {
        {"top left, over the title band", {0, 0}},
        {"over the works list", {10, room.height() - 5}},
        {"over the song panel and the slider", {room.width() - 10, room.height() / 2}},
        {"bottom right, over the status strip", {room.width(), room.height()}},
    };
    for (const auto &place : places) {
        ASSERT_TRUE(QRect(QPoint(), window->size()).contains(QRect(place.at, panel->size()))) << place.where;
        panel->move(place.at);
        expectNothingBeneathShows(panel, place.where);
    }
}

// The two information panels are picture boxes too: nothing behind them (the avatar's twin
// behind the singer panel, say) ever shows. Their rounded corners show the window itself.
TEST_P(Opaque, TheInformationPanelsHideWhatLiesBehindThem)
{
    fillWindow();
    for (const char *name : {"Picture1", "Picture2"})
        expectNothingBeneathShows(control<QWidget>(name), name, false);
}

INSTANTIATE_TEST_SUITE_P(SkinAndNone, Opaque, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "Skinned" : "Bare"; });
