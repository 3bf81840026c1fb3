#include "app/form1.h"

#include "net/endpoints.h"
#include "net/pagefetch.h"
#include "works/workrows.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

// Switching a running timer on again leaves its countdown alone.
void enable(QTimer *timer)
{
    if (!timer->isActive())
        timer->start();
}

} // namespace

// "批量获取": fetches the singer's home page named in Text2 and counts its works; the
// two timers then build the list or report a singer without works.
void Form1::Command10_Click()
{
    const QString address = Text2->text();
    if (address.isEmpty()) {
        setStatus(QStringLiteral("请输入歌手主页地址 .."));
        return;
    }
    if (!address.contains(endpoints::kSingerPageMarker)) {
        setStatus(QStringLiteral("地址错误,请您检查 .."));
        return;
    }

    // Locked while the page loads, so that the batch cannot be started twice.
    Command10->setEnabled(false);
    Text2->setEnabled(false);
    setStatus(QStringLiteral("正在进行获取.."));

    const QPointer<Form1> self(this);
    const net::PageResult page = net::GetBody(address);
    if (!self || page.abandoned())
        return;
    if (!page.answered() || page.httpStatus >= 400) {
        // The list of the previous singer stays as it was; an error page is no singer page.
        Command10->setEnabled(true);
        Text2->setEnabled(true);
        setStatus(QStringLiteral("歌手主页获取失败,请您稍后再试 .."));
        return;
    }
    strBuf[0] = page.text;
    intCount[0] = 0;
    ListView1->clear();
    if (strBuf[0].isEmpty()) {
        Command10->setEnabled(true);
        Text2->setEnabled(true);
        setStatus(QStringLiteral("歌手主页获取失败,请您稍后再试 .."));
        return;
    }
    hx();
}

// The scan: counts the work markers of the page. Timer3 builds the rows when there is
// at least one; Timer4 reports a singer without works when no rows came of it.
void Form1::hx()
{
    intCount[0] = countWorkMarkers(strBuf[0]);
    if (intCount[0] > 0)
        enable(Timer3);
    enable(Timer4);
}
