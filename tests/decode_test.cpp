#include "net/pagefetch.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

QByteArray encoded(const char *charset, const QString &text)
{
    QStringEncoder encoder(charset);
    EXPECT_TRUE(encoder.isValid()) << charset;
    return encoder.encode(text);
}

const QString kChinese = QStringLiteral("演唱歌曲：后来 粉丝数");

} // namespace

TEST(DecodeBody, UsesTheCharsetOfTheContentType)
{
    const QByteArray body = encoded("GB18030", kChinese);
    EXPECT_EQ(net::decodeBody(body, "text/html; charset=gb18030"), kChinese);
    EXPECT_EQ(net::decodeBody(body, "text/html;charset=\"GBK\""), kChinese);
}

TEST(DecodeBody, FallsBackToTheMetaCharsetOfThePage)
{
    const QString page = QStringLiteral("<html><head><meta charset=\"gbk\"></head><body>") + kChinese;
    EXPECT_EQ(net::decodeBody(encoded("GBK", page), "text/html"), page);

    const QString legacy = QStringLiteral(
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">") + QStringLiteral("后来");
    EXPECT_EQ(net::decodeBody(encoded("GB2312", legacy), QByteArray()), legacy);
}

TEST(DecodeBody, DefaultsToUtf8)
{
    EXPECT_EQ(net::decodeBody(kChinese.toUtf8(), "text/html"), kChinese);
    EXPECT_EQ(net::decodeBody(kChinese.toUtf8(), "text/html; charset=no-such-charset"), kChinese);
    EXPECT_EQ(net::decodeBody(QByteArray(), "text/plain"), QString());
}
