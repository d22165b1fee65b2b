#pragma once

#include <QString>

// Where the embedded browser keeps its disk cache: files that may go at any time belong in the platform's cache
// folder ($XDG_CACHE_HOME, else ~/.cache), where backups and cleaners expect them. A data folder chosen with
// PAPERHARVEST_HOME (portable installs, tests) keeps everything together, the cache included.
class CacheFolder final
{
public:
    // The browser's cache folder, created when missing; no trailing separator.
    static QString browserCache();
};
