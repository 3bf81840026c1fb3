#include "servicedouble.h"
#include "net/pagefetch.h"
#include "windowtest.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// A session bus of this test process alone (and of the programs it starts), so that tests
// running side by side never meet on a bus, nor reach the desktop of the machine running
// them. The bus ends when the process has ended, however it ends: ending it earlier would
// end the process too, as GIO's connections to a closed session bus do (GStreamer has them).
bool startPrivateSessionBus()
{
    int out[2];
    if (pipe(out) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(out[1], STDOUT_FILENO);
        dup2(open("/dev/null", O_WRONLY), STDERR_FILENO); // its notes on file limits are not the tests'
        close(out[0]);
        close(out[1]);
        execlp("dbus-daemon", "dbus-daemon", "--config-file=" QUILLORY_TEST_BUS_CONFIG, "--nofork", "--print-address",
               static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    QByteArray address;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        address.append(c);
    close(out[0]);
    if (pid < 0 || address.isEmpty()) {
        std::fprintf(stderr, "cannot start dbus-daemon for the tests' session bus (package dbus)\n");
        return false;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // The tests own their network setup: a proxy of the machine must not reach them.
    servicedouble::clearMachineProxy();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;

    // The program trusts the double's test authority, in this process only, the way a
    // user would tell it to: SSL_CERT_FILE (see platform/trust.h).
    const QString authority =
        QDir::temp().filePath(QStringLiteral("quillory-test-authority-%1.pem").arg(::getpid()));
    // A runtime folder of this process, as a desktop session gives each of its programs.
    QTemporaryDir runtime;
    if (!listing) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        if (!servicedouble::writeAuthorityFile(authority.toStdString()))
            return 1;
        qputenv("SSL_CERT_FILE", QFile::encodeName(authority));
        if (!startPrivateSessionBus())
            return 1;
    }

    ::testing::InitGoogleTest(&argc, argv);
    recordQtWarnings();
    std::unique_ptr<QApplication> app;
    if (!listing)
        app = std::make_unique<QApplication>(argc, argv);
    const int failed = RUN_ALL_TESTS();
    if (app) {
        // As the program does when it ends: the kept connections close while the
        // application is still there.
        net::networkManager().clearConnectionCache();
        // Let the network stack finish deleting what aborted requests left behind.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 200) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    if (!listing)
        QFile::remove(authority);
    return failed;
}
