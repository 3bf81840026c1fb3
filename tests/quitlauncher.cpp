// quit-launcher: runs the window exactly as quillory does (runProgram), and once start-up
// is over enters one waiting state by itself, through the window. It prints
// "READY <native window id>" when the state is reached, and then waits to be ended
// from outside: by the session (SIGTERM) or by the desktop's close request. It says when
// it leaves the event loop ("LEAVING", "LEFT <status>").
//
//     quit-launcher --state Download --folder /tmp/x
#include "app/form1.h"
#include "app/program.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"
#include "platform/shell.h"
#include "waitingstates.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const char *name = nullptr;
    const char *folder = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--state") == 0)
            name = argv[i + 1];
        else if (std::strcmp(argv[i], "--folder") == 0)
            folder = argv[i + 1];
    }
    const WaitingState *state = name ? waitingState(name) : nullptr;
    if (!state || !folder) {
        std::fprintf(stderr, "usage: %s --state NAME --folder DIR\n", argv[0]);
        return 2;
    }
    platform::setProgramFolder(QString::fromLocal8Bit(folder));
    platform::setShellHandler([](const platform::ShellRequest &) {});
    platform::setRevealHandler([](const platform::RevealRequest &) {});

    Form1 window;
    bool entered = false;
    bool ready = false;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, &window, [&] {
        if (!entered) {
            const auto *text1 = window.findChild<QLineEdit *>(QStringLiteral("Text1"));
            if (!text1 || !text1->isEnabled())
                return; // the update check is not over yet
            entered = true;
            QTimer::singleShot(0, &window, [&] { state->enter(window); });
            return;
        }
        if (!ready && state->reached(window)) {
            ready = true;
            std::printf("READY %llu\n", static_cast<unsigned long long>(window.winId()));
            std::fflush(stdout);
        }
    });
    driver.start();
    // What the table shows when a row fails: whether the event loop was left at all.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] {
        std::printf("LEAVING the event loop\n");
        std::fflush(stdout);
    });
    const int status = runProgram(app, window);
    std::printf("LEFT the event loop with %d\n", status);
    std::fflush(stdout);
    return status;
}
