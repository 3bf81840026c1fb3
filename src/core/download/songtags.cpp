#include "download/songtags.h"

namespace download {

SongTags tagsOf(const SongRecord &record, const SongPanel &panel, const net::PictureBytes &avatar,
                const QString &shareAddress)
{
    SongTags tags;
    tags.title = songNameOfCaption(panel.label2);
    tags.artist = record.strUserName;
    tags.comment = panel.label10;
    if (avatar.outcome == net::Outcome::Answered) {
        tags.cover = avatar.bytes;
        tags.coverType = avatar.contentType;
    }
    tags.sourcePage = shareAddress;
    return tags;
}

} // namespace download
