#include "gui/shell/ListViewTools.h"

#include <QAction>
#include <QHeaderView>
#include <QTableView>
#include <QTreeView>

void AutoSizeListColumns(QAbstractItemView *list)
{
    if (!list || !list->model())
        return;
    const int columns = list->model()->columnCount();
    if (auto *tree = qobject_cast<QTreeView *>(list)) {
        // resizeColumnToContents takes the larger of the header's and the rows' widths.
        for (int c = 0; c < columns; ++c)
            tree->resizeColumnToContents(c);
    } else if (auto *table = qobject_cast<QTableView *>(list)) {
        for (int c = 0; c < columns; ++c)
            table->resizeColumnToContents(c);
    }
}

void StripeListBackground(QAbstractItemView *list)
{
    if (!list)
        return;
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, QColor(231, 248, 237));
    palette.setColor(QPalette::AlternateBase, Qt::white);
    list->setPalette(palette);
    list->setAlternatingRowColors(true);
}

void ListShortcut(QAbstractItemView *list, QAction *command, const QKeySequence &key)
{
    command->setShortcut(key);
    command->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    list->addAction(command);
}
