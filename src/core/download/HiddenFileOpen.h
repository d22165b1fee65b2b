#pragma once

#include <QString>

// Opens (creating it when missing) a hidden file of ours beside a document with open(2) `flags`, never following a
// link planted under its name, which would write outside the folder: such a link is removed and the file made
// anew. -1 when it cannot be opened, with errno set.
int OpenHiddenFileWithoutLinks(const QString &path, int flags);
