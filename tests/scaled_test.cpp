// The window on a high-density screen (QT_SCALE_FACTOR, 2 unless the run names another
// factor): the frame's copies land at the scaled places with the pictures' own pixels, the
// title buttons and the drag zone act at the scaled places, and the controls keep theirs.

#include "platform/exit.h"
#include "windowtest.h"

#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWindow>

#include <cmath>
#include <cstdlib>

namespace {

// Set before the application starts, which is when Qt reads it.
const bool kScaled = [] {
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    return true;
}();

// A picture drawn at twice its size whose every pixel tells where it came from: red and
// green are the pixel's column and row (in the picture's pixels), blue says which picture.
QPixmap codedPicture(int width, int height, int id)
{
    QImage image(2 * width, 2 * height, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y, id + x / 256));
    QPixmap picture = QPixmap::fromImage(image);
    picture.setDevicePixelRatio(2.0);
    return picture;
}

constexpr int kFrameId = 40;
constexpr int kButtonsId = 120;
constexpr int kBannerId = 200;

class Scaled : public WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kScaled);
        WindowTest::SetUp();
        window = startWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ratio = window->devicePixelRatioF();
        sw = window->width();
        sh = window->height();
    }

    QImage shot() const { return window->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QWindow *handle() const { return window->windowHandle(); }

    qreal ratio = 1;
    int sw = 0;
    int sh = 0;
};

} // namespace

