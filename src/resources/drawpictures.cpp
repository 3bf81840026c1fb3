// Draws the pictures that Quillory keeps as resources and writes them as PNG
// files into the folder given as the first argument.
//
// Palette (shared by every picture, and by any code that paints next to them):
//   title-band crimson  #B0122B  frame band, side and bottom edges, status strip,
//                                banner background, title buttons (normal)
//   darker crimson      #8C0E22  title buttons (pressed), outlines
//   lighter crimson     #C8243D  title buttons (hover), highlights
//   white               #FFFFFF  marks and text; panel background around the avatar
//
// The title band is one flat colour, so the banner, the frame strips and the
// button sprite line up seamlessly wherever the window stretches them.
//
// Every picture is drawn twice: at its own size (NAME.png) and at twice that size for
// high-density screens (NAME@2x.png), from the same drawing in the same coordinates, so
// the two line up piece for piece.
//
// Usage: drawpictures OUTPUT_FOLDER   (run with QT_QPA_PLATFORM=offscreen)

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const QColor kCrimson(0xB0, 0x12, 0x2B);
const QColor kCrimsonDark(0x8C, 0x0E, 0x22);
const QColor kCrimsonLight(0xC8, 0x24, 0x3D);
const QColor kWhite(0xFF, 0xFF, 0xFF);

QImage blank(int w, int h, const QColor &fill = Qt::transparent)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

// A picture of w x h points drawn at s pixels a point; a painter on it draws in points.
QImage blank(int w, int h, qreal s, const QColor &fill = Qt::transparent)
{
    return blank(qRound(w * s), qRound(h * s), fill);
}

void scaled(QPainter &p, qreal s)
{
    p.scale(s, s);
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QFont uiFont(qreal pixelSize, int weight = QFont::Normal)
{
    QFont f;
    f.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑"),
                   QStringLiteral("Noto Sans CJK SC")});
    f.setPixelSize(qRound(pixelSize));
    f.setWeight(QFont::Weight(weight));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Box blur of the alpha channel of a premultiplied shadow mask, a few passes
// approximating a Gaussian; used for soft drop shadows.
QImage blurred(const QImage &src, int radius, int passes = 3)
{
    QImage img = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = img.width(), h = img.height();
    std::vector<int> line(std::max(w, h));
    for (int pass = 0; pass < passes; ++pass) {
        for (int channel = 0; channel < 4; ++channel) {
            const int shift = channel * 8;
            // Horizontal.
            for (int y = 0; y < h; ++y) {
                auto *row = reinterpret_cast<quint32 *>(img.scanLine(y));
                for (int x = 0; x < w; ++x)
                    line[x] = (row[x] >> shift) & 0xFF;
                for (int x = 0; x < w; ++x) {
                    int sum = 0, n = 0;
                    for (int k = -radius; k <= radius; ++k) {
                        const int xx = x + k;
                        if (xx >= 0 && xx < w) sum += line[xx];
                        ++n;
                    }
                    row[x] = (row[x] & ~(0xFFu << shift)) | (quint32(sum / n) << shift);
                }
            }
            // Vertical.
            for (int x = 0; x < w; ++x) {
                for (int y = 0; y < h; ++y)
                    line[y] = (reinterpret_cast<quint32 *>(img.scanLine(y))[x] >> shift) & 0xFF;
                for (int y = 0; y < h; ++y) {
                    int sum = 0, n = 0;
                    for (int k = -radius; k <= radius; ++k) {
                        const int yy = y + k;
                        if (yy >= 0 && yy < h) sum += line[yy];
                        ++n;
                    }
                    auto &px = reinterpret_cast<quint32 *>(img.scanLine(y))[x];
                    px = (px & ~(0xFFu << shift)) | (quint32(sum / n) << shift);
                }
            }
        }
    }
    return img;
}

