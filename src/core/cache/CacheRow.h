#pragma once

#include <QString>

// One row of the cache window's list: an entry of the program's own cache (its address as text) or a file found
// in some user's cache folder (text "用户:" + the user's name).
struct CacheRow {
    QString text;
    QString type;     // extension of the address or file name, at most six characters
    qint64 size = -1; // bytes; -1 when the file was not found
    QString filePath; // empty when the file was not found

    bool operator==(const CacheRow &) const = default;
};

// The rows that deleting leaves alone: entries whose address mentions cookies, and text files of user folders.
bool IsProtectedCacheRow(const CacheRow &row);

// True for a file row of the all-users view.
bool IsUserFileRow(const CacheRow &row);
