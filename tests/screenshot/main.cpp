// Takes the README's picture of the main window: starts the real window (skin, update
// check and all) against whatever HTTP proxy the environment names, looks up one share
// page through the address box and the red button, and saves what the screen shows of
// the window as a PNG.
//
// Usage: quillory-screenshot OUTPUT.png [SHARE_PAGE_ADDRESS]
// Meant for scripts/screenshot.sh, which runs it under xvfb-run against the local service.

#include "app/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace {

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// A screen grab that is one flat colour means the display showed nothing useful.
bool isBlank(const QImage &image)
{
    if (image.isNull())
        return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc < 2) {
        err << "usage: quillory-screenshot OUTPUT.png [SHARE_PAGE_ADDRESS]\n";
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString address = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                     : QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq");

    Form1 window;
    window.Form_Load();

    auto *text1 = window.findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *lookup = window.findChild<QWidget *>(QStringLiteral("aicAlphaImage3"));
    auto *mark = window.findChild<QWidget *>(QStringLiteral("aicAlphaImage2"));
    if (!text1 || !lookup || !mark) {
        err << "the window lacks its address box, lookup button or MV mark\n";
        return 1;
    }
    if (!waitFor([&] { return text1->isEnabled(); }, 10000)) {
        err << "the update check did not unlock the address box (is the local service the proxy?)\n";
        return 1;
    }

    QTest::keyClicks(text1, address);
    QTest::mouseClick(lookup, Qt::LeftButton, {}, lookup->rect().center());
    if (!waitFor([&] { return mark->isVisible(); }, 10000))
        err << "warning: the page shows no MV mark\n";
    // Let the singer's picture and the last repaints arrive.
    QTest::qWait(800);

    QImage shot;
    if (QScreen *screen = window.screen()) {
        const QRect area = window.frameGeometry();
        shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    }
    if (isBlank(shot)) {
        err << "warning: the screen grab is blank, rendering the window instead\n";
        shot = window.grab().toImage();
    }
    if (!shot.save(output, "PNG")) {
        err << "cannot write " << output << "\n";
        return 1;
    }
    QTextStream(stdout) << "saved " << output << " (" << shot.width() << "x" << shot.height() << ")\n";
    return 0;
}
