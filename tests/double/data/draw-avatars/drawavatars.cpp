// Draws the singers' 200 x 200 pictures that the service double serves on the image host:
// a coloured square with a head-and-shoulders figure and the singer's initials on its
// chest, inside the round frame the window lays over every picture. Writes into the
// folder given as its argument.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>

namespace {

struct Avatar {
    const char *file;
    const char *background;
    const char *figure;
    const char *initials;
};

constexpr Avatar kAvatars[] = {
    {"855237_200_200.jpg", "#e8a0b4", "#fff3f6", "LXY"}, {"902116_200_200.jpg", "#7fb3e0", "#eef6ff", "ZYM"},
    {"733001_200_200.png", "#9ad1a0", "#f0fff2", "CSS"}, {"610428_200_200.jpg", "#f2c26b", "#fff8e8", "WDW"},
    {"558899_200_200.jpg", "#b59ae0", "#f6f0ff", "XL"},
};

QImage draw(const Avatar &a)
{
    QImage image(200, 200, QImage::Format_RGB32);
    const QColor background(QString::fromLatin1(a.background));
    image.fill(background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(QString::fromLatin1(a.figure)));
    p.drawEllipse(QPointF(100, 78), 38, 38);        // head
    p.drawEllipse(QPointF(100, 200), 72, 62);       // shoulders, cut by the bottom edge
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(26);
    p.setFont(font);
    p.setPen(background.darker(150));
    // On the chest, well inside the circle that the window's frame leaves visible.
    p.drawText(QRectF(40, 150, 120, 36), Qt::AlignCenter, QString::fromLatin1(a.initials));
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    for (const Avatar &a : kAvatars) {
        const QString path = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/') + QLatin1String(a.file);
        const int quality = path.endsWith(QLatin1String(".png")) ? -1 : 92;
        if (!draw(a).save(path, nullptr, quality)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
