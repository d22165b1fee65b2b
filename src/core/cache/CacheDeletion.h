#pragma once

#include "core/cache/CacheRow.h"

#include <QStringList>

// Deleting what the cache window lists. Every deletion stays inside the cache folders the window walked (`roots`):
// a path that lies elsewhere, by its real location with links resolved, is refused.

// True when `path` lies below one of `roots` (not a root itself).
bool LiesInsideCacheFolders(const QString &path, const QStringList &roots);

// Removes one file, read-only or not. True when it is gone afterwards.
bool ForceDelete(const QString &path);

// Deletes what `row` stands for: for an entry of the program's cache the entry's files, for a user's file that file.
// Protected rows are left alone, and so is the bookkeeping (the index) of the cache the running browser uses,
// `liveCache`: taken from under it, the browser can stop loading pages. False when a file that should go is still
// there (or lies outside `roots`).
bool DeleteCacheRow(const CacheRow &row, const QStringList &roots, const QString &liveCache = {});

// Removes the folders of `folders` that are empty, last first, so that a folder emptied by removing its
// subfolders goes in the same pass.
void RemoveEmptyFolders(const QStringList &folders);