// An eighth note: an oval head with a stem and a flag. (cx, cy) is the centre of
// the head; s scales the whole mark (s = 1 gives a head about 8 px wide).
void drawNote(QPainter &p, qreal cx, qreal cy, qreal s, const QColor &c)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.translate(cx, cy);
    p.save();
    p.rotate(-22);
    p.drawEllipse(QPointF(0, 0), 4.2 * s, 3.0 * s);
    p.restore();
    const qreal stemX = 3.2 * s, stemW = 1.7 * s;
    const qreal top = -15.0 * s;
    p.drawRect(QRectF(stemX, top, stemW, -top - 0.5 * s));
    QPainterPath flag;
    flag.moveTo(stemX + stemW * 0.5, top);
    flag.cubicTo(stemX + 1.5 * s, top + 4.0 * s, stemX + 8.5 * s, top + 5.0 * s,
                 stemX + 6.5 * s, top + 11.0 * s);
    flag.cubicTo(stemX + 6.8 * s, top + 7.0 * s, stemX + 3.5 * s, top + 5.5 * s,
                 stemX + stemW * 0.5, top + 5.5 * s);
    flag.closeSubpath();
    p.drawPath(flag);
    p.restore();
}

// ---------------------------------------------------------------------------

// 13 x 101. Rows 0-99 are the title band (corners, 1-px stretchable strip at
// column 6), rows 68-95 of columns 0-2 / 10-12 the side edges, rows 96-100 the
// bottom. Everything is the band crimson except a darker rim on the outermost
// top and bottom rows, which both span whole rows so stretching stays seamless.
QImage drawFrame(qreal s)
{
    QImage img = blank(13, 101, s, kCrimson);
    QPainter p(&img);
    scaled(p, s);
    p.fillRect(QRectF(0, 0, 13, 1), kCrimsonDark);
    p.fillRect(QRectF(0, 100, 13, 1), kCrimsonDark);
    return img;
}

// 70 x 69. Minimise button in columns 0-28, close button in columns 29-69, each
// 20 rows per state: normal from row 0, hover from row 21, pressed from row 41
// (minimise) or row 42 (close). Rows outside every state stay band crimson.
QImage drawTitleButtons(qreal s)
{
    QImage img = blank(70, 69, s, kCrimson);
    QPainter p(&img);
    prepare(p);
    scaled(p, s);

    auto minimise = [&](int top, const QColor &bg, qreal dy) {
        const QRect cell(0, top, 29, 20);
        p.fillRect(cell, bg);
        // A 9 x 2 dash, centred across, a little below the middle like a caption glyph.
        p.fillRect(QRectF(10, top + 11 + dy, 9, 2), kWhite);
    };
    auto close = [&](int top, const QColor &bg, qreal dy) {
        const QRect cell(29, top, 41, 20);
        p.fillRect(cell, bg);
        // Diagonals through pixel centres keep the 9 x 9 cross crisp.
        QPen pen(kWhite, 1.5, Qt::SolidLine, Qt::SquareCap);
        p.setPen(pen);
        const QPointF c(29 + 20.5, top + 10.5 + dy);
        const qreal r = 4.0;
        p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
        p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
        p.setPen(Qt::NoPen);
    };

    minimise(0, kCrimson, 0);
    close(0, kCrimson, 0);
    minimise(21, kCrimsonLight, 0);
    close(21, kCrimsonLight, 0);
    minimise(41, kCrimsonDark, 1);
    close(42, kCrimsonDark, 1);
    return img;
}

