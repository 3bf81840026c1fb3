#pragma once

#include "net/pagefetch.h"

#include <QString>

#include <optional>

// Reading a singer's home page and resolving a listed work, with the texts a user is
// told. Nothing here knows of a window.
namespace works {

// Why an address is not a singer's home page to fetch, in the words of the status line:
// an empty one, or one without "userPage.php?uid=". Nothing when it may be fetched.
std::optional<QString> refusalOfSingerAddress(const QString &address);

struct PageAnswer {
    enum class Status {
        Found,     // text holds the page (or the resolve answer)
        Empty,     // the answer came empty; statusText says so
        Failed,    // not fetched, or an error page; statusText says so
        Abandoned, // the program is ending
    };
    Status status = Status::Failed;
    QString text;
    QString statusText;
};

// The singer's home page at address (already checked).
PageAnswer fetchSingerPage(const QString &address);

// The answer of a work's resolve address: the work's share-page address. An empty answer
// names nothing to look up.
PageAnswer resolveWork(const QString &resolveAddress);
// The same for an answer fetched by the caller (net::FetchJob with net::pageRequest).
PageAnswer resolveAnswerOf(const net::PageResult &page);

} // namespace works
