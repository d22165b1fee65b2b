#include "core/search/ExportTarget.h"

#include "core/search/ListExchange.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {
QString formatName(ListFormat format)
{
    switch (format) {
    case ListFormat::Csv:
        return QStringLiteral("CSV");
    case ListFormat::Ris:
        return QStringLiteral("RIS");
    case ListFormat::Bibtex:
        return QStringLiteral("BibTeX");
    case ListFormat::ListFile:
        break;
    }
    return QStringLiteral("list exchange");
}
} // namespace

ExportTargetCheck CheckExportTarget(const QString &path, ListFormat format)
{
    const QFileInfo target(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (path.trimmed().isEmpty())
        return {QStringLiteral("no file name given")};
    if (target.isDir())
        return {QStringLiteral("%1 is a folder").arg(shown)};
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        return {QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(folder))};
    // The new file is written beside the target and renamed over it: the folder must take a file. Asking the
    // folder itself is the only test that holds for every user and file system.
    {
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".paperharvest-probe-XXXXXX")));
        if (!probe.open())
            return {QStringLiteral("cannot write to the folder %1: %2")
                        .arg(QDir::toNativeSeparators(folder), probe.errorString())};
    }
    if (!target.exists())
        return {};
    if (!target.isWritable())
        return {QStringLiteral("%1 is read-only").arg(shown)};
    const bool own = format == ListFormat::ListFile ? IsListFile(path) : IsOwnReferenceFile(path, format);
    if (own)
        return {};
    return {QStringLiteral("%1 exists and is not a %2 file this program exported").arg(shown, formatName(format)),
            true};
}
