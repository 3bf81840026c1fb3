#include "app/form1.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>

// The clipboard commands around the two address boxes and the audio address.

void Form1::Command9_Click()
{
    // Works on the disabled box too: pasting is possible before the update check.
    Text1->setText(QString());
    Text1->setText(QGuiApplication::clipboard()->text());
}

void Form1::Command11_Click()
{
    Text2->setText(QString());
    Text2->setText(QGuiApplication::clipboard()->text());
}

void Form1::Command13_Click()
{
    if (record.strMusicUrl.isEmpty()) {
        setStatus(QStringLiteral("请先进行解析.."));
        return;
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(record.strMusicUrl);
    setStatus(QStringLiteral("音乐地址已复制.."));
}
