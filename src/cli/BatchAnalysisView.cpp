#include "cli/BatchAnalysisView.h"

#include "core/download/AddToDownloadList.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadTexts.h"
#include "core/search/ResultRow.h"
#include "core/store/VisitedDownloads.h"
#include "core/util/FileOrigin.h"

#include <QDir>
#include <QFileInfo>

BatchAnalysisView::BatchAnalysisView(const Rules &rules, DownloadListModel &downloads, QHash<QString, QString> &titles,
                                     QHash<QString, QString> &rowKeys)
    : m_rules(rules), m_downloads(downloads), m_titles(titles), m_rowKeys(rowKeys)
{}

void BatchAnalysisView::加入下载列表(const QString &address, const QString &title, const QString &type,
                                     const QString &folder, const QString &referrer)
{
    if (!m_titles.contains(address))
        m_unattributed << address;
    const QString saved = m_rules.skipVisitedAddress ? savedBefore(folder, address) : QString();
    if (saved.isEmpty() || m_downloads.contains(address)) {
        ::加入下载列表(m_downloads, address, title, type, folder, referrer, m_rules.nameFromAddress);
        return;
    }
    // Not fetched again: the row ends as a file that is there already, and its visit is settled as saved.
    const QFileInfo file(saved);
    DownloadItem item;
    item.address = address;
    item.type = file.suffix();
    item.name = item.type.isEmpty() ? file.fileName() : file.fileName().chopped(item.type.size() + 1);
    item.folder = file.absolutePath() + QLatin1Char('/');
    item.size = item.downloaded = QString::number(file.size());
    item.percent = DownloadTexts::kExistsSkipped;
    item.state = ItemState::Done;
    m_downloads.append(item);
    SettleVisitedDownload(address, true);
}

QString BatchAnalysisView::savedBefore(const QString &folder, const QString &address)
{
    const QString key = QDir::cleanPath(folder);
    auto origins = m_origins.find(key);
    if (origins == m_origins.end()) {
        origins = m_origins.insert(key, {});
        const QFileInfoList files = QDir(key).entryInfoList(QDir::Files | QDir::NoSymLinks);
        for (const QFileInfo &file : files) {
            const QString origin = FileOrigin(file.filePath());
            if (!origin.isEmpty())
                origins->insert(origin, file.filePath());
        }
    }
    const QString path = origins->value(address);
    return QFileInfo(path).isFile() ? path : QString();
}

void BatchAnalysisView::attributeHandOvers(const ResultRow &row)
{
    // The first row that handed an address over keeps it, as the download list keeps the first hand-over.
    for (const QString &address : std::as_const(m_unattributed)) {
        if (m_titles.contains(address))
            continue;
        m_titles.insert(address, row.title);
        m_rowKeys.insert(address, row.key);
    }
    m_unattributed.clear();
}
