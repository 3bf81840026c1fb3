#include "app/loadpicture.h"

QImage LoadPicture(const QString &strFileName, bool *abandoned, net::PictureBytes *served)
{
    const net::PictureBytes picture = net::fetchPicture(strFileName);
    if (abandoned)
        *abandoned = picture.outcome == net::Outcome::Abandoned;
    if (served)
        *served = picture;
    return picture.outcome == net::Outcome::Answered ? QImage::fromData(picture.bytes) : QImage();
}
