#include "core/cache/CacheEntryRows.h"

#include "core/cache/CacheTexts.h"
#include "core/cache/CachedResponse.h"
#include "core/cache/SimpleCacheEntry.h"
#include "core/util/FileNameRules.h"

#include <QFile>
#include <QFileInfo>

namespace {
QString extensionOf(const QString &text)
{
    QString fileNamePart;
    return UrlFileNameAndExtension(text, fileNamePart);
}
} // namespace

std::optional<CacheRow> CacheEntryRow(const QString &entryFilePath)
{
    const QFileInfo info(entryFilePath);
    if (!SimpleCacheEntry::IsEntryFileName(info.fileName()) || !info.isFile())
        return std::nullopt;
    QFile file(entryFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray start = file.read(SimpleCacheEntry::kHeaderSize);
    const SimpleCacheEntry::Header header = SimpleCacheEntry::ReadHeader(start);
    if (header.verdict == SimpleCacheEntry::Verdict::Garbled)
        return std::nullopt;
    start += file.read(header.keyLength);
    const QByteArray key = SimpleCacheEntry::ReadKey(start);
    if (key.isEmpty())
        return std::nullopt;
    CacheRow row;
    row.text = SimpleCacheEntry::KeyAddress(key);
    row.type = extensionOf(row.text);
    // The size of what a copy gives: the body as the page saw it (the whole file when its layout is unknown).
    row.size = CachedBodySize(entryFilePath).value_or(info.size());
    row.filePath = info.filePath();
    return row;
}

CacheRow UserCacheFileRow(const QString &filePath, const QString &user)
{
    const QFileInfo info(filePath);
    CacheRow row;
    row.text = CacheTexts::kUserPrefix + user;
    row.type = extensionOf(info.fileName());
    row.size = info.size();
    row.filePath = filePath;
    return row;
}
