#include "core/search/ReferenceExport.h"

#include "core/search/CitationText.h"
#include "core/search/SearchTexts.h"
#include "core/util/DoiText.h"
#include "core/util/Transliteration.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {
const QByteArray kCrLf = QByteArrayLiteral("\r\n");
const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");
// Our own RIS records name this program as their database, right after the type.
const QByteArray kRisDatabase = QByteArrayLiteral("PaperHarvest");
const QByteArray kBibtexHead = QByteArrayLiteral("% Exported by PaperHarvest\n\n");
// Buffered rows go to the file in pieces of about this size.
constexpr qsizetype kFlushBytes = 1 << 18;

// --- CSV ---

QString csvField(QString value)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!value.isEmpty() && formulaStarts.contains(value.front()))
        value.prepend(u'\'');
    value.replace(u'"', QStringLiteral("\"\""));
    return u'"' + value + u'"';
}

void csvLine(QByteArray &out, const QStringList &fields)
{
    QString line;
    for (const QString &f : fields) {
        if (!line.isEmpty())
            line += u',';
        line += csvField(f);
    }
    out += line.toUtf8();
    out += kCrLf;
}

QStringList csvColumns()
{
    return {SearchTexts::kTitleColumn.trimmed(), SearchTexts::kAddressColumn, SearchTexts::kStatusColumn.trimmed(),
            SearchTexts::kTypeColumn.trimmed(),  SearchTexts::kFolderColumn,  SearchTexts::kAuthorsColumn,
            SearchTexts::kSourceColumn,          SearchTexts::kYearColumn,    SearchTexts::kCitationsColumn,
            SearchTexts::kAbstractColumn,        SearchTexts::kDoiColumn};
}

QByteArray csvHeader(const QStringList &columns = csvColumns())
{
    QByteArray out = kBom;
    csvLine(out, columns);
    return out;
}

// The header of the exports written before the DOI column came: such a file is still this program's own.
QByteArray csvHeaderWithoutDoi()
{
    return csvHeader(csvColumns().mid(0, csvColumns().size() - 1));
}

QStringList plainAuthors(const QStringList &authors)
{
    QStringList out;
    for (const QString &a : authors)
        if (const QString name = PlainCitationText(a); !name.isEmpty())
            out << name;
    return out;
}

// A DOI as the exports write it: the DOI found in the text, nothing else (a list file from elsewhere may hold
// anything in that column).
QString plainDoi(const QString &doi)
{
    return doi.isEmpty() ? QString() : FindDoi(doi);
}

// --- RIS ---

// Every tag holds one line; an address keeps its characters, only its line breaks go.
void risTag(QByteArray &out, const char *tag, const QString &line)
{
    if (line.isEmpty())
        return;
    out += tag;
    out += "  - ";
    out += line.toUtf8();
    out += kCrLf;
}

QString oneLineAddress(QString address)
{
    address.replace(u'\r', u' ');
    address.replace(u'\n', u' ');
    return address.trimmed();
}

// --- BibTeX ---

