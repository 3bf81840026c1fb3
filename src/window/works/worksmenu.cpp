#include "app/form1.h"

#include "download/cls_download.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTreeWidget>

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
    // Added to the list so that its shortcut works while the list has the focus.
    ListView1->addAction(downloadChosenAction);
    ListView1->addAction(downloadAllAction);

    // The menu key opens the menu at the current row.
    auto *menuKey = new QAction(ListView1);
    menuKey->setShortcut(QKeySequence(Qt::Key_Menu));
    menuKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ListView1->addAction(menuKey);
    connect(menuKey, &QAction::triggered, this, [this] {
        const QTreeWidgetItem *row = ListView1->currentItem();
        ListView1_ContextMenu(row ? ListView1->visualItemRect(row).center() : QPoint(0, 0));
    });

    connect(downloadChosenAction, &QAction::triggered, this, &Form1::downloadChosenWorks);
    connect(downloadAllAction, &QAction::triggered, this, &Form1::downloadAllWorks);
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
}

void Form1::ListView1_ContextMenu(const QPoint &at)
{
    updateWorksActions();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("worksMenu"));
    menu.addAction(downloadChosenAction);
    menu.addAction(downloadAllAction);
    menu.exec(ListView1->viewport()->mapToGlobal(at));
}

namespace {

QueuedWork queued(const QTreeWidgetItem *row)
{
    return QueuedWork{row->text(1), row->text(2), row->text(3)};
}

} // namespace

// The chosen rows in list order, whatever order they were chosen in.
void Form1::downloadChosenWorks()
{
    updateWorksActions();
    if (!downloadChosenAction->isEnabled())
        return;
    QList<QueuedWork> works;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = ListView1->topLevelItem(i);
        if (row->isSelected())
            works.append(queued(row));
    }
    downloadWorks(works);
}

void Form1::downloadAllWorks()
{
    updateWorksActions();
    if (!downloadAllAction->isEnabled())
        return;
    QList<QueuedWork> works;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        works.append(queued(ListView1->topLevelItem(i)));
    downloadWorks(works);
}
