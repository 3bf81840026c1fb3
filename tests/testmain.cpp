#include "servicedouble.h"
#include "net/pagefetch.h"
#include "windowtest.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>

#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>
#include <memory>

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
    if (!listing) {
        if (!servicedouble::writeAuthorityFile(authority.toStdString()))
            return 1;
        qputenv("SSL_CERT_FILE", QFile::encodeName(authority));
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
