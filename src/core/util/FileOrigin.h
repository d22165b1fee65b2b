#pragma once

#include <QString>

// Where a saved file came from, kept with the file itself in the extended attribute browsers and download tools
// use for it (user.xdg.origin.url), so a later run knows a file it saved even when the data folder could not
// record the visit. File systems without such attributes (and platforms other than Linux) keep nothing.

// False when the file system does not take the attribute.
bool SetFileOrigin(const QString &path, const QString &address);
// The address the file came from; empty when none is known.
QString FileOrigin(const QString &path);
