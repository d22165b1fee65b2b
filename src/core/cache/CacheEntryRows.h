#pragma once

#include "core/cache/CacheRow.h"

#include <optional>

// The list rows of the two views, from files on disk.

// The row of the cache entry whose first file is `entryFilePath`: its address, the address's extension, the size
// of its body as the page saw it (decoded) and the file's path. Nothing for a file that is not an entry's first file or
// whose header is truncated or garbled.
std::optional<CacheRow> CacheEntryRow(const QString &entryFilePath);

// The row of a file found in `user`'s cache folder.
CacheRow UserCacheFileRow(const QString &filePath, const QString &user);
