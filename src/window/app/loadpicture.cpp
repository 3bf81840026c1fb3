#include "app/loadpicture.h"

#include "net/picture.h"

QImage LoadPicture(const QString &strFileName, bool *abandoned)
{
    const net::PictureBytes picture = net::fetchPicture(strFileName);
    if (abandoned)
        *abandoned = picture.outcome == net::Outcome::Abandoned;
    return picture.outcome == net::Outcome::Answered ? QImage::fromData(picture.bytes) : QImage();
}
