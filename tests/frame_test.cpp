// The painted frame on the real window: what a repaint puts where, how the title buttons
// answer the mouse, and the window and panel drags.

#include "platform/exit.h"
#include "platform/mci.h"
#include "windowtest.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

// A picture whose every pixel tells where it came from: red = x mod 256, green = y,
// blue = which picture plus x / 256.
QPixmap codedPicture(int width, int height, int id)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y, id + x / 256));
    return QPixmap::fromImage(image);
}

constexpr int kFrameId = 40;
constexpr int kButtonsId = 120;
constexpr int kBannerId = 200;

struct Origin {
    int picture;
    int x, y;
};

Origin originOf(QRgb pixel)
{
    const int b = qBlue(pixel);
    for (int id : {kBannerId, kButtonsId, kFrameId})
        if (b >= id && b < id + 2)
            return {id, qRed(pixel) + 256 * (b - id), qGreen(pixel)};
    return {-1, -1, -1};
}

class Frame : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window = startWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        sw = window->width();
        sh = window->height();
    }

    void TearDown() override
    {
        // Leave no button held for the next test.
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton})
            if (QGuiApplication::mouseButtons() & b)
                QTest::mouseRelease(window->windowHandle(), b, {}, QPoint(500, 300));
        WindowTest::TearDown();
    }

    QWindow *handle() const { return window->windowHandle(); }
    void move(QPoint at) { QTest::mouseMove(handle(), at); }
    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton) { QTest::mousePress(handle(), button, {}, at); }
    void release(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(handle(), button, {}, at);
    }

    QImage shot() const { return window->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // The sprite piece that one of the buttons shows right now.
    enum Look { Normal = 0, Hover = 1, Pressed = 2 };
    QImage minimiseShows() const { return shot().copy(sw - 80, 2, 29, 20); }
    QImage closeShows() const { return shot().copy(sw - 51, 2, 41, 20); }
    static QImage sprite(QRect piece)
    {
        return QImage(QStringLiteral(":/pictures/titlebuttons.png")).convertToFormat(QImage::Format_RGB32).copy(piece);
    }
    static QImage minimiseLook(Look look)
    {
        constexpr int top[] = {0, 21, 41};
        return sprite(QRect(0, top[look], 29, 20));
    }
    static QImage closeLook(Look look)
    {
        constexpr int top[] = {0, 21, 42};
        return sprite(QRect(29, top[look], 41, 20));
    }

    void expectLooks(Look minimise, Look close, const char *where)
    {
        EXPECT_EQ(minimiseShows(), minimiseLook(minimise)) << where << ": minimise button";
        EXPECT_EQ(closeShows(), closeLook(close)) << where << ": close button";
    }

    int sw = 0;
    int sh = 0;
};

} // namespace

TEST_F(Frame, TheSpriteShowsThreeDifferentLooksPerButton)
{
    EXPECT_NE(minimiseLook(Normal), minimiseLook(Hover));
    EXPECT_NE(minimiseLook(Hover), minimiseLook(Pressed));
    EXPECT_NE(closeLook(Normal), closeLook(Hover));
    EXPECT_NE(closeLook(Hover), closeLook(Pressed));
}

