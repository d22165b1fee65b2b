#include "core/net/ResponseFile.h"

#include <QDir>
#include <QSaveFile>
#include <QUrl>

namespace {

QString localPath(const QString &path)
{
    const QString trimmed = path.trimmed();
    if (trimmed.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(trimmed).toLocalFile();
    return QDir::fromNativeSeparators(trimmed);
}

} // namespace

bool WriteResponseFile(const QString &path, const QByteArray &body, QString *error)
{
    const QString target = localPath(path);
    if (target.isEmpty()) {
        *error = QStringLiteral("No file name in \"%1\"").arg(path);
        return false;
    }
    // QSaveFile writes beside the target and renames over it on commit, after flushing the data to disk.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(target, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}
