#pragma once

#include "net/pagefetch.h"

#include <QByteArray>
#include <QString>

namespace net {

// A picture's bytes as they were served (or stored), and the type they were served as.
struct PictureBytes {
    Outcome outcome = Outcome::Failed;
    QByteArray bytes;       // empty unless answered with a body
    QByteArray contentType; // "" for a local file
};

// Reads a picture from a local path or an http(s) address (through the program's
// network manager, writing no file). An error status or an answer larger than any
// picture is a failure; what the bytes are is for the caller to decide.
PictureBytes fetchPicture(const QString &strFileName);
// The same for an answer fetched by the caller (net::FetchJob).
PictureBytes pictureOf(const FetchResult &fetched);

} // namespace net
