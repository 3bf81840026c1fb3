#pragma once

class QTreeWidget;

namespace Module1 {

// Locks the header of the works list: no column divider can be dragged and a double
// click on a divider never resizes a column, so the hidden fourth column stays hidden.
// Installed once at start-up and never removed.
void Hook(QTreeWidget *list);

} // namespace Module1
