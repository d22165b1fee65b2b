#pragma once

#include <QString>
#include <QStringList>

// The texts of the cache lists, in one place.
namespace CacheTexts {
// Row text of a file found in a user's cache folder: this, then the user's name.
inline const QString kUserPrefix = QStringLiteral("用户:");
inline const QStringList kColumns{QStringLiteral("URL"), QStringLiteral("TYPE"), QStringLiteral("SIZE(Byte)"),
                                  QStringLiteral("FilePath")};
} // namespace CacheTexts
