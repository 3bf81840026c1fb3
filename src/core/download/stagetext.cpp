#include "download/stagetext.h"

namespace download {

QString stageText(int TmpState, Cls_DownLoad::Result last)
{
    switch (TmpState) {
    case 1:
        return QStringLiteral("正在连接服务器...");
    case 2:
        return QStringLiteral("正在发送请求...");
    case 3:
        return QStringLiteral("获取远程文件信息...");
    case 4:
        return QStringLiteral("正在下载音乐数据...");
    case 5:
        return QStringLiteral("停止音乐下载");
    case 6:
        switch (last) {
        case Cls_DownLoad::Result::Completed:
            return QStringLiteral("音乐下载完成");
        case Cls_DownLoad::Result::Incomplete:
            return QStringLiteral("抱歉!音乐下载未完成..");
        case Cls_DownLoad::Result::NotWritten:
            return QStringLiteral("抱歉!无法写入音乐文件..");
        case Cls_DownLoad::Result::Busy:
            return QStringLiteral("该歌曲正在被另一个下载保存..");
        case Cls_DownLoad::Result::Stopped:
        case Cls_DownLoad::Result::RequestFailed:
        case Cls_DownLoad::Result::NotStarted:
            return QString();
        }
        return QString();
    case 7:
        return QStringLiteral("抱歉!连接服务器失败..");
    case 8:
        return QStringLiteral("抱歉!发送请求失败..");
    case 9:
        return QStringLiteral("正在连接服务器..");
    default:
        return QString();
    }
}

} // namespace download
