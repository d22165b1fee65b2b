#pragma once

#include <QString>

// The one rule for the name a downloaded document is saved under, used both where the download is queued and
// where an earlier run's file is looked for: a name found one way and saved another would never be found again.

// The name given to a document when neither its title nor its address leaves anything usable.
inline const QString kUnnamedDocument = QStringLiteral("未命名");

// The base name (no extension) made from a title or an address's file-name part: MakeSafeFileName, then no
// white space or dots at either end. Empty when nothing usable is left. Applying it again changes nothing.
QString DocumentBaseName(const QString &text);

// The base name of a download row: from `title`, or with `fromAddress` from the file name of `address` (its
// extension dropped). When that source leaves nothing the other one is tried, then kUnnamedDocument: a name is
// never empty, so no document is saved as a hidden ".pdf".
QString DocumentFileName(const QString &title, const QString &address, bool fromAddress);
