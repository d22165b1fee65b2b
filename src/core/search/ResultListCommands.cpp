#include "core/search/ResultListCommands.h"

#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/util/DocumentFileName.h"
#include "core/util/Prompt.h"

namespace {
const QString kAnalysing = QStringLiteral("正在分析，不能清除！");
const QString kBusy = QStringLiteral("正在工作，请稍后再试！");
const QString kAskText = QStringLiteral("请输入指定字符：");
const QString kConfirmClear = QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？");
const QString kSuccessGroup = QStringLiteral("成功");
const QString kSkipGroup = QStringLiteral("跳过");
} // namespace

ResultListCommands::ResultListCommands(ResultListModel &list, const RunFlags &flags) : m_list(list), m_flags(flags) {}

bool ResultListCommands::analysisAllowsRemoval() const
{
    if (m_flags.AnalysisIdle())
        return true;
    Prompt::current().message(kAnalysing, Prompt::Icon::Critical);
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
    return m_list.removeStatusGroup(kSuccessGroup) > 0;
}

bool ResultListCommands::清除分析跳过项()
{
    if (!analysisAllowsRemoval() || m_list.rowCount() == 0)
        return false;
    return m_list.removeStatusGroup(kSkipGroup) > 0;
}

bool ResultListCommands::removeByTitle(bool contains)
{
    if (!analysisAllowsRemoval())
        return false;
    const std::optional<QString> text = Prompt::current().input(kAskText);
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
    if (!Prompt::current().ask(kConfirmClear))
        return false;
    const bool had = m_list.rowCount() > 0;
    m_list.clearAll();
    return had;
}

bool ResultListCommands::sortByHeader(int column)
{
    if (!m_flags.allIdle()) {
        Prompt::current().message(kBusy, Prompt::Icon::Critical);
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
