#pragma once

#include "net/pagefetch.h"
#include "song/songpage.h"

#include <QString>

#include <optional>

// Looking a song up from its share-page address: the address check, the page fetch and
// the cut, with the texts a user is told. Nothing here knows of a window.
namespace song {

// Why an address is not looked up at all, in the words of the status line: an empty
// address, or one without a share-page prefix. Nothing when it may be looked up.
std::optional<QString> refusalOfShareAddress(const QString &address);

struct LookupResult {
    enum class Status {
        Refused,   // the address was refused (statusText says why)
        Failed,    // the page could not be fetched, or came as an error page (statusText)
        Empty,     // the page came empty: nothing to show and nothing to say
        Found,     // the page was cut into the record; panel holds what it shows
        Abandoned, // the program is ending; the caller goes no further
    };
    Status status = Status::Failed;
    QString statusText; // "" for Empty, Found and Abandoned
    SongPanel panel;
};

// Fetches the share page at address and cuts it into pieces and record, as the window's
// lookup does: a page fetched and not empty becomes record.strBody, an empty one too;
// a failed fetch or an error page leaves the record as it was.
LookupResult lookUpSong(const QString &address, LookupSlots &pieces, SongRecord &record);
// The same for a page fetched by the caller (net::FetchJob with net::pageRequest) from an
// address it checked with refusalOfShareAddress.
LookupResult lookUpPage(const net::PageResult &page, LookupSlots &pieces, SongRecord &record);

} // namespace song
