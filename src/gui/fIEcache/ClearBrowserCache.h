#pragma once

#include <QCoroTask>

// Empties the embedded browser's cache: a hidden cache window deletes every entry of the program's cache and every
// file it may delete in other users' caches (where Qt reports the end of the browser's own clearing, that runs
// first). With `showMessage` the end is announced, or, when entries of the program's own cache could not be
// removed, how many.
QCoro::Task<> ClearBrowserCache(bool showMessage);
