#include "update/version.h"

#include "song/cut.h"

QString versionField(const QString &answer)
{
    QString field;
    cut::assignIf(field, cut::pieceAfter(answer, QStringLiteral("cb:")));
    return cut::removeAll(cut::headUpTo(field, QStringLiteral("|")), QStringLiteral("|"));
}

UpdateVerdict updateVerdict(const QString &answer)
{
    const QString field = versionField(answer);
    if (answer.isEmpty() || field.isEmpty())
        return UpdateVerdict::Failed;
    return field == kProgramVersion ? UpdateVerdict::Current : UpdateVerdict::Newer;
}

QString newerVersionMessage(const QString &field)
{
    return QStringLiteral("发现最新版本![") + field + QStringLiteral("]\r\n \r\n确定后自动打开官方论坛!");
}
