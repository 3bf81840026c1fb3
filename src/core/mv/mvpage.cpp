#include "mv/mvpage.h"

#include "platform/programfolder.h"

#include <QSaveFile>

namespace mv {

QString attributeText(const QString &address)
{
    QString text;
    text.reserve(address.size());
    for (const QChar c : address) {
        switch (c.unicode()) {
        case '&': text += QLatin1String("&amp;"); break;
        case '"': text += QLatin1String("&quot;"); break;
        case '<': text += QLatin1String("&lt;"); break;
        case '>': text += QLatin1String("&gt;"); break;
        default: text += c;
        }
    }
    return text;
}

QString pageLine(const QString &mvUrl)
{
    return QLatin1String("<div><script src=\"") + attributeText(mvUrl)
           + QLatin1String("\" type=\"text/javascript\"></script></div>");
}

QString pageFolder()
{
    if (!platform::usesUserFolders())
        return platform::programFolder();
    const QString data = platform::userDataFolder();
    if (!data.isEmpty())
        return data;
    // An installed program never writes into its own folder: no data folder, no page.
    return platform::runsInstalled() ? QString() : platform::programFolder();
}

QString pagePath()
{
    const QString folder = pageFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1String("/video.htm");
}

bool writePage(const QString &path, const QString &line)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace mv
