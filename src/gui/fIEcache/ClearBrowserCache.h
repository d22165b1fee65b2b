#pragma once

#include <QCoroTask>

// Empties the embedded browser's cache: the browser drops what it holds, then a hidden cache window deletes every
// entry left in the program's cache and every file it may delete in other users' caches. With `showMessage` the end is
// announced, or, when entries of the program's own cache could not be removed, how many.
QCoro::Task<> ClearBrowserCache(bool showMessage);
