#include "core/search/Citation.h"

#include "core/search/ServiceMarkup.h"
#include "core/util/ControlCharacters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {
const QString kAuthorSeparator = QStringLiteral("; ");
} // namespace

RowCitation::RowCitation(Citation citation) : m_data(citation.isEmpty() ? nullptr : new Data(std::move(citation))) {}

const Citation &RowCitation::operator*() const
{
    static const Citation empty;
    return m_data ? m_data->citation : empty;
}

QString OneLineText(const QString &text)
{
    // Line breaks and tabs are controls too; removed outright they would glue "Deep\nLearning" into one word.
    QString spaced = text;
    for (QChar &c : spaced)
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == u'\v' || c == u'\f' || c == QChar(0x2028) ||
            c == QChar(0x2029) || c == QChar(0x85))
            c = u' ';
    return RemoveControlCharacters(spaced).simplified();
}

namespace {
QString first(const QMap<QString, QStringList> &parts, const QString &name)
{
    for (const QString &text : parts.value(name))
        if (const QString line = OneLineText(text); !line.isEmpty())
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
        const QString name = OneLineText(text).remove(separators);
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

QString EncodedAuthors(const QStringList &authors)
{
    QJsonArray names;
    for (const QString &a : authors)
        names.append(a);
    return QString::fromUtf8(QJsonDocument(names).toJson(QJsonDocument::Compact));
}

std::optional<QStringList> DecodedAuthors(const QString &encoded)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(encoded.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QStringList out;
    for (const QJsonValue &v : doc.array()) {
        if (!v.isString())
            return std::nullopt;
        out.append(v.toString());
    }
    return out;
}

QStringList SplitAuthors(const QString &joined)
{
    QStringList out;
    for (const QString &name : joined.split(u';'))
        if (const QString n = name.trimmed(); !n.isEmpty())
            out.append(n);
    return out;
}
