#pragma once

#include "download/filetags.h"
#include "net/picture.h"
#include "song/songpage.h"

#include <QString>

namespace download {

// What a saved song says of itself: its name and singer as the window shows them, the
// description, the singer's picture as served (when it came) and the share page.
SongTags tagsOf(const SongRecord &record, const SongPanel &panel, const net::PictureBytes &avatar,
                const QString &shareAddress);

} // namespace download
