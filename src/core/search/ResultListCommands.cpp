#include "core/search/ResultListCommands.h"

#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/search/SearchTexts.h"
#include "core/util/DocumentFileName.h"
#include "core/util/Prompt.h"

ResultListCommands::ResultListCommands(ResultListModel &list, const RunFlags &flags) : m_list(list), m_flags(flags) {}

bool ResultListCommands::analysisAllowsRemoval() const
{
    if (m_flags.AnalysisIdle())
        return true;
    Prompt::current().message(SearchTexts::kClearRefusal, Prompt::Icon::Critical);
    return false;
}

bool ResultListCommands::清除选中项(const QList<int> &selectedRows)
{
    if (!analysisAllowsRemoval() || m_list.rowCount() == 0)
        return false;
    return m_list.removeRowsAt(selectedRows) > 0;
}

bool ResultListCommands::清除分析成功项()
{
    if (!analysisAllowsRemoval() || m_list.rowCount() == 0)
        return false;
    return m_list.removeStatusGroup(SearchTexts::成功) > 0;
}

bool ResultListCommands::清除分析跳过项()
{
    if (!analysisAllowsRemoval() || m_list.rowCount() == 0)
        return false;
    return m_list.removeStatusGroup(SearchTexts::kSkippedGroup) > 0;
}

bool ResultListCommands::removeByTitle(bool contains)
{
    if (!analysisAllowsRemoval())
        return false;
    const std::optional<QString> text = Prompt::current().input(SearchTexts::kAskText);
    if (!text || text->isEmpty() || m_list.rowCount() == 0)
        return false;
    return m_list.removeTitleMatching(*text, contains) > 0;
}

bool ResultListCommands::清除标题含指定字符项()
{
    return removeByTitle(true);
}

bool ResultListCommands::清除标题不含指定字符项()
{
    return removeByTitle(false);
}

bool ResultListCommands::清空全部()
{
    if (!analysisAllowsRemoval())
        return false;
    if (!Prompt::current().ask(SearchTexts::kClearAllQuestion))
        return false;
    const bool had = m_list.rowCount() > 0;
    m_list.clearAll();
    return had;
}

bool ResultListCommands::sortByHeader(int column)
{
    if (!m_flags.allIdle()) {
        Prompt::current().message(SearchTexts::kBusyTryLater, Prompt::Icon::Critical);
        return false;
    }
    m_list.sortByHeader(column);
    return true;
}

QString SavedFilePath(const ResultRow &row)
{
    // The name the download gave the file, not the raw title: a title with "/" or "?" is not the file's name.
    const QString name = DocumentBaseName(row.title);
    if (name.isEmpty())
        return {};
    QString folder = row.saveFolder;
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('/');
    return folder + name + QLatin1Char('.') + row.type;
}
