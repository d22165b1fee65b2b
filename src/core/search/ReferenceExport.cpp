#include "core/search/ReferenceExport.h"

#include "core/search/SearchTexts.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace {
const QByteArray kCrLf = QByteArrayLiteral("\r\n");

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

// --- CSV ---

QString csvField(QString value)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!value.isEmpty() && formulaStarts.contains(value.front()))
        value.prepend(u'\'');
    value.replace(u'"', QStringLiteral("\"\""));
    return u'"' + value + u'"';
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted << csvField(f);
    return quoted.join(u',').toUtf8() + kCrLf;
}

// --- RIS ---

void risTag(QByteArray &out, const char *tag, const QString &value)
{
    const QString line = oneLine(value).trimmed();
    if (line.isEmpty())
        return;
    out += tag;
    out += "  - ";
    out += line.toUtf8();
    out += kCrLf;
}

// --- BibTeX ---

QString bibtexEscaped(const QString &value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : oneLine(value)) {
        switch (c.unicode()) {
        case '{':
            out += QStringLiteral("\\textbraceleft{}");
            break;
        case '}':
            out += QStringLiteral("\\textbraceright{}");
            break;
        case '\\':
            out += QStringLiteral("\\textbackslash{}");
            break;
        case '~':
            out += QStringLiteral("\\textasciitilde{}");
            break;
        case '^':
            out += QStringLiteral("\\textasciicircum{}");
            break;
        case '%':
        case '&':
        case '#':
        case '$':
        case '_':
            out += u'\\';
            out += c;
            break;
        default:
            out += c;
        }
    }
    return out.trimmed();
}

// An author is one name to BibTeX unless " and " splits it: such a name is kept whole in braces.
QString bibtexAuthor(const QString &name)
{
    const QString escaped = bibtexEscaped(name);
    return name.contains(QStringLiteral(" and "), Qt::CaseInsensitive) ? u'{' + escaped + u'}' : escaped;
}

// Letters and digits of the first author's name (ASCII only, as classic BibTeX wants its keys), then the year.
QString keyBase(const ResultRow &row)
{
    QString base;
    const QString author = row.citation.authors.isEmpty() ? QString() : row.citation.authors.first();
    for (const QChar c : author.section(u',', 0, 0))
        if (c.unicode() < 128 && c.isLetterOrNumber())
            base += c;
    if (base.isEmpty())
        base = QStringLiteral("ref");
    return base + row.citation.year;
}

void bibtexField(QByteArray &out, const char *name, const QString &value)
{
    if (value.isEmpty())
        return;
    out += "  ";
    out += name;
    out += " = {";
    out += value.toUtf8();
    out += "},\n";
}
} // namespace

std::optional<ListFormat> ListFormatNamed(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == u"zxul")
        return ListFormat::ListFile;
    if (n == u"csv")
        return ListFormat::Csv;
    if (n == u"ris")
        return ListFormat::Ris;
    if (n == u"bibtex" || n == u"bib")
        return ListFormat::Bibtex;
    return std::nullopt;
}

ListFormat ListFormatOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv")
        return ListFormat::Csv;
    if (suffix == u"ris")
        return ListFormat::Ris;
    if (suffix == u"bib" || suffix == u"bibtex")
        return ListFormat::Bibtex;
    return ListFormat::ListFile;
}

QByteArray CsvText(const QList<ResultRow> &rows)
{
    QByteArray out = QByteArrayLiteral("\xEF\xBB\xBF");
    out += csvLine({SearchTexts::kTitleColumn.trimmed(), SearchTexts::kAddressColumn,
                    SearchTexts::kStatusColumn.trimmed(), SearchTexts::kTypeColumn.trimmed(),
                    SearchTexts::kFolderColumn, SearchTexts::kAuthorsColumn, SearchTexts::kSourceColumn,
                    SearchTexts::kYearColumn, SearchTexts::kCitationsColumn, SearchTexts::kAbstractColumn});
    for (const ResultRow &r : rows)
        out += csvLine({r.title, r.key, r.status, r.type, r.saveFolder, JoinedAuthors(r.citation.authors),
                        r.citation.source, r.citation.year, r.citation.citations, r.citation.abstract});
    return out;
}

QByteArray RisText(const QList<ResultRow> &rows)
{
    QByteArray out;
    for (const ResultRow &r : rows) {
        const Citation &c = r.citation;
        risTag(out, "TY", c.source.isEmpty() ? QStringLiteral("GEN") : QStringLiteral("JOUR"));
        risTag(out, "TI", r.title);
        for (const QString &author : c.authors)
            risTag(out, "AU", author);
        risTag(out, "T2", c.source);
        risTag(out, "PY", c.year);
        risTag(out, "AB", c.abstract);
        risTag(out, "UR", r.key);
        if (!c.citations.isEmpty())
            risTag(out, "N1", SearchTexts::kCitationsColumn + u':' + c.citations);
        out += "ER  - ";
        out += kCrLf;
        out += kCrLf;
    }
    return out;
}

QByteArray BibtexText(const QList<ResultRow> &rows)
{
    QByteArray out;
    QSet<QString> usedKeys;
    for (const ResultRow &r : rows) {
        const Citation &c = r.citation;
        const QString base = keyBase(r);
        QString key = base;
        for (int n = 2; usedKeys.contains(key); ++n)
            key = base + u'-' + QString::number(n);
        usedKeys.insert(key);
        const bool article = !c.source.isEmpty();
        out += article ? "@article{" : "@misc{";
        out += key.toUtf8();
        out += ",\n";
        bibtexField(out, "title", bibtexEscaped(r.title));
        QStringList authors;
        for (const QString &a : c.authors)
            authors << bibtexAuthor(a);
        bibtexField(out, "author", authors.join(QStringLiteral(" and ")));
        bibtexField(out, article ? "journal" : "howpublished", bibtexEscaped(c.source));
        bibtexField(out, "year", bibtexEscaped(c.year));
        bibtexField(out, "url", bibtexEscaped(r.key));
        bibtexField(out, "abstract", bibtexEscaped(c.abstract));
        if (!c.citations.isEmpty())
            bibtexField(out, "note", SearchTexts::kCitationsColumn + u':' + bibtexEscaped(c.citations));
        out += "}\n\n";
    }
    return out;
}

bool WriteReferenceFile(const QString &path, ListFormat format, const QList<ResultRow> &rows, QString *error)
{
    QByteArray bytes;
    switch (format) {
    case ListFormat::Csv:
        bytes = CsvText(rows);
        break;
    case ListFormat::Ris:
        bytes = RisText(rows);
        break;
    case ListFormat::Bibtex:
        bytes = BibtexText(rows);
        break;
    case ListFormat::ListFile:
        if (error)
            *error = QStringLiteral("a list exchange file is not a reference format");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
