#include "works/singerpage.h"

#include "net/endpoints.h"
#include "net/pagefetch.h"

namespace works {
namespace {

const QString kResolveFailure = QStringLiteral("网页获取失败,请您稍后再试 ..");

PageAnswer answerOf(const net::PageResult &page, const QString &failure)
{
    PageAnswer answer;
    if (page.abandoned()) {
        answer.status = PageAnswer::Status::Abandoned;
    } else if (!page.answered() || page.httpStatus >= 400) {
        answer.statusText = failure;
    } else if (page.text.isEmpty()) {
        answer.status = PageAnswer::Status::Empty;
        answer.statusText = failure;
    } else {
        answer.status = PageAnswer::Status::Found;
        answer.text = page.text;
    }
    return answer;
}

} // namespace

std::optional<QString> refusalOfSingerAddress(const QString &address)
{
    if (address.isEmpty())
        return QStringLiteral("请输入歌手主页地址 ..");
    if (!address.contains(endpoints::kSingerPageMarker))
        return QStringLiteral("地址错误,请您检查 ..");
    return std::nullopt;
}

PageAnswer fetchSingerPage(const QString &address)
{
    return answerOf(net::GetBody(address), QStringLiteral("歌手主页获取失败,请您稍后再试 .."));
}

PageAnswer resolveWork(const QString &resolveAddress)
{
    return answerOf(net::GetBody(resolveAddress), kResolveFailure);
}

PageAnswer resolveAnswerOf(const net::PageResult &page)
{
    return answerOf(page, kResolveFailure);
}

} // namespace works
