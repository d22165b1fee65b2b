#include "core/util/MessageText.h"

QString CutForMessage(const QString &text, qsizetype most)
{
    if (text.size() <= most)
        return text;
    qsizetype end = most;
    if (end > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end) + QStringLiteral("… (%1 characters)").arg(text.size());
}