TEST_F(Frame, ARepaintCopiesEveryPieceOfThePicturesToItsPlace)
{
    control<QLabel>("Image10")->setPixmap(codedPicture(13, 101, kFrameId));
    control<QLabel>("Image9")->setPixmap(codedPicture(70, 69, kButtonsId));
    control<QLabel>("Image8")->setPixmap(codedPicture(400, 70, kBannerId));
    const QImage image = shot();

    struct Sample {
        const char *piece;
        QPoint at;       // in the window
        Origin expected; // the source pixel
    };
    const Sample exact[] = {
        {"top-left corner", {0, 0}, {kFrameId, 0, 0}},
        {"top-left corner", {5, 99}, {kFrameId, 5, 99}},
        {"top-left corner", {3, 70}, {kFrameId, 3, 70}},
        {"top edge", {6, 0}, {kFrameId, 6, 0}},
        {"top edge", {700, 50}, {kFrameId, 6, 50}},
        {"top edge", {sw - 7, 99}, {kFrameId, 6, 99}},
        {"top-right corner", {sw - 6, 0}, {kFrameId, 7, 0}},
        {"top-right corner", {sw - 4, 70}, {kFrameId, 9, 70}},
        {"top-right corner", {sw - 4, 99}, {kFrameId, 9, 99}},
        {"left edge", {0, 68}, {kFrameId, 0, 68}},
        {"left edge", {1, sh - 6}, {kFrameId, 1, 95}},
        {"right edge", {sw - 3, 68}, {kFrameId, 10, 68}},
        {"right edge", {sw - 1, sh - 6}, {kFrameId, 12, 95}},
        {"bottom-left corner", {0, sh - 5}, {kFrameId, 0, 96}},
        {"bottom-left corner", {5, sh - 1}, {kFrameId, 5, 100}},
        {"bottom edge", {500, sh - 2}, {kFrameId, 6, 99}},
        {"bottom-right corner", {sw - 6, sh - 3}, {kFrameId, 7, 98}},
        {"bottom-right corner", {sw - 1, sh - 1}, {kFrameId, 12, 100}},
        {"minimise button", {sw - 80, 2}, {kButtonsId, 0, 0}},
        {"minimise button", {sw - 52, 21}, {kButtonsId, 28, 19}},
        {"close button", {sw - 51, 2}, {kButtonsId, 29, 0}},
        {"close button", {sw - 11, 21}, {kButtonsId, 69, 19}},
        {"banner", {10, 16}, {kBannerId, 0, 0}},
        {"banner", {300, 50}, {kBannerId, 290, 34}},
        {"banner", {409, 85}, {kBannerId, 399, 69}},
    };
    for (const Sample &s : exact) {
        const Origin got = originOf(image.pixel(s.at));
        EXPECT_EQ(got.picture, s.expected.picture) << s.piece << " at " << s.at.x() << "," << s.at.y();
        EXPECT_EQ(got.x, s.expected.x) << s.piece << " at " << s.at.x() << "," << s.at.y();
        EXPECT_EQ(got.y, s.expected.y) << s.piece << " at " << s.at.x() << "," << s.at.y();
    }

    // The side edges stretch 28 source rows over the window's height, in order.
    for (int column : {0, 1, sw - 1}) { // the status strip covers the inner columns low down
        int previous = 68;
        for (int y = 68; y < sh - 5; ++y) {
            const Origin got = originOf(image.pixel(column, y));
            ASSERT_EQ(got.picture, kFrameId) << column << "," << y;
            ASSERT_EQ(got.x, column < 3 ? column : column - (sw - 13)) << column << "," << y;
            ASSERT_GE(got.y, previous) << column << "," << y;
            ASSERT_LE(got.y, 95) << column << "," << y;
            previous = got.y;
        }
        EXPECT_EQ(previous, 95);
        const Origin middle = originOf(image.pixel(column, 68 + (sh - 73) / 2));
        EXPECT_NEAR(middle.y, 68 + 14, 1) << "column " << column;
    }
}

TEST_F(Frame, TheButtonsLightUpUnderTheMouseUpToTheirEdges)
{
    expectLooks(Normal, Normal, "before any move");
    move({sw - 80, 2});
    expectLooks(Hover, Normal, "left edge of minimise");
    move({sw - 51, 22});
    expectLooks(Hover, Normal, "where the two meet");
    move({sw - 50, 2});
    expectLooks(Normal, Hover, "just right of the meeting column");
    move({sw - 10, 22});
    expectLooks(Normal, Hover, "right edge of close");
    move({sw - 9, 12});
    expectLooks(Normal, Normal, "right of close");
    move({sw - 60, 1});
    expectLooks(Normal, Normal, "above the buttons");
    move({sw - 60, 23});
    expectLooks(Normal, Normal, "below the buttons");
    move({sw - 81, 12});
    expectLooks(Normal, Normal, "left of minimise");
}

TEST_F(Frame, PressingAtTheMeetingColumnMinimises)
{
    move({sw - 51, 12});
    press({sw - 51, 12});
    expectLooks(Pressed, Normal, "pressed at the meeting column");
    release({sw - 51, 12});
    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(platform::endProgramCount(), 0);

    window->showNormal();
    expectLooks(Normal, Normal, "restored");
}

TEST_F(Frame, CloseSaysCloseAllThenEndsTheProgramAndStaysPressed)
{
    bool closedAllFirst = false;
    platform::setEndProgramHandler([&] { closedAllFirst = platform::mciCommandLog().contains(QStringLiteral("close all")); });
    move({sw - 10, 2});
    press({sw - 10, 2});
    expectLooks(Normal, Pressed, "pressed");
    release({sw - 10, 2});
    EXPECT_EQ(platform::endProgramCount(), 1);
    EXPECT_TRUE(closedAllFirst) << "the playing song is stopped before the end";
    EXPECT_EQ(platform::mciCommandLog().count(QStringLiteral("close all")), 1) << "no unload ran besides";
    expectLooks(Normal, Pressed, "the release redraws nothing");
    window->update();
    QTest::qWait(20);
    expectLooks(Normal, Pressed, "a repaint keeps the pressed look until the mouse moves");
}