// 400 x 70, drawn at (10, 16) over the title band: ring logo, name, version and
// slogan, all white on the band crimson.
QImage drawBanner(qreal s)
{
    QImage img = blank(400, 70, s, kCrimson);
    QPainter p(&img);
    prepare(p);
    scaled(p, s);

    // Ring logo: centre (35, 35), outer diameter 50.
    const QPointF c(35, 35);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kWhite, 3.4));
    p.drawEllipse(c, 23.0, 23.0);
    p.setPen(QPen(QColor(255, 255, 255, 110), 1.2));
    p.drawEllipse(c, 18.0, 18.0);
    drawNote(p, c.x() - 3.0, c.y() + 6.0, 1.05, kWhite);

    // Program name.
    const QFont nameFont = uiFont(26, QFont::Bold);
    p.setFont(nameFont);
    p.setPen(kWhite);
    const qreal nameX = 72;
    const qreal nameBase = 35;
    p.drawText(QPointF(nameX, nameBase), QStringLiteral("Quillory"));
    const qreal nameW = QFontMetricsF(nameFont).horizontalAdvance(QStringLiteral("Quillory"));

    // Version in a small outlined tag after the name.
    const QFont verFont = uiFont(11, QFont::Bold);
    const QString ver = QStringLiteral("V3.2");
    const QFontMetricsF vfm(verFont);
    const QRectF tag(nameX + nameW + 8, nameBase - 15, vfm.horizontalAdvance(ver) + 10, 15);
    p.setPen(QPen(kWhite, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tag.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p.setFont(verFont);
    p.drawText(tag, Qt::AlignCenter, ver);

    // Slogan.
    p.setFont(uiFont(13));
    p.setPen(QColor(255, 255, 255, 235));
    p.drawText(QPointF(nameX + 1, 57), QStringLiteral("唱吧音乐 一键解析 · 在线试听 · 下载保存"));
    return img;
}

// 20 x 20 plain band crimson, stretched behind the status strip.
QImage drawStatusBar(qreal s)
{
    return blank(20, 20, s, kCrimson);
}

// 90 x 90 default avatar: white person silhouette on a soft grey-pink ground.
QImage drawAvatar(qreal s)
{
    QImage img = blank(90, 90, s, QColor(0xEA, 0xDF, 0xE1));
    QPainter p(&img);
    prepare(p);
    scaled(p, s);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    // Head.
    p.drawEllipse(QPointF(45, 34), 15, 16);
    // Shoulders: a wide rounded body running off the bottom edge.
    QPainterPath body;
    body.moveTo(12, 91);
    body.cubicTo(12, 68, 26, 57, 45, 57);
    body.cubicTo(64, 57, 78, 68, 78, 91);
    body.closeSubpath();
    p.drawPath(body);
    return img;
}

// 180 x 180 circular mask frame: panel-white corners, a light ring, and a
// transparent circle of diameter 160 in the middle.
QImage drawAvatarFrame(qreal s)
{
    QImage img = blank(180, 180, s, kWhite);
    QPainter p(&img);
    prepare(p);
    scaled(p, s);
    const QPointF c(90, 90);
    // Faint outline just outside the ring, to give the circle an edge.
    p.setPen(QPen(QColor(0xE6, 0xD6, 0xD9), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 86.5, 86.5);
    // Thin tinted line on the inner edge of the ring.
    p.setPen(QPen(QColor(0xF0, 0xC8, 0xCF), 2.0));
    p.drawEllipse(c, 81.0, 81.0);
    // Punch out the centre.
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(c, 80.0, 80.0);
    return img;
}

// 32 x 23 rounded badge reading "MV".
QImage drawMvBadge(qreal s)
{
    QImage img = blank(32, 23, s);
    QPainter p(&img);
    prepare(p);
    scaled(p, s);
    const QRectF r(0.5, 0.5, 31, 22);
    QLinearGradient g(0, 0, 0, 23);
    g.setColorAt(0, kCrimsonLight);
    g.setColorAt(1, kCrimson);
    p.setPen(QPen(kCrimsonDark, 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r, 5, 5);
    QFont f = uiFont(13, QFont::Bold);
    p.setFont(f);
    p.setPen(kWhite);
    p.drawText(QRectF(0, 0, 32, 22), Qt::AlignCenter, QStringLiteral("MV"));
    return img;
}

// 106 x 100 image button: a red rounded square with a soft shadow, a glossy
// top, and a white magnifier holding a music note ("extract music").
QImage drawLookup(qreal s)
{
    const int W = 106, H = 100;
    const QRectF body(11, 4, 84, 84);
    const qreal radius = 20;

    // Shadow.
    QImage shadow = blank(W, H, s);
    {
        QPainter sp(&shadow);
        prepare(sp);
        scaled(sp, s);
        sp.setPen(Qt::NoPen);
        sp.setBrush(QColor(90, 0, 15, 120));
        sp.drawRoundedRect(body.translated(0, 4).adjusted(2, 2, -2, 0), radius, radius);
    }
    shadow = blurred(shadow, qRound(2 * s), 3);

    QImage img = blank(W, H, s);
    QPainter p(&img);
    prepare(p);
    p.drawImage(0, 0, shadow);
    scaled(p, s);

    // Body.
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0.0, QColor(0xD4, 0x2D, 0x46));
    g.setColorAt(0.5, kCrimson);
    g.setColorAt(1.0, QColor(0x98, 0x0F, 0x25));
    p.setPen(QPen(kCrimsonDark, 1.0));
    p.setBrush(g);
    p.drawRoundedRect(body, radius, radius);

    // Inner highlight rim.
    p.setPen(QPen(QColor(255, 255, 255, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1.5, radius - 1.5);

    // Gloss over the upper half.
    {
        QPainterPath clip;
        clip.addRoundedRect(body.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
        QPainterPath gloss;
        gloss.moveTo(body.left(), body.top());
        gloss.lineTo(body.right(), body.top());
        gloss.lineTo(body.right(), body.top() + 34);
        gloss.cubicTo(body.right() - 20, body.top() + 44, body.left() + 20, body.top() + 44,
                      body.left(), body.top() + 36);
        gloss.closeSubpath();
        QLinearGradient gg(0, body.top(), 0, body.top() + 44);
        gg.setColorAt(0, QColor(255, 255, 255, 70));
        gg.setColorAt(1, QColor(255, 255, 255, 8));
        p.setPen(Qt::NoPen);
        p.setBrush(gg);
        p.drawPath(clip.intersected(gloss));
    }

    // Magnifier: lens and handle.
    const QPointF lens(body.center().x() - 5, body.center().y() - 5);
    const qreal lensR = 20;
    p.setBrush(QColor(255, 255, 255, 40));
    p.setPen(QPen(kWhite, 5.0));
    p.drawEllipse(lens, lensR, lensR);
    const qreal a = M_PI / 4;
    const QPointF h0 = lens + QPointF(std::cos(a), std::sin(a)) * (lensR + 3.5);
    const QPointF h1 = lens + QPointF(std::cos(a), std::sin(a)) * (lensR + 18);
    p.setPen(QPen(kWhite, 8.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(h0, h1);

    // Music note inside the lens.
    drawNote(p, lens.x() - 3.0, lens.y() + 6.5, 1.1, kWhite);
    return img;
}

// 16 x 16 close control for a panel: a crimson cross in a crimson ring.
QImage drawClose(qreal s)
{
    QImage img = blank(16, 16, s);
    QPainter p(&img);
    prepare(p);
    scaled(p, s);
    const QPointF c(8, 8);
    p.setBrush(kWhite);
    p.setPen(QPen(kCrimson, 1.4));
    p.drawEllipse(c, 6.8, 6.8);
    p.setPen(QPen(kCrimson, 1.6, Qt::SolidLine, Qt::RoundCap));
    const qreal r = 3.0;
    p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
    p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc < 2) {
        err << "usage: drawpictures OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        err << "cannot create " << out.path() << "\n";
        return 1;
    }

    struct Picture {
        const char *name;
        QImage (*draw)(qreal);
        int w, h;
    };
    const Picture pictures[] = {
        {"frame.png", drawFrame, 13, 101},
        {"titlebuttons.png", drawTitleButtons, 70, 69},
        {"banner.png", drawBanner, 400, 70},
        {"statusbar.png", drawStatusBar, 20, 20},
        {"avatar.png", drawAvatar, 90, 90},
        {"avatarframe.png", drawAvatarFrame, 180, 180},
        {"mvbadge.png", drawMvBadge, 32, 23},
        {"lookup.png", drawLookup, 106, 100},
        {"close.png", drawClose, 16, 16},
    };

    int failures = 0;
    for (const Picture &pic : pictures) {
        for (const int scale : {1, 2}) {
            const QImage img = pic.draw(scale).convertToFormat(QImage::Format_ARGB32);
            QString name = QString::fromLatin1(pic.name);
            if (scale > 1)
                name.replace(QLatin1String(".png"), QStringLiteral("@%1x.png").arg(scale));
            const QString path = out.filePath(name);
            if (img.width() != pic.w * scale || img.height() != pic.h * scale) {
                err << name << ": drawn " << img.width() << "x" << img.height() << ", expected "
                    << pic.w * scale << "x" << pic.h * scale << "\n";
                ++failures;
                continue;
            }
            if (!img.save(path, "PNG")) {
                err << "cannot write " << path << "\n";
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
