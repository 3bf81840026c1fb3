#include "app/module1.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace Module1 {

void Hook(QTreeWidget *list)
{
    QHeaderView *header = list->header();
    // A fixed section has no draggable divider, and the header only reports a
    // divider double click (on which the list sizes the column to its contents)
    // for sections the user may resize.
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
}

} // namespace Module1
