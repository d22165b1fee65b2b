#include "cli/BatchAnalysisView.h"

#include "core/download/AddToDownloadList.h"

BatchAnalysisView::BatchAnalysisView(const Rules &rules, DownloadListModel &downloads, QHash<QString, QString> &titles)
    : m_rules(rules), m_downloads(downloads), m_titles(titles)
{}

void BatchAnalysisView::加入下载列表(const QString &address, const QString &title, const QString &type,
                                     const QString &folder, const QString &referrer)
{
    if (!m_titles.contains(address))
        m_unattributed << address;
    ::加入下载列表(m_downloads, address, title, type, folder, referrer, m_rules.nameFromAddress);
}

void BatchAnalysisView::attributeHandOvers(const QString &rowTitle)
{
    // The first row that handed an address over keeps it, as the download list keeps the first hand-over.
    for (const QString &address : std::as_const(m_unattributed))
        if (!m_titles.contains(address))
            m_titles.insert(address, rowTitle);
    m_unattributed.clear();
}
