#include "app/commandline.h"
#include "app/form1.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Help, the version and a wrong option need no window (nor a display).
    const StartOptions options = parseStartOptions(commandLineArguments(argc, argv));
    if (options.action == StartOptions::Action::Print) {
        std::fputs(options.text.toLocal8Bit().constData(), options.toError ? stderr : stdout);
        return options.exitCode;
    }

    QApplication app(argc, argv);
    Form1 window;
    window.setStartAddress(options.address);
    // Start-up runs inside the event loop, so that quitting during the update check ends the program.
    QTimer::singleShot(0, &window, &Form1::Form_Load);
    return app.exec();
}