// Appends `plain` to `out` with what TeX reads as commands escaped and every brace a command, so the value stays
// balanced whatever it holds.
void appendBibtexEscaped(QString &out, QStringView plain)
{
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const QChar c = plain.at(i);
        switch (c.unicode()) {
        case '{':
            out += QLatin1String("\\textbraceleft{}");
            break;
        case '}':
            out += QLatin1String("\\textbraceright{}");
            break;
        case '\\':
            out += QLatin1String("\\textbackslash{}");
            break;
        case '~':
            out += QLatin1String("\\textasciitilde{}");
            break;
        case '^':
            out += QLatin1String("\\textasciicircum{}");
            break;
        case '-':
            // TeX reads "--" as a dash: each hyphen stays one.
            out += c;
            if (i + 1 < plain.size() && plain.at(i + 1) == u'-')
                out += QLatin1String("{}");
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
}

QString bibtexEscaped(QStringView plain)
{
    QString out;
    out.reserve(plain.size() + 8);
    appendBibtexEscaped(out, plain);
    return out;
}

// A capital after a word's first character (CO2, DNA, mRNA): styles that lowercase titles must leave it.
bool keepsCase(QStringView word)
{
    for (qsizetype i = 1; i < word.size(); ++i)
        if (word.at(i).isUpper())
            return true;
    return false;
}

QString bibtexTitle(const QString &plain)
{
    QString out;
    out.reserve(plain.size() + 16);
    qsizetype from = 0;
    while (from < plain.size()) {
        qsizetype to = plain.indexOf(u' ', from);
        if (to < 0)
            to = plain.size();
        const QStringView word = QStringView(plain).mid(from, to - from);
        if (!word.isEmpty()) {
            if (!out.isEmpty())
                out += u' ';
            const bool braced = keepsCase(word);
            if (braced)
                out += u'{';
            appendBibtexEscaped(out, word);
            if (braced)
                out += u'}';
        }
        from = to + 1;
    }
    return out;
}

// An author is one name to BibTeX unless " and " splits it or commas make it three parts or more: such a name is
// kept whole in braces.
QString bibtexAuthor(const QString &name)
{
    const QString escaped = bibtexEscaped(name);
    return name.contains(QStringLiteral(" and "), Qt::CaseInsensitive) || name.count(u',') > 1 ? u'{' + escaped + u'}'
                                                                                               : escaped;
}

// The address as it is: a reader takes the field verbatim. Only what BibTeX itself would read (braces,
// backslashes) and what ends a field (white space) is percent-encoded, as a browser sends those characters.
QString bibtexAddress(const QString &address)
{
    QString out;
    out.reserve(address.size());
    for (const QChar c : address) {
        if (c == u'{' || c == u'}' || c == u'\\' || c.isSpace() || c.unicode() < 0x20)
            out += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
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

QString asciiLettersAndDigits(const QString &text, bool capitalise)
{
    QString out;
    bool wordStart = true;
    for (const QChar c : text) {
        if (c.unicode() < 128 && c.isLetterOrNumber()) {
            out += capitalise && wordStart ? c.toUpper() : c;
            wordStart = false;
        } else {
            wordStart = true;
        }
    }
    return out;
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

ReferenceEncoder::ReferenceEncoder(ListFormat format) : m_format(format) {}

QByteArray ReferenceEncoder::head() const
{
    switch (m_format) {
    case ListFormat::Csv:
        return csvHeader();
    case ListFormat::Bibtex:
        return kBibtexHead;
    case ListFormat::Ris:
    case ListFormat::ListFile:
        break;
    }
    return {};
}

// The first author's family name in ASCII letters (the part before a comma, or the whole name), transliterated
// when it has none of its own: 张三 gives ZhangSan.
QString ReferenceEncoder::keyName(const QString &author)
{
    const QString family = author.section(u',', 0, 0);
    QString name = asciiLettersAndDigits(family, false);
    if (!name.isEmpty() || family.isEmpty())
        return name;
    auto known = m_keyNames.constFind(family);
    if (known == m_keyNames.constEnd())
        known = m_keyNames.insert(family, asciiLettersAndDigits(AsciiTransliteration(family), true));
    return *known;
}

QString ReferenceEncoder::bibtexKey(const ResultRow &row)
{
    const Citation &c = row.citation;
    QString base = keyName(c.authors.isEmpty() ? QString() : PlainCitationText(c.authors.first()));
    if (base.isEmpty())
        base = QStringLiteral("ref");
    base += asciiLettersAndDigits(c.year, false);
    // A base has no hyphen, so "base-n" never meets another base; BibTeX ignores letter case in keys.
    const int taken = m_keysTaken[base.toLower()]++;
    return taken == 0 ? base : base + u'-' + QString::number(taken + 1);
}

void ReferenceEncoder::append(QByteArray &out, const ResultRow &r)
{
    const Citation &c = r.citation;
    const QString title = PlainCitationText(r.title);
    const QStringList authors = plainAuthors(c.authors);
    const QString source = PlainCitationText(c.source);
    const QString abstract = PlainCitationText(c.abstract);
    switch (m_format) {
    case ListFormat::Csv:
        csvLine(out, {title, r.key, r.status, r.type, r.saveFolder, JoinedAuthors(authors), source, c.year, c.citations,
                      abstract, plainDoi(c.doi)});
        return;
    case ListFormat::Ris:
        risTag(out, "TY", source.isEmpty() ? QStringLiteral("GEN") : QStringLiteral("JOUR"));
        risTag(out, "DB", QString::fromLatin1(kRisDatabase));
        risTag(out, "TI", title);
        for (const QString &author : authors)
            risTag(out, "AU", author);
        risTag(out, "T2", source);
        risTag(out, "PY", PlainCitationText(c.year));
        risTag(out, "AB", abstract);
        risTag(out, "UR", oneLineAddress(r.key));
        risTag(out, "DO", plainDoi(c.doi));
        if (!c.citations.isEmpty())
            risTag(out, "N1", SearchTexts::kCitationsColumn + u':' + PlainCitationText(c.citations));
        out += "ER  - ";
        out += kCrLf;
        out += kCrLf;
        return;
    case ListFormat::Bibtex: {
        const bool article = !source.isEmpty();
        out += article ? "@article{" : "@misc{";
        out += bibtexKey(r).toUtf8();
        out += ",\n";
        bibtexField(out, "title", bibtexTitle(title));
        QStringList names;
        for (const QString &a : authors)
            names << bibtexAuthor(a);
        bibtexField(out, "author", names.join(QStringLiteral(" and ")));
        bibtexField(out, article ? "journal" : "howpublished", bibtexEscaped(source));
        bibtexField(out, "year", bibtexEscaped(PlainCitationText(c.year)));
        bibtexField(out, "url", bibtexAddress(r.key.trimmed()));
        // Read verbatim by BibTeX styles (they make a link of it), as the url is.
        bibtexField(out, "doi", bibtexAddress(plainDoi(c.doi)));
        bibtexField(out, "abstract", bibtexEscaped(abstract));
        if (!c.citations.isEmpty())
            bibtexField(out, "note",
                        SearchTexts::kCitationsColumn + u':' + bibtexEscaped(PlainCitationText(c.citations)));
        out += "}\n\n";
        return;
    }
    case ListFormat::ListFile:
        return;
    }
}

namespace {
QByteArray encoded(ListFormat format, const QList<ResultRow> &rows)
{
    ReferenceEncoder encoder(format);
    QByteArray out = encoder.head();
    for (const ResultRow &r : rows)
        encoder.append(out, r);
    return out;
}
} // namespace

QByteArray CsvText(const QList<ResultRow> &rows)
{
    return encoded(ListFormat::Csv, rows);
}

QByteArray RisText(const QList<ResultRow> &rows)
{
    return encoded(ListFormat::Ris, rows);
}

QByteArray BibtexText(const QList<ResultRow> &rows)
{
    return encoded(ListFormat::Bibtex, rows);
}

bool IsOwnReferenceFile(const QString &path, ListFormat format)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    switch (format) {
    case ListFormat::Csv: {
        const QByteArray header = csvHeader();
        const QByteArray older = csvHeaderWithoutDoi();
        const QByteArray start = file.read(std::max(header.size(), older.size()));
        return start.startsWith(header) || start.startsWith(older);
    }
    case ListFormat::Ris: {
        const QByteArray start = file.read(64);
        const qsizetype lineEnd = start.indexOf(kCrLf);
        return start.startsWith("TY  - ") && lineEnd > 0 &&
               start.mid(lineEnd + 2).startsWith("DB  - " + kRisDatabase + kCrLf);
    }
    case ListFormat::Bibtex:
        return file.read(kBibtexHead.size()) == kBibtexHead;
    case ListFormat::ListFile:
        break;
    }
    return false;
}

ReferenceFileWriter::ReferenceFileWriter(ListFormat format) : m_encoder(format) {}

namespace {
void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
} // namespace

bool ReferenceFileWriter::begin(const QString &path, QString *error)
{
    m_path = path;
    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(path, m_file->errorString()));
        m_file.reset();
        return false;
    }
    m_buffer = m_encoder.head();
    return true;
}

bool ReferenceFileWriter::flush(QString *error)
{
    if (m_file->write(m_buffer) != m_buffer.size()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(m_path, m_file->errorString()));
        m_file.reset();
        return false;
    }
    m_buffer.clear();
    return true;
}

