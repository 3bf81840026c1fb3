#include "platform/messagebox.h"

#include <QMessageBox>
#include <QPushButton>

namespace platform {
namespace {

QList<MessageBoxRequest> &requests()
{
    static QList<MessageBoxRequest> log;
    return log;
}

std::function<MessageAnswer(const MessageBoxRequest &)> &answerer()
{
    static std::function<MessageAnswer(const MessageBoxRequest &)> a;
    return a;
}

MessageAnswer showReal(QWidget *parent, const MessageBoxRequest &request)
{
    QMessageBox box(request.icon == MessageIcon::Information ? QMessageBox::Information
                                                              : QMessageBox::Warning,
                    request.title, request.text, QMessageBox::NoButton, parent);
    QAbstractButton *yes = nullptr;
    if (request.buttons == MessageButtons::YesNo) {
        yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        box.setDefaultButton(static_cast<QPushButton *>(yes));
        box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
    } else {
        box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    }
    box.exec();
    if (request.buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace

MessageAnswer messageBox(QWidget *parent, const QString &text, MessageIcon icon,
                         MessageButtons buttons)
{
    const MessageBoxRequest request{kMessageBoxTitle, text, icon, buttons};
    requests().append(request);
    if (answerer())
        return answerer()(request);
    return showReal(parent, request);
}

const QList<MessageBoxRequest> &messageBoxLog()
{
    return requests();
}

void clearMessageBoxLog()
{
    requests().clear();
}

void setMessageBoxAnswerer(std::function<MessageAnswer(const MessageBoxRequest &)> a)
{
    answerer() = std::move(a);
}

} // namespace platform
