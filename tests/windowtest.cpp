#include "windowtest.h"

#include "app/captionlabel.h"
#include "platform/exit.h"
#include "platform/mci.h"
#include "platform/shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMutex>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <iterator>
#include <utility>

servicedouble::ServiceDouble &service()
{
    static servicedouble::ServiceDouble *instance = [] {
        auto *d = new servicedouble::ServiceDouble();
        qputenv("http_proxy", QByteArray::fromStdString(d->proxyUrl()));
        return d;
    }();
    return *instance;
}

void servePage(const std::string &url, const QString &page, int status, const std::string &contentType)
{
    servicedouble::ScriptedResponse response;
    response.status = status;
    response.body = page.toStdString();
    response.contentType = contentType;
    service().script(url, response);
}

void doubleClickAt(QTreeWidget *list, QPoint at)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

void doubleClickRow(QTreeWidget *list, int row)
{
    QTreeWidgetItem *item = list->topLevelItem(row);
    list->scrollToItem(item);
    QTest::qWait(50);
    doubleClickAt(list, list->visualItemRect(item).center());
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

namespace {

QMutex g_warningsLock;
QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void recordWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // What the test machine lacks (a real display, sound, a runtime folder) is no fault of
    // the program's, and neither is the media backend's report of a stream it cannot play.
    static const QLatin1String kMachine[] = {QLatin1String("This plugin does not support"),
                                             QLatin1String("QStandardPaths: "), QLatin1String("PulseAudioService: ")};
    const bool machine = QLatin1String(context.category ? context.category : "").startsWith(QLatin1String("qt.multimedia"))
                         || std::any_of(std::begin(kMachine), std::end(kMachine),
                                     [&](QLatin1String prefix) { return message.startsWith(prefix); });
    if ((type == QtWarningMsg || type == QtCriticalMsg) && !machine) {
        const QMutexLocker locked(&g_warningsLock);
        g_warnings.append(message);
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

void recordQtWarnings()
{
    g_previousHandler = qInstallMessageHandler(recordWarning);
}

QStringList takeQtWarnings()
{
    const QMutexLocker locked(&g_warningsLock);
    return std::exchange(g_warnings, {});
}

void WindowTest::SetUp()
{
    takeQtWarnings();
    service().reset();
    platform::clearMciCommandLog();
    platform::clearShellLog();
    platform::clearMessageBoxLog();
    platform::clearEndProgramCount();
    platform::setShellHandler([](const platform::ShellRequest &) {});
    platform::setEndProgramHandler([] {});
    answer = [](const platform::MessageBoxRequest &request) {
        return request.buttons == platform::MessageButtons::YesNo ? platform::MessageAnswer::Yes
                                                                  : platform::MessageAnswer::Ok;
    };
    platform::setMessageBoxAnswerer([this](const platform::MessageBoxRequest &request) { return answer(request); });
}

void WindowTest::TearDown()
{
    window.reset();
    if (failOnQtWarnings)
        EXPECT_EQ(takeQtWarnings().join(QLatin1Char('\n')).toStdString(), "");
    platform::setMessageBoxAnswerer({});
    platform::setShellHandler({});
    platform::setEndProgramHandler({});
}

std::unique_ptr<Form1> WindowTest::startWindow()
{
    auto form = std::make_unique<Form1>();
    form->Form_Load();
    return form;
}

QString WindowTest::status() const
{
    return caption("Label8_1");
}

QString WindowTest::caption(const char *labelName) const
{
    const auto *label = window->findChild<CaptionLabel *>(QLatin1String(labelName));
    return label ? label->caption() : QStringLiteral("<no %1>").arg(QLatin1String(labelName));
}

void WindowTest::lookUp(const QString &address)
{
    control<QLineEdit>("Text1")->setText(address);
    QTest::mouseClick(control<QWidget>("aicAlphaImage3"), Qt::LeftButton);
}
