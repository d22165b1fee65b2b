#include "cli/BatchPdfCheck.h"

#include "cli/BatchProgress.h"
#include "core/download/DownloadListModel.h"
#include "core/download/SameNameRules.h"
#include "core/pdfcheck/PdfCheckTexts.h"
#include "core/run/Wakeup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

BatchPdfCheck::BatchPdfCheck(PdfCheckMode mode, DownloadListModel &list, BatchProgress &progress, QObject *parent)
    : QObject(parent), m_mode(mode), m_list(list), m_progress(progress)
{
    connect(&m_checker, &PdfChecker::checked, this, &BatchPdfCheck::checked);
    // The checks rest while transfers run (PdfChecker::setPaced).
    const auto pace = [this] { m_checker.setPaced(m_list.count(ItemState::Downloading) > 0); };
    connect(&m_list, &QAbstractItemModel::dataChanged, this, pace);
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, pace);
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, pace);
    connect(&m_list, &QAbstractItemModel::modelReset, this, pace);
}

void BatchPdfCheck::fileDone(const DownloadItem &item, const QString &title)
{
    if (m_mode == PdfCheckMode::Off || !IsPdfType(item.type))
        return;
    m_checker.check(item.address, ItemFilePath(item), title);
}

QCoro::Task<> BatchPdfCheck::finish()
{
    Wakeup wake;
    wake.watch(&m_checker, &PdfChecker::allChecked);
    while (m_checker.pending() > 0)
        co_await wake.wait(std::chrono::milliseconds(-1));
}

void BatchPdfCheck::checked(const QString &address, const PdfReport &report)
{
    m_reports.insert(address, report);
    const int row = m_list.rowOf(address);
    if (!report.suspicious() || row < 0)
        return;
    const QString path = QDir::toNativeSeparators(ItemFilePath(m_list.item(row)));
    QString line = QStringLiteral("file check %1 (%2): %3").arg(VerdictText(report), VerdictKey(report.verdict), path);
    if (m_mode == PdfCheckMode::Move) {
        const QString moved = moveForReview(row);
        if (!moved.isEmpty())
            line += QStringLiteral(" -> %1").arg(QDir::toNativeSeparators(moved));
    }
    m_progress.error(line);
}

QString BatchPdfCheck::moveForReview(int row)
{
    const DownloadItem item = m_list.item(row);
    const QString from = ItemFilePath(item);
    const QString folder = FolderWithSeparator(FolderWithSeparator(item.folder) + PdfCheckTexts::k待核对);
    if (!QDir().mkpath(folder)) {
        m_progress.error(QStringLiteral("cannot create %1; the file stays").arg(QDir::toNativeSeparators(folder)));
        return {};
    }
    const SameNameOption option = SameNameOptionFromCaption(m_sameNameChoice);
    QString shownName;
    const QString to = 重命名保存路径(folder, item.name, item.type, option, &shownName);
    if (QFileInfo::exists(to)) {
        if (option == SameNameOption::Skip) {
            m_progress.error(
                QStringLiteral("%1 exists (same-name rule: skip); the file stays").arg(QDir::toNativeSeparators(to)));
            return {};
        }
        QFile::remove(to);
    }
    if (!QFile::rename(from, to)) {
        m_progress.error(QStringLiteral("cannot move the file to %1; it stays").arg(QDir::toNativeSeparators(to)));
        return {};
    }
    m_list.update(row, [&](DownloadItem &moved) {
        moved.folder = folder;
        moved.name = shownName.isEmpty() ? moved.name : shownName;
    });
    return to;
}
