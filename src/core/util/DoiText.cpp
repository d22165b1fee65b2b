#include "core/util/DoiText.h"

#include <QRegularExpression>
#include <algorithm>

namespace {
// Sentence punctuation after a DOI, and a closing bracket the DOI did not open itself.
QString withoutTrailingPunctuation(QString found)
{
    const auto unbalanced = [&](QChar open, QChar close) { return found.count(open) < found.count(close); };
    while (!found.isEmpty()) {
        const QChar last = found.back();
        if (last == u'.' || last == u',' || last == u';' || last == u':' || last == u'\'' ||
            (last == u')' && unbalanced(u'(', u')')) || (last == u']' && unbalanced(u'[', u']')) ||
            (last == u'>' && unbalanced(u'<', u'>')) || (last == u'}' && unbalanced(u'{', u'}')))
            found.chop(1);
        else
            break;
    }
    return found;
}

bool labelled(const QString &text, qsizetype at)
{
    static const QRegularExpression label(QStringLiteral("doi(\\.org/|[\\s\\x{00A0}\\x{3000}:：/]*)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const qsizetype from = std::max<qsizetype>(0, at - 16);
    return label.match(QStringView(text).mid(from, at - from)).hasMatch();
}
} // namespace

QString FindDoi(const QString &text)
{
    // Not inside a longer number or word ("110.1234/..." is no DOI); \d is ASCII digits only. A registrant may have
    // subdivisions (10.1000.10/...).
    static const QRegularExpression doi(QStringLiteral("(?<![0-9A-Za-z_.])10\\.\\d{4,9}(?:\\.\\d+)*/[!#-~]+"));
    QString first;
    for (QRegularExpressionMatchIterator it = doi.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString found = withoutTrailingPunctuation(match.captured());
        // Punctuation alone after the slash: no suffix.
        if (found.endsWith(u'/'))
            continue;
        if (labelled(text, match.capturedStart()))
            return found;
        if (first.isEmpty())
            first = found;
    }
    return first;
}
