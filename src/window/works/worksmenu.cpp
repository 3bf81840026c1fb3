#include "app/form1.h"

#include "download/cls_download.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTreeWidget>

#include <algorithm>

// Choosing works of the list and saving them: several rows can be chosen (Ctrl and
// Shift clicks, Ctrl+A) while a plain click and a double click stay as they were; the
// list's menu, also on the menu key, saves the chosen rows (Ctrl+S) or all of them.

void Form1::buildWorksMenu()
{
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);

    downloadChosenAction = new QAction(QStringLiteral("下载选中作品"), ListView1);
    downloadChosenAction->setObjectName(QStringLiteral("downloadChosenAction"));
    downloadChosenAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    downloadChosenAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    downloadAllAction = new QAction(QStringLiteral("下载全部作品"), ListView1);
    downloadAllAction->setObjectName(QStringLiteral("downloadAllAction"));
    retryFailedAction = new QAction(QStringLiteral("重试失败作品"), ListView1);
    retryFailedAction->setObjectName(QStringLiteral("retryFailedAction"));
    // Added to the list so that its shortcut works while the list has the focus.
    ListView1->addAction(downloadChosenAction);
    ListView1->addAction(downloadAllAction);
    ListView1->addAction(retryFailedAction);

    // The menu key, and Shift+F10 on keyboards without one, open the menu at the current row.
    auto *menuKey = new QAction(ListView1);
    menuKey->setShortcuts({QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)});
    menuKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ListView1->addAction(menuKey);
    connect(menuKey, &QAction::triggered, this, [this] {
        const QTreeWidgetItem *row = ListView1->currentItem();
        ListView1_ContextMenu(row ? ListView1->visualItemRect(row).center() : QPoint(0, 0));
    });

    connect(downloadChosenAction, &QAction::triggered, this, &Form1::downloadChosenWorks);
    connect(downloadAllAction, &QAction::triggered, this, &Form1::downloadAllWorks);
    connect(retryFailedAction, &QAction::triggered, this, &Form1::retryFailedWorks);
    connect(ListView1, &QWidget::customContextMenuRequested, this, &Form1::ListView1_ContextMenu);
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &Form1::updateWorksActions);
    connect(ListView1->model(), &QAbstractItemModel::rowsInserted, this, &Form1::updateWorksActions);
    connect(ListView1->model(), &QAbstractItemModel::rowsRemoved, this, &Form1::updateWorksActions);
    connect(ListView1->model(), &QAbstractItemModel::modelReset, this, &Form1::updateWorksActions);
    updateWorksActions();
}

// Chosen rows, and rows at all, make the two commands; one queue or transfer at a time.
void Form1::updateWorksActions()
{
    const bool idle = !(batch && batch->isRunning()) && !(Cdf && Cdf->isBusy());
    downloadChosenAction->setEnabled(idle && !ListView1->selectedItems().isEmpty());
    downloadAllAction->setEnabled(idle && ListView1->topLevelItemCount() > 0);
    const bool failedRowsLeft = std::any_of(failedRows.cbegin(), failedRows.cend(),
                                            [this](int i) { return queuedRows.value(i).isValid(); });
    retryFailedAction->setEnabled(idle && failedRowsLeft);
}

void Form1::ListView1_ContextMenu(const QPoint &at)
{
    updateWorksActions();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("worksMenu"));
    menu.addAction(downloadChosenAction);
    menu.addAction(downloadAllAction);
    menu.addAction(retryFailedAction);
    menu.exec(ListView1->viewport()->mapToGlobal(at));
}

namespace {

QueuedWork queued(const QTreeWidgetItem *row)
{
    return QueuedWork{row->text(1), row->text(2), row->text(3)};
}

constexpr int kStateColumn = 4;

} // namespace

// The chosen rows in list order, whatever order they were chosen in.
void Form1::downloadChosenWorks()
{
    updateWorksActions();
    if (!downloadChosenAction->isEnabled())
        return;
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = ListView1->topLevelItem(i);
        if (row->isSelected())
            rows.append(row);
    }
    queueRows(rows);
}

void Form1::downloadAllWorks()
{
    updateWorksActions();
    if (!downloadAllAction->isEnabled())
        return;
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        rows.append(ListView1->topLevelItem(i));
    queueRows(rows);
}

// Only the rows the last queue left failed, and still in the list.
void Form1::retryFailedWorks()
{
    updateWorksActions();
    if (!retryFailedAction->isEnabled())
        return;
    QList<QTreeWidgetItem *> rows;
    for (const int i : std::as_const(failedRows)) {
        const QPersistentModelIndex row = queuedRows.value(i);
        if (row.isValid())
            rows.append(ListView1->topLevelItem(row.row()));
    }
    queueRows(rows);
}

// A new queue: every row's state goes, then the queued rows wait.
void Form1::queueRows(const QList<QTreeWidgetItem *> &rows)
{
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        ListView1->topLevelItem(i)->setText(kStateColumn, QString());
        ListView1->topLevelItem(i)->setToolTip(kStateColumn, QString());
    }
    QList<QueuedWork> works;
    queuedRows.clear();
    failedRows.clear();
    for (QTreeWidgetItem *row : rows) {
        works.append(queued(row));
        queuedRows.append(QPersistentModelIndex(ListView1->indexFromItem(row)));
    }
    downloadWorks(works);
    failedRows = batch ? batch->failedWorks() : QList<int>();
    updateWorksActions();
}

// A work's fate in its row: waiting, its transfer's share, the seconds its server asked it
// to wait (the whole sentence on the status line and as the row's tooltip), saved, skipped
// or failed (why, in the row's tooltip).
void Form1::showWorkState(int index, const BatchDownload::WorkState &state)
{
    const QPersistentModelIndex at = queuedRows.value(index);
    if (!at.isValid())
        return;
    QTreeWidgetItem *row = ListView1->topLevelItem(at.row());
    QString text;
    QString reason = state.reason;
    switch (state.kind) {
    case BatchDownload::WorkState::Kind::Waiting:
        text = QStringLiteral("等待");
        break;
    case BatchDownload::WorkState::Kind::Running:
        text = QStringLiteral("%1%").arg(state.percent);
        // Its wait is over: the status line counts the works again.
        if (serverWaitShown == index) {
            serverWaitShown = -1;
            setStatus(BatchDownload::workText(index + 1, int(queuedRows.size())));
        }
        break;
    case BatchDownload::WorkState::Kind::ServerBusy:
        // The cell is narrow: the seconds there, the whole sentence on the status line.
        text = QStringLiteral("等待 %1 秒").arg(state.seconds);
        reason = BatchDownload::serverBusyText(state.seconds);
        serverWaitShown = index;
        setStatus(reason);
        break;
    case BatchDownload::WorkState::Kind::Saved:
        text = QStringLiteral("已保存");
        break;
    case BatchDownload::WorkState::Kind::Skipped:
        text = QStringLiteral("已跳过");
        break;
    case BatchDownload::WorkState::Kind::Failed:
        text = QStringLiteral("失败");
        // Why, on the status line too, until the next work or the run's summary.
        if (!state.reason.isEmpty())
            setStatus(state.reason);
        break;
    case BatchDownload::WorkState::Kind::Dropped:
        break;
    }
    if (state.kind != BatchDownload::WorkState::Kind::ServerBusy && serverWaitShown == index)
        serverWaitShown = -1;
    row->setText(kStateColumn, text);
    row->setToolTip(kStateColumn, reason);
    for (int column = 0; column < kStateColumn; ++column)
        row->setToolTip(column, reason);
}
