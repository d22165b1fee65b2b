#include "core/download/ReQueue.h"

#include "core/download/DownloadListModel.h"
#include "core/download/DownloadTexts.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString kPlaceholderType = QStringLiteral("xxx");

bool isPageOrXml(const QString &type)
{
    return IsPageType(type) || type.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0;
}

// A row owns a file only if it wrote it, which only a Done row has: the engines remove whatever a transfer that fails
// has written, so a file under a failed row's name is another document's (one with the same title, finished
// earlier) and must survive. So is one under the name of a row settled as done without a transfer: a big file
// skipped, or a file of the same name counted as downloaded.
bool ownsFile(const DownloadItem &item)
{
    return item.state == ItemState::Done && item.percent != DownloadTexts::kTooBig &&
           item.percent != DownloadTexts::kExistsSkipped;
}

void removeFile(const QString &path)
{
    if (QFileInfo(path).isFile())
        QFile::remove(path);
}

// The re-queue step with the type the row takes afterwards.
void requeue(DownloadListModel &list, int row, bool alwaysPlaceholder)
{
    const DownloadItem &before = list.item(row);
    const bool own = ownsFile(before);
    if (own)
        removeFile(ItemFilePath(before));
    list.update(row, [alwaysPlaceholder](DownloadItem &item) {
        item.state = ItemState::Waiting;
        if (alwaysPlaceholder || IsPageType(item.type))
            item.type = kPlaceholderType;
        item.size.clear();
        item.downloaded.clear();
        item.percent.clear();
    });
    // The type may have changed: the file under the new name goes too, as long as it was the row's own.
    if (own)
        removeFile(ItemFilePath(list.item(row)));
}
} // namespace

bool DeleteItemFile(const DownloadItem &item)
{
    if (!ownsFile(item))
        return false;
    const QString path = ItemFilePath(item);
    return QFileInfo(path).isFile() && QFile::remove(path);
}

void ReQueueRow(DownloadListModel &list, int row)
{
    if (list.isValidRow(row))
        requeue(list, row, false);
}

bool RetryFailedRow(DownloadListModel &list, int row)
{
    if (!list.isValidRow(row) || list.item(row).state != ItemState::Failed)
        return false;
    DeleteItemFile(list.item(row));
    list.update(row, [](DownloadItem &item) {
        item.state = ItemState::Waiting;
        item.size.clear();
        item.downloaded.clear();
        item.percent.clear();
    });
    return true;
}

int ReQueueFailed(DownloadListModel &list)
{
    int requeued = 0;
    for (int row = 0; row < list.size(); ++row) {
        if (list.item(row).state != ItemState::Failed)
            continue;
        requeue(list, row, false);
        ++requeued;
    }
    return requeued;
}

int ReQueuePages(DownloadListModel &list)
{
    int requeued = 0;
    for (int row = 0; row < list.size(); ++row) {
        const DownloadItem &item = list.item(row);
        if (!isPageOrXml(item.type) || (item.state != ItemState::Done && item.state != ItemState::Failed))
            continue;
        requeue(list, row, true);
        ++requeued;
    }
    return requeued;
}
