#include "core/pdfcheck/DoiText.h"

#include <QRegularExpression>

QString FindDoi(const QString &text)
{
    static const QRegularExpression doi(QStringLiteral("\\b10\\.\\d{4,9}/[^\\s\"<>]+"));
    const QRegularExpressionMatch match = doi.match(text);
    if (!match.hasMatch())
        return {};
    QString found = match.captured();
    // Closing punctuation belongs to the sentence around the DOI unless the DOI opened the bracket itself.
    while (!found.isEmpty()) {
        const QChar last = found.back();
        if (last == u'.' || last == u',' || last == u';' || last == u':' || last == u'\'')
            found.chop(1);
        else if ((last == u')' && found.count(u'(') < found.count(u')')) ||
                 (last == u']' && found.count(u'[') < found.count(u']')))
            found.chop(1);
        else
            break;
    }
    return found;
}