TEST_F(Frame, APressReleasedOffTheButtonsDoesNothing)
{
    move({sw - 70, 12});
    press({sw - 70, 12});
    expectLooks(Pressed, Normal, "pressed");
    const QPoint before = window->pos();
    release({sw - 200, 40});
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(platform::endProgramCount(), 0);
    EXPECT_EQ(window->pos(), before) << "a press on a button never drags";
    expectLooks(Normal, Normal, "after moving away");
}

TEST_F(Frame, TheRightButtonNeitherDragsNorPressesButItsReleaseActs)
{
    const QPoint before = window->pos();
    press({300, 40}, Qt::RightButton);
    move({340, 70});
    release({340, 70}, Qt::RightButton);
    EXPECT_EQ(window->pos(), before);

    move({sw - 30, 12});
    press({sw - 30, 12}, Qt::RightButton);
    expectLooks(Normal, Hover, "a right press shows no pressed image");
    release({sw - 30, 12}, Qt::RightButton);
    EXPECT_EQ(platform::endProgramCount(), 1);

    press({sw - 70, 12}, Qt::RightButton);
    release({sw - 70, 12}, Qt::RightButton);
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(Frame, OnlyTheTopBandDragsTheWindow)
{
    const QPoint start = window->pos();
    press({300, 68});
    move({340, 98});
    EXPECT_TRUE(waitUntil([&] { return window->pos() == start + QPoint(40, 30); }, 2000))
        << "at " << window->pos().x() << "," << window->pos().y();
    release({300, 68});
    const QPoint dropped = window->pos();

    press({300, 69});
    move({340, 99});
    release({340, 99});
    QTest::qWait(50);
    EXPECT_EQ(window->pos(), dropped) << "row 69 is below the title zone";
}

TEST_F(Frame, TheReleaseAloneDecides)
{
    // Pressed on the window's own surface below the title zone, released over close.
    press({8, 300});
    move({sw - 30, 12});
    release({sw - 30, 12});
    EXPECT_EQ(platform::endProgramCount(), 1);
}

TEST_F(Frame, APressOnAControlIsNotTheFrames)
{
    const QWidget *signature = control<QWidget>("Label8_2");
    const QPoint onLabel = signature->geometry().center();
    press(onLabel);
    move({sw - 30, 12});
    release({sw - 30, 12});
    EXPECT_EQ(platform::endProgramCount(), 0);
}

TEST_F(Frame, TheDownloadPanelDragsFromItsBackgroundAndItsControlsStillWork)
{
    auto *panel = control<QWidget>("Picture3");
    panel->show();
    auto *probe = new QPushButton(QStringLiteral("probe"), panel);
    probe->setGeometry(panel->width() - 90, panel->height() - 40, 80, 30);
    probe->show();
    int clicks = 0;
    QObject::connect(probe, &QPushButton::clicked, [&] { ++clicks; });
    auto *caption = new QLabel(QStringLiteral("caption"), panel);
    caption->setGeometry(panel->width() - 90, panel->height() - 80, 80, 30);
    caption->show();

    // A spot of the panel's own background, whatever controls it holds.
    QPoint spot;
    for (int y = 4; y < panel->height() && spot.isNull(); y += 3)
        for (int x = 4; x < panel->width() && spot.isNull(); x += 3)
            if (!panel->childAt(x, y))
                spot = QPoint(x, y);
    ASSERT_FALSE(spot.isNull());

    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        const QPoint start = panel->pos();
        const QPoint at = panel->mapTo(window.get(), spot);
        press(at, button);
        move(at + QPoint(-25, 15));
        release(at + QPoint(-25, 15), button);
        EXPECT_EQ(panel->pos(), start + QPoint(-25, 15)) << "button " << button;
    }

    // Dragged far off, it stays wholly inside the window.
    const QPoint at = panel->mapTo(window.get(), spot);
    press(at);
    move(QPoint(1, 1));
    release(QPoint(1, 1));
    EXPECT_EQ(panel->pos(), QPoint(0, 0));

    const QPoint before = panel->pos();
    QTest::mouseClick(handle(), Qt::LeftButton, {}, probe->mapTo(window.get(), probe->rect().center()));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(panel->pos(), before) << "a press on a control does not drag";

    // Not even on a label, which lets presses through to the panel.
    const QPoint onCaption = caption->mapTo(window.get(), caption->rect().center());
    press(onCaption);
    move(onCaption + QPoint(20, 20));
    release(onCaption + QPoint(20, 20));
    EXPECT_EQ(panel->pos(), before) << "a press on a label does not drag";
}
