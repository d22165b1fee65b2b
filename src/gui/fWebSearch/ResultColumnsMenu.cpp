#include "gui/fWebSearch/ResultColumnsMenu.h"

#include "core/search/ResultListModel.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

namespace {
// A shown abstract or author list is wide; it gets no more than this at first.
constexpr int kWidestFirstWidth = 400;
} // namespace

ResultColumnsMenu::ResultColumnsMenu(QTreeView *list) : QObject(list), m_list(list), m_menu(new QMenu(list))
{
    m_menu->setObjectName(QStringLiteral("menuColumns"));
    for (int column = ResultListModel::kFirstCitationColumn; column < ResultListModel::ColumnCount; ++column) {
        QAction *action = m_menu->addAction(ResultListModel::columnTitle(column));
        action->setObjectName(QStringLiteral("menuColumn") + ResultListModel::columnTitle(column));
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, [this, column](bool on) { showColumn(column, on); });
        list->setColumnHidden(column, true);
    }
    QHeaderView *header = list->header();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this,
            [this, header](const QPoint &pos) { m_menu->popup(header->mapToGlobal(pos)); });
}

void ResultColumnsMenu::showColumn(int column, bool shown)
{
    m_list->setColumnHidden(column, !shown);
    if (!shown)
        return;
    m_list->resizeColumnToContents(column);
    m_list->setColumnWidth(column, std::min(m_list->columnWidth(column), kWidestFirstWidth));
}
