#include "app/form1.h"

#include "update/version.h"
#include "net/endpoints.h"
#include "net/pagefetch.h"
#include "platform/exit.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <utility>

// The update check: only the maker's current version unlocks the address boxes and the
// works buttons; another version opens the forum and ends the program; no usable
// answer leaves them locked for the run.
void Form1::setStartAddress(const QString &address)
{
    if (!address.isEmpty())
        openAddress(address);
}

void Form1::gx()
{
    const QPointer<Form1> self(this);
    const net::PageResult answer = net::GetBody(endpoints::versionFileAddress());
    if (!self || answer.abandoned() || !isVisible())
        return; // the window went away while the check waited

    const QString text = answer.answered() ? answer.text : QString();
    switch (updateVerdict(text)) {
    case UpdateVerdict::Failed:
        platform::messageBox(this, QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"),
                             platform::MessageIcon::Exclamation);
        return;
    case UpdateVerdict::Newer:
        platform::messageBox(this, newerVersionMessage(versionField(text)),
                             platform::MessageIcon::Information);
        platform::openUrl(QUrl(endpoints::forumAddress()));
        platform::endProgram();
        return;
    case UpdateVerdict::Current:
        setStatus(QStringLiteral("欢迎使用Solvane系列软件 .."));
        Command10->setEnabled(true);
        Command12->setEnabled(true);
        Text1->setEnabled(true);
        Text2->setEnabled(true);
        // An address given on the command line is looked up as if the user pressed the button.
        if (!startAddress.isEmpty())
            openAddress(std::exchange(startAddress, QString()));
        return;
    }
}
