#pragma once

#include <QHash>
#include <QObject>
#include <QString>

namespace platform {

// Word on the desktop's notification server (org.freedesktop.Notifications) about how a
// save ended, from "Quillory" with the program's icon, with an action "打开文件夹" that
// opens the folder the way the window shows a saved file. Nothing waits for the server;
// without one the word is simply not seen.
class Notifier : public QObject
{
    Q_OBJECT
public:
    explicit Notifier(QObject *parent = nullptr);

    // summary as the status line says it; place the saved file (shown selected in its
    // folder), or the folder itself when isFolder.
    void saveEnded(const QString &summary, const QString &place, bool isFolder);

private slots:
    // The server's signals (connected by name: Qt D-Bus offers no other way).
    void actionInvoked(uint id, const QString &actionKey);
    void notificationClosed(uint id, uint reason);

private:
    struct Place {
        QString path;
        bool isFolder = false;
    };
    QHash<uint, Place> m_shown; // the notifications on screen and what each opens
};

} // namespace platform
