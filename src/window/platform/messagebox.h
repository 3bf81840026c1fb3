#pragma once

#include <QList>
#include <QString>

#include <functional>

class QWidget;

namespace platform {

enum class MessageIcon { Information, Exclamation };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Every message box of the program carries this title.
inline const QString kMessageBoxTitle = QStringLiteral("Solvane系列软件");

struct MessageBoxRequest {
    QString title;
    QString text;
    MessageIcon icon;
    MessageButtons buttons;
};

// Shows a modal message box over parent and returns the user's answer.
MessageAnswer messageBox(QWidget *parent, const QString &text, MessageIcon icon,
                         MessageButtons buttons = MessageButtons::Ok);

const QList<MessageBoxRequest> &messageBoxLog();
void clearMessageBoxLog();

// Answers message boxes without a person (tests); an empty function shows real ones.
void setMessageBoxAnswerer(std::function<MessageAnswer(const MessageBoxRequest &)> answerer);

} // namespace platform
