#include "windowtest.h"

#include "app/captionlabel.h"
#include "platform/exit.h"
#include "platform/mci.h"
#include "platform/shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

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

void WindowTest::SetUp()
{
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
