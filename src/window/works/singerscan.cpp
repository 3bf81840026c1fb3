#include "app/form1.h"

#include "works/singerpage.h"
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
    if (const auto refusal = works::refusalOfSingerAddress(address)) {
        setStatus(*refusal);
        return;
    }

    // Locked while the page loads, so that the batch cannot be started twice.
    Command10->setEnabled(false);
    Text2->setEnabled(false);
    setStatus(QStringLiteral("正在进行获取.."));

    const QPointer<Form1> self(this);
    const works::PageAnswer page = works::fetchSingerPage(address);
    if (!self || page.status == works::PageAnswer::Status::Abandoned)
        return;
    if (page.status == works::PageAnswer::Status::Failed) {
        // The list of the previous singer stays as it was; an error page is no singer page.
        Command10->setEnabled(true);
        Text2->setEnabled(true);
        setStatus(page.statusText);
        return;
    }
    strBuf[0] = page.text;
    intCount[0] = 0;
    ListView1->clear();
    if (page.status == works::PageAnswer::Status::Empty) {
        Command10->setEnabled(true);
        Text2->setEnabled(true);
        setStatus(page.statusText);
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
