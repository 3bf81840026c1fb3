#include "app/program.h"

#include "app/form1.h"
#include "net/pagefetch.h"
#include "platform/sessionend.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QTimer>

int runProgram(QApplication &app, Form1 &window)
{
    // The window ends the run itself when it closes; an automatic quit would only be a
    // second, posted request that a nested wait can drop.
    app.setQuitOnLastWindowClosed(false);
    platform::onTerminationRequest([&window] { window.endRequested(); });
    platform::onBlockedCloseRequest(&window, [&window] { window.endRequested(); });
    QTimer::singleShot(0, &window, &Form1::Form_Load);
    const int status = app.exec();
    // The connections kept open for another request close now, while the application is
    // still there: left to the network thread's own end, a secure one warns as it goes.
    net::networkManager().clearConnectionCache();
    return status;
}
