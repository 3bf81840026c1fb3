// The frame's hit areas without a window, and the stored frame pictures: their sizes and
// whether their pieces line up with the rectangles the window copies from them.

#include "app/frame.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

// The pictures live in the core library's resources.
static void loadPictures()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

using frame::Button;
using frame::Look;

constexpr float kWidth = 1063.0f;

QImage picture(const char *name)
{
    loadPictures();
    return QImage(QStringLiteral(":/pictures/") + QLatin1String(name)).convertToFormat(QImage::Format_ARGB32);
}

// The bounding box of the white pixels of a piece (the mark drawn on a button).
QRect whiteMark(const QImage &image, QRect piece)
{
    QRect box;
    for (int y = piece.top(); y <= piece.bottom(); ++y)
        for (int x = piece.left(); x <= piece.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() > 200)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

} // namespace

TEST(FrameHitAreas, BoundsAreInclusiveAndMinimiseWinsWhereTheyMeet)
{
    EXPECT_EQ(frame::buttonAt(kWidth - 80, 2, kWidth), Button::Minimise);
    EXPECT_EQ(frame::buttonAt(kWidth - 80.5f, 12, kWidth), Button::None);
    EXPECT_EQ(frame::buttonAt(kWidth - 51, 22, kWidth), Button::Minimise);
    EXPECT_EQ(frame::buttonAt(kWidth - 50.75f, 12, kWidth), Button::Close);
    EXPECT_EQ(frame::buttonAt(kWidth - 10, 12, kWidth), Button::Close);
    EXPECT_EQ(frame::buttonAt(kWidth - 9.75f, 12, kWidth), Button::None);
    EXPECT_EQ(frame::buttonAt(kWidth - 30, 1.75f, kWidth), Button::None);
    EXPECT_EQ(frame::buttonAt(kWidth - 30, 22.25f, kWidth), Button::None);
    EXPECT_EQ(frame::buttonAt(20, 12, kWidth), Button::None);
    // The areas follow the width the window has now.
    EXPECT_EQ(frame::buttonAt(700, 12, 750), Button::Close);
    EXPECT_EQ(frame::buttonAt(700, 12, kWidth), Button::None);

    EXPECT_TRUE(frame::inTitleZone(68));
    EXPECT_TRUE(frame::inTitleZone(0));
    EXPECT_FALSE(frame::inTitleZone(68.5f));
    EXPECT_FALSE(frame::inTitleZone(69));
}

TEST(FrameHitAreas, HoverLightsOnlyTheButtonUnderTheMouse)
{
    using L = frame::Looks;
    EXPECT_EQ(frame::hoverLooks(kWidth - 60, 12, kWidth), (L{Look::Hover, Look::Normal}));
    EXPECT_EQ(frame::hoverLooks(kWidth - 51, 12, kWidth), (L{Look::Hover, Look::Normal}));
    EXPECT_EQ(frame::hoverLooks(kWidth - 30, 12, kWidth), (L{Look::Normal, Look::Hover}));
    EXPECT_EQ(frame::hoverLooks(kWidth - 30, 40, kWidth), L{});
    EXPECT_EQ(frame::hoverLooks(300, 12, kWidth), L{});
}

TEST(FrameHitAreas, APanelIsKeptWhollyInside)
{
    const QSize panel(497, 433), area(1063, 575);
    EXPECT_EQ(frame::keptInside({100, 50}, panel, area), QPoint(100, 50));
    EXPECT_EQ(frame::keptInside({-40, -3}, panel, area), QPoint(0, 0));
    EXPECT_EQ(frame::keptInside({900, 400}, panel, area), QPoint(1063 - 497, 575 - 433));
    EXPECT_EQ(frame::keptInside({10, 10}, QSize(2000, 10), area), QPoint(0, 10)) << "wider than the area";
}

TEST(FramePictures, EveryPictureHasItsSize)
{
    const struct {
        const char *name;
        QSize size;
    } pictures[] = {
        {"frame.png", {13, 101}},     {"titlebuttons.png", {70, 69}}, {"banner.png", {400, 70}},
        {"statusbar.png", {20, 20}},  {"avatar.png", {90, 90}},       {"avatarframe.png", {180, 180}},
        {"mvbadge.png", {32, 23}},    {"lookup.png", {106, 100}},     {"close.png", {16, 16}},
    };
    for (const auto &p : pictures)
        EXPECT_EQ(picture(p.name).size(), p.size) << p.name;
}