TEST_F(Scaled, TheWindowRunsScaledWithTheDensePictures)
{
    EXPECT_EQ(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    EXPECT_EQ(QSize(sw, sh), QSize(1063, 575)) << "the window keeps its size in points";
    EXPECT_EQ(shot().size(), QSize(std::lround(1063 * ratio), std::lround(575 * ratio)));
    const struct {
        const char *control;
        QSize pixels;
    } pictures[] = {{"Image10", {26, 202}}, {"Image9", {140, 138}}, {"Image8", {800, 140}}};
    for (const auto &p : pictures) {
        const QPixmap picture = control<QLabel>(p.control)->pixmap();
        EXPECT_EQ(picture.size(), p.pixels) << p.control;
        EXPECT_EQ(picture.devicePixelRatio(), 2.0) << p.control;
        EXPECT_EQ(picture.deviceIndependentSize().toSize(), p.pixels / 2) << p.control;
    }
}

TEST_F(Scaled, TheFrameCopiesLandAtScaledPlaces)
{
    control<QLabel>("Image10")->setPixmap(codedPicture(13, 101, kFrameId));
    control<QLabel>("Image9")->setPixmap(codedPicture(70, 69, kButtonsId));
    control<QLabel>("Image8")->setPixmap(codedPicture(400, 70, kBannerId));
    const QImage image = shot();

    // A point of the window (in points) and the point of the picture it must show. At a
    // whole factor the picture's pixels land one for one; at another they are resampled, so
    // the reading may be off by a pixel or two.
    struct Sample {
        const char *piece;
        QPointF at;
        int picture;
        QPointF from;
        bool stretched = false; // one row or column of the picture spread over many
    };
    const Sample samples[] = {
        {"top-left corner", {0.5, 0.5}, kFrameId, {0.5, 0.5}},
        {"top-left corner", {4.5, 60.5}, kFrameId, {4.5, 60.5}},
        {"top edge", {700.5, 50.5}, kFrameId, {6.5, 50.5}, true},
        {"top-right corner", {sw - 3.5, 40.5}, kFrameId, {9.5, 40.5}},
        {"left edge", {1.5, 68.5}, kFrameId, {1.5, 68.5}, true},
        {"right edge", {sw - 1.5, 68.5}, kFrameId, {11.5, 68.5}, true},
        {"bottom-left corner", {2.5, sh - 2.5}, kFrameId, {2.5, 98.5}},
        {"bottom edge", {500.5, sh - 2.5}, kFrameId, {6.5, 98.5}, true},
        {"bottom-right corner", {sw - 1.5, sh - 1.5}, kFrameId, {11.5, 99.5}},
        {"minimise button", {sw - 70.5, 12.5}, kButtonsId, {9.5, 10.5}},
        {"close button", {sw - 30.5, 12.5}, kButtonsId, {49.5, 10.5}},
        {"banner", {10.5, 16.5}, kBannerId, {0.5, 0.5}},
        {"banner", {300.5, 50.5}, kBannerId, {290.5, 34.5}},
        {"banner", {409.5, 85.5}, kBannerId, {399.5, 69.5}},
    };
    const bool whole = ratio == std::floor(ratio);
    for (const Sample &s : samples) {
        const int slack = whole ? (s.stretched ? 1 : 0) : 2;
        // The pixel of the screen under the point, and the picture's pixel under its point.
        const QPoint pixel(int(s.at.x() * ratio), int(s.at.y() * ratio));
        const QRgb got = image.pixel(pixel);
        const int x = qRed(got) + 256 * (qBlue(got) - s.picture);
        const int y = qGreen(got);
        EXPECT_TRUE(qBlue(got) >= s.picture && qBlue(got) < s.picture + 4)
            << s.piece << ": pixel " << pixel.x() << "," << pixel.y() << " shows picture " << qBlue(got);
        EXPECT_NEAR(x, std::floor(s.from.x() * 2), slack) << s.piece << " at " << pixel.x() << "," << pixel.y();
        EXPECT_NEAR(y, std::floor(s.from.y() * 2), slack) << s.piece << " at " << pixel.x() << "," << pixel.y();
    }

    if (whole) {
        // Every pixel of an unstretched piece comes from the matching pixel of the picture.
        const int r = int(ratio);
        for (int dy = 0; dy < 20 * r; ++dy)
            for (int dx = 0; dx < 41 * r; ++dx) {
                const QRgb got = image.pixel((sw - 51) * r + dx, 2 * r + dy);
                ASSERT_EQ(qRed(got) + 256 * (qBlue(got) - kButtonsId), 58 + dx * 2 / r) << dx << "," << dy;
                ASSERT_EQ(qGreen(got), dy * 2 / r) << dx << "," << dy;
            }
    }
}

TEST_F(Scaled, TheTitleButtonsAndTheDragZoneActAtTheScaledPlaces)
{
    const QImage normal = shot();
    const QRect closePixels(QPointF((sw - 51) * ratio, 2 * ratio).toPoint(), QSizeF(41 * ratio, 20 * ratio).toSize());
    const QRect minimisePixels(QPointF((sw - 80) * ratio, 2 * ratio).toPoint(), QSizeF(28 * ratio, 20 * ratio).toSize());

    QTest::mouseMove(handle(), QPoint(sw - 30, 12));
    const QImage hover = shot();
    EXPECT_NE(hover.copy(closePixels), normal.copy(closePixels)) << "the close button lights up";
    EXPECT_EQ(hover.copy(minimisePixels), normal.copy(minimisePixels));
    if (ratio == 2.0) {
        const QImage sprite = QImage(QStringLiteral(":/pictures/titlebuttons@2x.png")).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(hover.copy(closePixels), sprite.copy(58, 42, 82, 40)) << "the dense sprite's hover look, pixel for pixel";
    }

    QTest::mousePress(handle(), Qt::LeftButton, {}, QPoint(sw - 30, 12));
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, QPoint(sw - 30, 12));
    EXPECT_EQ(platform::endProgramCount(), 1);

    const QPoint start = window->pos();
    QTest::mousePress(handle(), Qt::LeftButton, {}, QPoint(300, 68));
    QTest::mouseMove(handle(), QPoint(340, 98));
    EXPECT_TRUE(waitUntil([&] { return window->pos() == start + QPoint(40, 30); }, 2000))
        << "at " << window->pos().x() << "," << window->pos().y();
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, QPoint(300, 68));
    const QPoint dropped = window->pos();
    QTest::mousePress(handle(), Qt::LeftButton, {}, QPoint(300, 69));
    QTest::mouseMove(handle(), QPoint(340, 99));
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, QPoint(340, 99));
    QTest::qWait(50);
    EXPECT_EQ(window->pos(), dropped) << "row 69 is below the title zone";
}

TEST_F(Scaled, TheControlsKeepTheirPlacesAndTheDownloadPanelItsLayout)
{
    const struct {
        const char *control;
        QRect geometry; // in points, as on a screen of one pixel a point
    } places[] = {
        {"Text1", {536, 144, 377, 18}},
        {"ListView1", {16, 184, 505, 337}},
        {"Picture2", {760, 184, 281, 249}},
        {"aicAlphaImage3", {936, 72, 106, 100}},
        {"Command5", {960, 480, 81, 41}},
    };
    for (const auto &p : places)
        EXPECT_EQ(control<QWidget>(p.control)->geometry(), p.geometry) << p.control;

    lookUp(QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"));
    control<QWidget>("Command2")->setFocus();
    QTest::mouseClick(control<QWidget>("Command2"), Qt::LeftButton);
    auto *panel = control<QWidget>("Picture3");
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), QPoint(283, 71)) << "centred in points";
    // The panel's drag works in points too.
    const QPoint grip = panel->mapTo(window.get(), QPoint(200, 8));
    QTest::mousePress(handle(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle(), grip + QPoint(-30, 20));
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, grip + QPoint(-30, 20));
    EXPECT_EQ(panel->pos(), QPoint(253, 91));
}
