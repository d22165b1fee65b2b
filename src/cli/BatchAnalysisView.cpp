#include "cli/BatchAnalysisView.h"

#include "core/download/AddToDownloadList.h"

BatchAnalysisView::BatchAnalysisView(const Rules &rules, DownloadListModel &downloads, QHash<QString, QString> &titles)
    : m_rules(rules), m_downloads(downloads), m_titles(titles)
{}

void BatchAnalysisView::加入下载列表(const QString &address, const QString &title, const QString &type,
                                     const QString &folder, const QString &referrer)
{
    m_titles.insert(address, title);
    ::加入下载列表(m_downloads, address, title, type, folder, referrer, m_rules.nameFromAddress);
}