// Each picture's dense twin (for screens of two pixels a point) is exactly twice its size and
// shows the same drawing: shrunk back by averaging each 2 x 2 block, it matches the picture
// closely (small text is hinted differently at each size), and the title-button pieces
// have the same grounds.
TEST(FramePictures, EveryDensePictureIsTheSameDrawingAtTwiceTheSize)
{
    for (const char *name : {"frame", "titlebuttons", "banner", "statusbar", "avatar", "avatarframe", "mvbadge",
                             "lookup", "close"}) {
        const QImage single = picture((std::string(name) + ".png").c_str());
        const QImage dense = picture((std::string(name) + "@2x.png").c_str());
        ASSERT_EQ(dense.size(), single.size() * 2) << name;
        long long difference = 0;
        int worst = 0;
        for (int y = 0; y < single.height(); ++y)
            for (int x = 0; x < single.width(); ++x) {
                int channels[4] = {};
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const QRgb p = dense.pixel(2 * x + dx, 2 * y + dy);
                        channels[0] += qRed(p), channels[1] += qGreen(p), channels[2] += qBlue(p), channels[3] += qAlpha(p);
                    }
                const QRgb p = single.pixel(x, y);
                const int own[4] = {qRed(p), qGreen(p), qBlue(p), qAlpha(p)};
                for (int c = 0; c < 4; ++c) {
                    const int d = std::abs(channels[c] / 4 - own[c]);
                    difference += d;
                    worst = std::max(worst, d);
                }
            }
        const double mean = double(difference) / (single.width() * single.height() * 4);
        EXPECT_LT(mean, 12.0) << name << ": the dense picture is another drawing (mean " << mean << ", worst channel " << worst << ")";
    }
    const QImage buttons = picture("titlebuttons.png");
    const QImage dense = picture("titlebuttons@2x.png");
    for (Button button : {Button::Minimise, Button::Close})
        for (Look look : {Look::Normal, Look::Hover, Look::Pressed}) {
            const QRect piece = frame::buttonSource(button, look);
            const QRect densePiece(piece.topLeft() * 2, piece.size() * 2);
            EXPECT_EQ(dense.pixelColor(densePiece.topLeft()), buttons.pixelColor(piece.topLeft()));
            EXPECT_EQ(dense.pixelColor(densePiece.bottomRight()), buttons.pixelColor(piece.bottomRight()));
        }
}

TEST(FramePictures, TheTitleBandIsOneColourSoThePiecesMeetWithoutSeams)
{
    const QImage framePicture = picture("frame.png");
    const QImage buttons = picture("titlebuttons.png");
    const QImage banner = picture("banner.png");
    const QColor band = framePicture.pixelColor(6, 50);

    // The stretched strips and corners of the band are the band colour below the rim.
    for (int y = 1; y < 100; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(framePicture.pixelColor(x, y), band) << x << "," << y;
    // Side and bottom edges are the same crimson, so the frame reads as one piece.
    EXPECT_EQ(framePicture.pixelColor(1, 80), band);
    EXPECT_EQ(framePicture.pixelColor(11, 80), band);
    EXPECT_EQ(framePicture.pixelColor(6, 97), band);
    // Normal buttons, the banner's edges and the status strip sit on the band seamlessly.
    EXPECT_EQ(buttons.pixelColor(0, 0), band);
    EXPECT_EQ(buttons.pixelColor(69, 19), band);
    for (QPoint p : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 69), QPoint(399, 69)})
        EXPECT_EQ(banner.pixelColor(p), band) << "banner corner " << p.x() << "," << p.y();
    EXPECT_EQ(picture("statusbar.png").pixelColor(10, 10), band);
    for (int x = 0; x < 400; ++x)
        ASSERT_EQ(banner.pixelColor(x, 0).alpha(), 255) << "the banner is opaque";
}

TEST(FramePictures, EachButtonLookFillsItsPieceWithTheMarkCentred)
{
    const QImage buttons = picture("titlebuttons.png");
    const struct {
        Button button;
        Look look;
    } pieces[] = {
        {Button::Minimise, Look::Normal}, {Button::Minimise, Look::Hover}, {Button::Minimise, Look::Pressed},
        {Button::Close, Look::Normal},    {Button::Close, Look::Hover},    {Button::Close, Look::Pressed},
    };
    QColor previous;
    for (const auto &p : pieces) {
        const QRect piece = frame::buttonSource(p.button, p.look);
        const QColor ground = buttons.pixelColor(piece.topLeft());
        // The ground reaches every corner of the piece: the piece and the drawn look agree.
        for (QPoint corner : {piece.topRight(), piece.bottomLeft(), piece.bottomRight()})
            EXPECT_EQ(buttons.pixelColor(corner), ground) << int(p.button) << "/" << int(p.look);
        if (p.look != Look::Normal) {
            EXPECT_NE(ground, previous) << "each look has its own shade";
        }
        previous = ground;

        const QRect mark = whiteMark(buttons, piece);
        ASSERT_FALSE(mark.isEmpty()) << int(p.button) << "/" << int(p.look);
        EXPECT_TRUE(piece.adjusted(2, 2, -2, -2).contains(mark));
        EXPECT_NEAR(mark.center().x(), piece.center().x(), 2) << int(p.button) << "/" << int(p.look);
    }
    // The pressed close button is drawn from row 42: row 41 above it is not part of it.
    const QRect pressedClose = frame::buttonSource(Button::Close, Look::Pressed);
    EXPECT_NE(buttons.pixelColor(pressedClose.left(), 41), buttons.pixelColor(pressedClose.topLeft()));
}
