#include "gui/fFileDownload/DownloadPdfCheck.h"

#include "core/download/DownloadListModel.h"
#include "core/pdfcheck/PdfCheckTexts.h"

DownloadPdfCheck::DownloadPdfCheck(DownloadListModel &list, QObject *parent) : QObject(parent), m_list(list)
{
    // Queued: a finished row gets its corrected type and name in the same step that finishes it.
    connect(
        &m_list, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex &from, const QModelIndex &to) { rowsChanged(from.row(), to.row()); },
        Qt::QueuedConnection);
    connect(&m_checker, &PdfChecker::checked, this, &DownloadPdfCheck::checked);
    // The checks rest while transfers run (PdfChecker::setPaced).
    const auto pace = [this] { m_checker.setPaced(m_list.count(ItemState::Downloading) > 0); };
    connect(&m_list, &QAbstractItemModel::dataChanged, this, pace);
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, pace);
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, pace);
    connect(&m_list, &QAbstractItemModel::modelReset, this, pace);
}

void DownloadPdfCheck::recheck(const QList<int> &rows)
{
    for (const int row : rows)
        if (m_list.isValidRow(row) && m_list.item(row).state == ItemState::Done)
            start(row);
}

void DownloadPdfCheck::rowsChanged(int first, int last)
{
    for (int row = std::max(0, first); row <= last && row < m_list.size(); ++row) {
        const DownloadItem &item = m_list.item(row);
        const bool done = item.state == ItemState::Done;
        if (done && item.check.isEmpty() && IsPdfType(item.type))
            start(row);
        else if (!done && !item.check.isEmpty())
            m_list.setCheck(row, QString());
    }
}

void DownloadPdfCheck::start(int row)
{
    const DownloadItem &item = m_list.item(row);
    m_checker.check(item.address, ItemFilePath(item), item.title);
    m_list.setCheck(row, PdfCheckTexts::k未检查);
}

void DownloadPdfCheck::checked(const QString &address, const PdfReport &report)
{
    const int row = m_list.rowOf(address);
    // A row removed or sent down again meanwhile keeps what it shows now.
    if (row < 0 || m_list.item(row).state != ItemState::Done)
        return;
    m_list.setCheck(row, VerdictText(report));
    Q_EMIT reported(address, report);
}
