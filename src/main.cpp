#include "app/form1.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Form1 window;
    // Start-up runs inside the event loop, so that quitting during the update check ends the program.
    QTimer::singleShot(0, &window, &Form1::Form_Load);
    return app.exec();
}
