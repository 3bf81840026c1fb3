#include "app/form1.h"

#include "platform/mci.h"
#include "platform/messagebox.h"
#include "works/singerpage.h"
#include "works/workrows.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

// Builds every row of the works list in one tick, shortly after the scan.
void Form1::Timer3_Timer()
{
    WorkSlots held{strBuf[1], strBuf[2], strBuf[3], strBuf[4]};
    const QList<WorkRow> rows = buildWorkRows(strBuf[0], intCount[0], held);
    strBuf[1] = held.piece;
    strBuf[2] = held.workId;
    strBuf[3] = held.tail;
    strBuf[4] = held.title;

    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    for (const WorkRow &row : rows)
        items.append(new QTreeWidgetItem(QStringList{row.number, row.workId, row.title, row.address}));
    ListView1->addTopLevelItems(items);

    Command10->setEnabled(true);
    Text2->setEnabled(true);
    setStatus(QStringLiteral("获取完毕.."));
    Timer4->stop();
    Timer3->stop();
    ListView1->setEnabled(true);
}

// Two seconds after a scan: a page without works leaves the list empty.
void Form1::Timer4_Timer()
{
    // Off before the message box waits, so that the notice comes once.
    Timer4->stop();
    if (ListView1->topLevelItemCount() != 0)
        return;
    const QString notice = QStringLiteral("当前歌手没有音乐作品或未开通唱吧会员无法获取");
    setStatus(notice);
    const QPointer<Form1> self(this);
    platform::messageBox(this, notice + QStringLiteral("!"), platform::MessageIcon::Information);
    if (!self)
        return;
    Text2->setEnabled(true);
    Command10->setEnabled(true);
    ListView1->setEnabled(true);
}

// "清空列表": only the rows go; the page and the count stay for the next batch.
void Form1::Command12_Click()
{
    ListView1->clear();
}

// Loads the double-clicked work: resolves its share-page address, looks that up like a
// pasted address, then ends whatever was playing.
void Form1::ListView1_DblClick(QTreeWidgetItem *row)
{
    if (!row)
        return;
    // The row may be gone by the time the answer arrives (a new batch clears the list).
    const QString address = row->text(3);
    const QString workId = row->text(1);

    const QPointer<Form1> self(this);
    const works::PageAnswer answer = works::resolveWork(address);
    if (!self || answer.status == works::PageAnswer::Status::Abandoned)
        return;
    if (answer.status != works::PageAnswer::Status::Found) {
        // Without an address there is nothing to load: the current song stays as it is.
        setStatus(answer.statusText);
        return;
    }
    strBuf[5] = answer.text;

    Text1->setText(strBuf[5]);
    aicAlphaImage3_Click();
    if (!self)
        return;
    record.strWorkId = workId;
    Command7->setText(QStringLiteral("在线播放"));
    platform::mciSendString(QStringLiteral("close all"));
    showPlayback();
}
