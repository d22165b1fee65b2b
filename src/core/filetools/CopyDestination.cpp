#include "core/filetools/CopyDestination.h"

#include "core/util/FileNameRules.h"

#include <QDir>
#include <QFileInfo>

namespace {
// The folder's path with links resolved when it exists; otherwise its cleaned absolute path.
QString resolvedFolder(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}
} // namespace

QString WithTrailingSeparator(const QString &folder)
{
    return folder.endsWith(kPathSeparator) ? folder : folder + kPathSeparator;
}

bool AddToFolderHistory(QStringList &entries, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (entries.contains(trimmed, Qt::CaseInsensitive))
        return false;
    entries << trimmed;
    return true;
}

bool IsSameFolder(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity caseRule = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity caseRule = Qt::CaseSensitive;
#endif
    return resolvedFolder(a).compare(resolvedFolder(b), caseRule) == 0;
}
