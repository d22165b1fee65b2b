#pragma once

#include <QObject>

class QMenu;
class QTreeView;

// The result list header's menu: the citation columns (authors, source, year, citation count, abstract) are
// hidden until the user ticks them here, so the list looks as it always did for those who do not need them.
class ResultColumnsMenu final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultColumnsMenu)
public:
    explicit ResultColumnsMenu(QTreeView *list);

    QMenu *menu() const { return m_menu; }

private:
    void showColumn(int column, bool shown);

    QTreeView *m_list;
    QMenu *m_menu;
};
