// quillory-cli: the program's command line front end, on the core alone (no display).
#include "commands.h"
#include "interrupt.h"
#include "net/pagefetch.h"
#include "options.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const CliOptions options = parseCliOptions(QCoreApplication::arguments());
    if (options.printOnly) {
        std::fputs(options.text.toUtf8().constData(), options.toError ? stderr : stdout);
        return options.exitCode;
    }

    Interrupts interrupts;
    int status = kDone;
    // Inside the event loop, so that an interrupt ends every wait the command is in.
    QTimer::singleShot(0, &app, [&] {
        status = runCommand(options, interrupts);
        QCoreApplication::exit(0);
    });
    app.exec();
    // The connections kept open for another request close now, in order, rather than
    // in the network thread while the process is already ending.
    net::networkManager().clearConnectionCache();
    return interrupts.received() ? 128 + interrupts.received() : status;
}
