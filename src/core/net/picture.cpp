#include "net/picture.h"

#include <QFile>
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

PictureBytes fetchPicture(const QString &strFileName)
{
    PictureBytes picture;
    if (!isWebAddress(strFileName)) {
        QFile file(strFileName);
        if (!strFileName.isEmpty() && file.open(QIODevice::ReadOnly) && file.size() <= kMaxPictureBytes) {
            picture.outcome = Outcome::Answered;
            picture.bytes = file.readAll();
        }
        return picture;
    }
    return pictureOf(fetch(QNetworkRequest(QUrl(strFileName)), kMaxPictureBytes));
}

PictureBytes pictureOf(const FetchResult &fetched)
{
    PictureBytes picture;
    picture.outcome = fetched.outcome;
    if (fetched.outcome == Outcome::Answered && fetched.httpStatus >= 400)
        picture.outcome = Outcome::Failed;
    if (picture.outcome == Outcome::Answered) {
        picture.bytes = fetched.body;
        picture.contentType = fetched.contentType;
    }
    return picture;
}

} // namespace net
