#include "cli/BatchAnalysisView.h"

#include "cli/BatchProgress.h"
#include "core/download/AddToDownloadList.h"

BatchAnalysisView::BatchAnalysisView(const Rules &rules, DownloadListModel &downloads, BatchProgress &progress)
    : m_rules(rules), m_downloads(downloads), m_progress(progress)
{}

void BatchAnalysisView::setProgress(int value, int maximum)
{
    m_progress.bar(QStringLiteral("analysis"), value, maximum);
}

void BatchAnalysisView::加入下载列表(const QString &address, const QString &title, const QString &type,
                                     const QString &folder, const QString &referrer)
{
    ::加入下载列表(m_downloads, address, title, type, folder, referrer, m_rules.nameFromAddress);
}
