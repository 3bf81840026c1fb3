// Fuzzes the share-page lookup: decoding the page bytes and cutting them into the song
// record and the panel captions. The slots and the record live on from one input to the
// next, as they do in the window between lookups.
#include "fuzzinput.h"
#include "net/pagefetch.h"
#include "song/songpage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static LookupSlots pieces;
    static SongRecord record;

    const QString page = net::decodeBody(fuzzBody(data, size), fuzzContentType(data, size));
    if (page.isEmpty())
        return 0; // an empty page ends a lookup before any cutting
    record.strBody = page;
    const SongPanel panel = cutSongPage(page, pieces, record);

    // Whatever the page, the record stays consistent with what the panel shows.
    if (panel.hasMv == record.strMvUrl.isEmpty())
        std::abort();
    if (!panel.label2.startsWith(QStringLiteral("演唱歌曲：")))
        std::abort();
    // A video work's address is a web address in one piece, whatever the page's base64 held.
    if (record.mediaKind == MediaKind::Video) {
        const QString &address = record.strMusicUrl;
        if (!address.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive)
            && !address.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
            std::abort();
        for (const QChar c : address)
            if (c.isSpace())
                std::abort();
    }
    return 0;
}
