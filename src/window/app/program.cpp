#include "app/program.h"

#include "app/form1.h"
#include "platform/sessionend.h"

#include <QApplication>
#include <QTimer>

int runProgram(QApplication &app, Form1 &window)
{
    // The window ends the run itself when it closes; an automatic quit would only be a
    // second, posted request that a nested wait can drop.
    app.setQuitOnLastWindowClosed(false);
    platform::onTerminationRequest([&window] { window.endRequested(); });
    platform::onBlockedCloseRequest(&window, [&window] { window.endRequested(); });
    QTimer::singleShot(0, &window, &Form1::Form_Load);
    return app.exec();
}
