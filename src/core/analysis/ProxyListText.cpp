#include "core/analysis/ProxyListText.h"

#include "core/util/DataFolder.h"
#include "core/util/TextFile.h"

#include <QRegularExpression>

bool 数组中查找(const QStringList &list, const QString &text)
{
    const QString wanted = text.trimmed();
    for (const QString &entry : list)
        if (entry.trimmed() == wanted)
            return true;
    return false;
}

QString UniqueProxyLines(const QString &text)
{
    // A box filled by pasting may hold bare LF or CR line ends.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList taken;
    for (const QString &line : text.split(lineEnd)) {
        const QString entry = line.trimmed();
        if (!entry.isEmpty() && !数组中查找(taken, entry))
            taken << entry;
    }
    return taken.join(QStringLiteral("\r\n"));
}

bool WriteProxyListFile(const QString &text)
{
    // Replaced in one step, never deleted first: a write that fails leaves the old list as it was.
    return TextFile::writeText(DataFolder::filePath(QStringLiteral("ip.txt")), text);
}
