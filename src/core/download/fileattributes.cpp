#include "download/fileattributes.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <sys/xattr.h>

namespace download {

namespace {

constexpr char kOriginName[] = "user.xdg.origin.url";
constexpr char kReferrerName[] = "user.xdg.referrer.url";
constexpr char kServedName[] = "user.quillory.served";

bool unsupported(int error)
{
    return error == ENOTSUP || error == EOPNOTSUPP;
}

bool setAttribute(const QByteArray &file, const char *name, const QByteArray &value)
{
    return ::setxattr(file.constData(), name, value.constData(), size_t(value.size()), 0) == 0
           || unsupported(errno);
}

// The attribute's value, or nothing when the file has none (or cannot have any).
std::optional<QByteArray> attribute(const QByteArray &file, const char *name)
{
    for (;;) {
        const ssize_t size = ::getxattr(file.constData(), name, nullptr, 0);
        if (size < 0)
            return std::nullopt;
        QByteArray value(qsizetype(size), Qt::Uninitialized);
        const ssize_t got = ::getxattr(file.constData(), name, value.data(), size_t(size));
        if (got >= 0) {
            value.truncate(qsizetype(got));
            return value;
        }
        if (errno != ERANGE) // ERANGE: it grew between the two calls
            return std::nullopt;
    }
}

// The address as UTF-8, without a user name and password; unchanged when it has none.
QByteArray addressValue(const QString &address)
{
    const QUrl url(address);
    if (url.isValid() && !url.userInfo().isEmpty())
        return url.adjusted(QUrl::RemoveUserInfo).toString().toUtf8();
    return address.toUtf8();
}

} // namespace

void setOriginAttributes(const QString &path, const QString &originUrl, const QString &referrerUrl)
{
    const QByteArray file = QFile::encodeName(path);
    if (!originUrl.isEmpty())
        setAttribute(file, kOriginName, addressValue(originUrl));
    if (!referrerUrl.isEmpty())
        setAttribute(file, kReferrerName, addressValue(referrerUrl));
}

void setServedRecord(const QString &path, const ServedRecord &record)
{
    if (record.size < 0)
        return;
    QByteArray value = QByteArray::number(record.size);
    if (record.fileSize >= 0)
        value += '/' + QByteArray::number(record.fileSize);
    else if (record.tagBytes >= 0)
        value += '@' + QByteArray::number(record.tagBytes) + '+' + QByteArray::number(record.skipped);
    if (!record.validator.isEmpty())
        value += ' ' + record.validator;
    setAttribute(QFile::encodeName(path), kServedName, value);
}

void removeServedRecord(const QString &path)
{
    ::removexattr(QFile::encodeName(path).constData(), kServedName);
}

std::optional<ServedRecord> servedRecord(const QString &path)
{
    const std::optional<QByteArray> value = attribute(QFile::encodeName(path), kServedName);
    if (!value)
        return std::nullopt;
    // "<size>[/<file size>]" and " <validator>" after it when there is one; a
    // Last-Modified validator has spaces of its own.
    const qsizetype space = value->indexOf(' ');
    const QByteArray sizes = space < 0 ? *value : value->left(space);
    const qsizetype at = sizes.indexOf('@');
    const qsizetype plus = sizes.indexOf('+', at);
    const qsizetype slash = at >= 0 ? -1 : sizes.indexOf('/');
    const auto count = [](const QByteArray &digits, qint64 *out) {
        bool ok = false;
        *out = digits.toLongLong(&ok);
        return ok && *out >= 0 && !digits.startsWith('+');
    };
    ServedRecord record;
    const qsizetype sizeEnd = at >= 0 ? at : slash;
    if (!count(sizeEnd < 0 ? sizes : sizes.left(sizeEnd), &record.size)
        || (slash >= 0 && !count(sizes.mid(slash + 1), &record.fileSize)))
        return std::nullopt;
    if (at >= 0
        && (plus < 0 || !count(sizes.mid(at + 1, plus - at - 1), &record.tagBytes)
            || !count(sizes.mid(plus + 1), &record.skipped)))
        return std::nullopt;
    if (space >= 0)
        record.validator = value->mid(space + 1);
    return record;
}

bool holdsServedBody(const QString &path, qint64 announcedSize, const QByteArray &validator)
{
    if (announcedSize <= 0)
        return false;
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    if (const std::optional<ServedRecord> record = servedRecord(path)) {
        const bool bothKnown = !record->validator.isEmpty() && !validator.isEmpty();
        const qint64 saved = record->fileSize >= 0 ? record->fileSize : record->size;
        return record->size == announcedSize && (!bothKnown || record->validator == validator) && info.size() == saved;
    }
    return info.size() == announcedSize;
}

bool copyUserAttributes(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    QByteArray names;
    for (;;) {
        const ssize_t size = ::listxattr(source.constData(), nullptr, 0);
        if (size < 0)
            return unsupported(errno);
        names.resize(qsizetype(size));
        const ssize_t got = ::listxattr(source.constData(), names.data(), size_t(size));
        if (got >= 0) {
            names.truncate(qsizetype(got));
            break;
        }
        if (errno != ERANGE)
            return false;
    }
    bool copied = true;
    // The list is NUL-separated names; only user.* ones are ours to carry over.
    for (const QByteArray &name : names.split('\0')) {
        if (!name.startsWith("user."))
            continue;
        const std::optional<QByteArray> value = attribute(source, name.constData());
        copied = value && setAttribute(target, name.constData(), *value) && copied;
    }
    return copied;
}

} // namespace download
