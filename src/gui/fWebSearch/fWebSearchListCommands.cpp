// The result list's maintenance commands on the main window: the menu清除 items, header sorting, double click.
#include "gui/fWebSearch/fWebSearch.h"

#include "core/net/Browser.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListCommands.h"
#include "core/search/ResultListModel.h"
#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"
#include "gui/shell/ShellOpen.h"
#include "gui/shell/ShellTexts.h"

#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>

namespace {
QString folderWithSeparator(QString folder)
{
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}
} // namespace

// Runs one removal rule with the list hidden, so a long list is not repainted once per removed row.
template <typename Rule> void fWebSearch::removeWith(Rule rule)
{
    ResultListCommands commands(*m_results, *m_flags);
    m_listView1->setUpdatesEnabled(false);
    rule(commands);
    m_listView1->setUpdatesEnabled(true);
    showRowCount();
}

void fWebSearch::removeSelectedRows()
{
    QList<int> selected;
    for (const QModelIndex &index : m_listView1->selectionModel()->selectedRows())
        selected << index.row();
    removeWith([&](ResultListCommands &c) { c.清除选中项(selected); });
}

void fWebSearch::removeSucceededRows()
{
    removeWith([](ResultListCommands &c) { c.清除分析成功项(); });
}

void fWebSearch::removeSkippedRows()
{
    removeWith([](ResultListCommands &c) { c.清除分析跳过项(); });
}

void fWebSearch::removeRowsByTitle(bool containing)
{
    removeWith([&](ResultListCommands &c) { containing ? c.清除标题含指定字符项() : c.清除标题不含指定字符项(); });
}

void fWebSearch::clearAllRows()
{
    removeWith([](ResultListCommands &c) { c.清空全部(); });
}

int fWebSearch::selectedRow() const
{
    const QModelIndex current = m_listView1->selectionModel()->currentIndex();
    if (m_results->rowCount() == 0 || !current.isValid() ||
        !m_listView1->selectionModel()->isRowSelected(current.row(), QModelIndex()))
        return -1;
    return current.row();
}

void fWebSearch::openSavedFile()
{
    const int selected = selectedRow();
    if (selected < 0)
        return;
    const QString path = SavedFilePath(m_results->row(selected));
    if (path.isEmpty())
        return;
    if (!IsExistingFile(path)) {
        Prompt::current().message(ShellTexts::kNoSuchFile, Prompt::Icon::Critical);
        return;
    }
    OpenWithShell(path, this);
}

void fWebSearch::openSavedFileFolder()
{
    const int selected = selectedRow();
    if (selected < 0)
        return;
    const ResultRow &row = m_results->row(selected);
    const QString folder = folderWithSeparator(row.saveFolder);
    if (!IsExistingFolder(folder)) {
        Prompt::current().message(ShellTexts::kNoSuchFolder, Prompt::Icon::Critical);
        return;
    }
    const QString path = SavedFilePath(row);
    if (path.isEmpty() || !IsExistingFile(path)) {
        OpenFolder(folder);
        return;
    }
    if (!ShowInFolder(path))
        Prompt::current().message(ShellTexts::kOpenFailed, Prompt::Icon::Critical);
}

void fWebSearch::sortByColumn(int column)
{
    QHeaderView *header = m_listView1->header();
    ResultListCommands commands(*m_results, *m_flags);
    if (commands.sortByHeader(column)) {
        header->setSortIndicatorShown(true);
        header->setSortIndicator(column, m_results->sortOrder());
    } else if (m_results->sortColumn() >= 0) {
        // The header flips its indicator on a click; a refused sort leaves the list's order as it was.
        header->setSortIndicator(m_results->sortColumn(), m_results->sortOrder());
    } else {
        header->setSortIndicatorShown(false);
    }
}

void fWebSearch::openRowInBrowser()
{
    const int selected = selectedRow();
    if (selected >= 0)
        browser().navigate(m_results->row(selected).key);
}
