#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// Fuzz inputs are page bytes as a server could send them. The first byte picks the
// charset the page is read with, the rest is the body.
inline QByteArray fuzzContentType(const uint8_t *data, size_t size)
{
    static const char *const types[] = {"text/html; charset=utf-8", "text/html; charset=gb18030",
                                        "text/html; charset=gbk", "text/html", "text/plain"};
    return size == 0 ? QByteArray(types[0]) : QByteArray(types[data[0] % 5]);
}

inline QByteArray fuzzBody(const uint8_t *data, size_t size)
{
    return size == 0 ? QByteArray() : QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
}
