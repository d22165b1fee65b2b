#include "core/search/Citation.h"

#include "core/search/ServiceMarkup.h"
#include "core/util/ControlCharacters.h"

#include <QRegularExpression>

namespace {
const QString kAuthorSeparator = QStringLiteral("; ");

// One line: control characters gone, every run of white space one blank.
QString oneLine(const QString &text)
{
    return RemoveControlCharacters(text).simplified();
}

QString first(const QMap<QString, QStringList> &parts, const QString &name)
{
    for (const QString &text : parts.value(name))
        if (const QString line = oneLine(text); !line.isEmpty())
            return line;
    return {};
}

// The source as the service decorates it: 《期刊》, or "- 来源" after the authors.
QString bareSource(QString source)
{
    static const QRegularExpression leadingDashes(QStringLiteral("^[-–—\\s]+"));
    source.remove(leadingDashes);
    if (source.startsWith(u'《') && source.endsWith(u'》'))
        source = source.mid(1, source.size() - 2);
    return source.trimmed();
}
} // namespace

Citation CitationFromParts(const QMap<QString, QStringList> &parts)
{
    Citation c;
    static const QRegularExpression separators(QStringLiteral("^[,，;；、\\s]+|[,，;；、\\s]+$"));
    for (const QString &text : parts.value(ServiceMarkup::kAuthorsPart)) {
        const QString name = oneLine(text).remove(separators);
        if (!name.isEmpty() && !c.authors.contains(name))
            c.authors.append(name);
    }
    c.source = bareSource(first(parts, ServiceMarkup::kSourcePart));
    static const QRegularExpression year(QStringLiteral("(?<!\\d)(1[5-9]\\d\\d|20\\d\\d)(?!\\d)"));
    c.year = year.match(first(parts, ServiceMarkup::kYearPart)).captured(1);
    static const QRegularExpression count(QStringLiteral("\\d[\\d,]*"));
    c.citations = count.match(first(parts, ServiceMarkup::kCitationsPart)).captured(0).remove(u',');
    c.abstract = first(parts, ServiceMarkup::kAbstractPart);
    return c;
}

QString JoinedAuthors(const QStringList &authors)
{
    return authors.join(kAuthorSeparator);
}

QStringList SplitAuthors(const QString &joined)
{
    QStringList out;
    for (const QString &name : joined.split(u';'))
        if (const QString n = name.trimmed(); !n.isEmpty())
            out.append(n);
    return out;
}
