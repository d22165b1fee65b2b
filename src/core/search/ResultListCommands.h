#pragma once

#include <QList>
#include <QString>

class ResultListModel;
class RunFlags;
struct ResultRow;

// The user's maintenance commands on the result list (the menu items under "清除及打开(&C)" and the header click),
// with their refusals and questions. Messages go through Prompt::current(). Each returns true when the list
// changed.
class ResultListCommands final
{
public:
    ResultListCommands(ResultListModel &list, const RunFlags &flags);

    bool 清除选中项(const QList<int> &selectedRows);
    bool 清除分析成功项();
    bool 清除分析跳过项();
    bool 清除标题含指定字符项();
    bool 清除标题不含指定字符项();
    bool 清空全部();
    // Column header click: sort once by that column, alternating the list's order.
    bool sortByHeader(int column);

private:
    bool analysisAllowsRemoval() const;
    bool removeByTitle(bool contains);

    ResultListModel &m_list;
    const RunFlags &m_flags;
};

// Where the row's document would have been saved: its folder (a separator added when missing), the title's
// DocumentBaseName, "." and the type. Empty when the title leaves no name.
QString SavedFilePath(const ResultRow &row);
