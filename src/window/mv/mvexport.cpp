// The MV export: writes the song's MV page and shows it in the MV window.
#include "app/form1.h"

#include "mv/form2.h"
#include "mv/mvpage.h"
#include "platform/messagebox.h"

void Form1::Command8_Click()
{
    using platform::MessageIcon;
    if (record.strMvUrl.isEmpty()) {
        platform::messageBox(this, QStringLiteral("没有发现视频文件.."), MessageIcon::Information);
        setStatus(QStringLiteral("没有发现视频文件.."));
        return;
    }

    const QString line = mv::pageLine(record.strMvUrl);
    if (!mv::writePage(mv::pagePath(), line)) {
        platform::messageBox(this, QStringLiteral("无法写入video.htm文件.."), MessageIcon::Exclamation);
        setStatus(QStringLiteral("无法写入video.htm文件.."));
        return;
    }
    strMvHtml = line;

    if (!mvWindow)
        mvWindow = new Form2(this);
    mvWindow->showExport(record.strMvUrl, strMvHtml);
    mvWindow->exec();
}
