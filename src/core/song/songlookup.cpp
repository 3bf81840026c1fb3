#include "song/songlookup.h"

#include "net/endpoints.h"
#include "net/pagefetch.h"

namespace song {

std::optional<QString> refusalOfShareAddress(const QString &address)
{
    if (address.isEmpty())
        return QStringLiteral("请输入唱吧网页地址 ");
    if (!endpoints::holdsSharePageAddress(address))
        return QStringLiteral("地址错误,请您检查 ..");
    return std::nullopt;
}

LookupResult lookUpSong(const QString &address, LookupSlots &pieces, SongRecord &record)
{
    LookupResult result;
    if (const auto refusal = refusalOfShareAddress(address)) {
        result.status = LookupResult::Status::Refused;
        result.statusText = *refusal;
        return result;
    }
    return lookUpPage(net::GetBody(address), pieces, record);
}

LookupResult lookUpPage(const net::PageResult &page, LookupSlots &pieces, SongRecord &record)
{
    LookupResult result;
    if (page.abandoned()) {
        result.status = LookupResult::Status::Abandoned;
        return result;
    }
    if (!page.answered() || page.httpStatus >= 400) {
        // Never the previous page again as if it were this one, and never an error page
        // read as a song.
        result.status = LookupResult::Status::Failed;
        result.statusText = QStringLiteral("网页获取失败,请您稍后再试 ..");
        return result;
    }
    record.strBody = page.text;
    if (record.strBody.isEmpty()) {
        result.status = LookupResult::Status::Empty;
        return result;
    }
    result.panel = cutSongPage(record.strBody, pieces, record);
    result.status = LookupResult::Status::Found;
    return result;
}

} // namespace song
