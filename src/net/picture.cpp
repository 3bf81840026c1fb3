#include "net/picture.h"

#include "net/pagefetch.h"

#include <QNetworkRequest>
#include <QUrl>

namespace net {
namespace {

// A picture is far smaller than this; a larger answer is not one.
constexpr qint64 kMaxPictureBytes = 16 * 1024 * 1024;

bool isWebAddress(const QString &address)
{
    return address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
           || address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

} // namespace

QImage LoadPicture(const QString &strFileName, bool *abandoned)
{
    if (abandoned)
        *abandoned = false;
    if (!isWebAddress(strFileName))
        return QImage(strFileName);

    const FetchResult fetched = fetch(QNetworkRequest(QUrl(strFileName)), kMaxPictureBytes);
    if (abandoned)
        *abandoned = fetched.outcome == Outcome::Abandoned;
    if (fetched.outcome != Outcome::Answered || fetched.httpStatus >= 400)
        return QImage();
    return QImage::fromData(fetched.body);
}

} // namespace net
