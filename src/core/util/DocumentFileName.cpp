#include "core/util/DocumentFileName.h"

#include "core/util/FileNameRules.h"

namespace {
bool isEdgeJunk(QChar c)
{
    return c.isSpace() || c == u'.';
}
} // namespace

QString DocumentBaseName(const QString &text)
{
    const QString safe = MakeSafeFileName(text.trimmed());
    qsizetype begin = 0;
    qsizetype end = safe.size();
    while (begin < end && isEdgeJunk(safe[begin]))
        ++begin;
    while (end > begin && isEdgeJunk(safe[end - 1]))
        --end;
    return safe.mid(begin, end - begin);
}

QString DocumentFileName(const QString &title, const QString &address, bool fromAddress)
{
    const QString byTitle = DocumentBaseName(title);
    const QString byAddress = DocumentBaseName(FileNameFromPath(address, true));
    const QString &first = fromAddress ? byAddress : byTitle;
    const QString &second = fromAddress ? byTitle : byAddress;
    if (!first.isEmpty())
        return first;
    return second.isEmpty() ? kUnnamedDocument : second;
}