bool ReferenceFileWriter::append(const ResultRow &row, QString *error)
{
    if (!m_file) {
        setError(error, QStringLiteral("%1 is not open for writing").arg(m_path));
        return false;
    }
    m_encoder.append(m_buffer, row);
    return m_buffer.size() < kFlushBytes || flush(error);
}

bool ReferenceFileWriter::finish(QString *error)
{
    if (!m_file) {
        setError(error, QStringLiteral("%1 is not open for writing").arg(m_path));
        return false;
    }
    if (!flush(error))
        return false;
    if (!m_file->commit()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(m_path, m_file->errorString()));
        m_file.reset();
        return false;
    }
    m_file.reset();
    return true;
}

bool WriteReferenceFile(const QString &path, ListFormat format, const QList<ResultRow> &rows, QString *error)
{
    if (format == ListFormat::ListFile) {
        setError(error, QStringLiteral("a list exchange file is not a reference format"));
        return false;
    }
    if (rows.isEmpty()) {
        setError(error, QStringLiteral("no rows to export; %1 is left as it was").arg(path));
        return false;
    }
    ReferenceFileWriter writer(format);
    if (!writer.begin(path, error))
        return false;
    for (const ResultRow &r : rows)
        if (!writer.append(r, error))
            return false;
    return writer.finish(error);
}
