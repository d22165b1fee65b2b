#include "core/download/DownloadItem.h"

#include "core/download/DownloadTexts.h"
#include "core/download/SameNameRules.h"
#include "core/util/FileNameRules.h"

#include <QDir>

QString ItemFilePath(const DownloadItem &item)
{
    if (item.type.isEmpty())
        return item.folder + item.name;
    return item.folder + item.name + QLatin1Char('.') + item.type;
}

bool IsPageType(const QString &type)
{
    return type.compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0 ||
           type.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
}

bool CreateItemFolder(DownloadItem &item)
{
    QString reason;
    const QString folder = CreateFolderPath(item.folder, &reason);
    if (folder.isEmpty()) {
        item.state = ItemState::Failed;
        item.percent =
            DownloadTexts::kFolderNotCreated + QDir::toNativeSeparators(item.folder) + QStringLiteral(": ") + reason;
        return false;
    }
    item.folder = FolderWithSeparator(folder);
    return true;
}

bool IsPdfType(const QString &type)
{
    return type.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
}
