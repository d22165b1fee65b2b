#include "core/search/ListExchange.h"

#include "core/net/HttpRequest.h"
#include "core/search/ResultRow.h"
#include "core/search/SearchTexts.h"
#include "core/search/ServiceMarkup.h"
#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/ControlCharacters.h"
#include "core/util/DoiText.h"
#include "core/util/OneBlockTexts.h"
#include "core/util/Utf8Decoding.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {
// Stored lengths of L0..L4; longer values are cut before they are written.
constexpr int kKeyLength = 500;
constexpr int kTitleLength = 300;
constexpr int kStatusLength = 20;
constexpr int kTypeLength = 10;
constexpr int kFolderLength = 300;

// The longest citation texts read from a file; our exports never come near them.
constexpr int kAuthorsLength = 20000;
constexpr int kSourceLength = 300;
constexpr int kYearLength = 20;
constexpr int kCitationsLength = 20;
constexpr int kAbstractLength = 10000;
constexpr int kDoiLength = 300;
constexpr int kPagesLength = 20;
// More pages than any document has: a value beyond is not a page count.
constexpr int kMostPages = 1000000;

const QString kExportTable = QStringLiteral("导出表");
const QString kCitationTable = QStringLiteral("引文表");

// 作者 joins the names with "; " for readers that know only that column; 作者列表 holds them as a JSON array,
// which gives every name back whatever it holds. DOI and 页数 (what the saved PDF told; NULL while unknown) came
// later and stand last: a reader that names its columns, or takes the first seven, reads the table as before, and
// files without them read as rows whose PDF told nothing.
const QString kCreateCitationTable = QStringLiteral(
    "CREATE TABLE 引文表(id INTEGER PRIMARY KEY, 作者 text, 来源 text, 年份 text, 被引量 text, 摘要 text, "
    "作者列表 text, DOI text, 页数 integer)");
struct ColumnRead {
    QString name;
    int length;
};
const ColumnRead kListColumns[5] = {{QStringLiteral("L0"), kKeyLength + 1},
                                    {QStringLiteral("L1"), kTitleLength},
                                    {QStringLiteral("L2"), kStatusLength},
                                    {QStringLiteral("L3"), kTypeLength},
                                    {QStringLiteral("L4"), kFolderLength}};
const ColumnRead kCitationColumns[ListFileReader::kCitationColumnCount] = {
    {QStringLiteral("作者"), kAuthorsLength},  {QStringLiteral("来源"), kSourceLength},
    {QStringLiteral("年份"), kYearLength},     {QStringLiteral("被引量"), kCitationsLength},
    {QStringLiteral("摘要"), kAbstractLength}, {QStringLiteral("作者列表"), kAuthorsLength},
    {QStringLiteral("DOI"), kDoiLength},       {QStringLiteral("页数"), kPagesLength}};

// True for the common shape of a web address, checked without building a QUrl (at 100 000 records that parse
// would be most of an import): "http://" or "https://" in any letter case, a host of letters, digits, dots and
// hyphens without empty labels, then nothing, or the path, query or fragment. Anything else (a port, user
// information, an unusual host) goes to IsWebAddress, which decides.
bool IsPlainWebAddress(QStringView key)
{
    qsizetype at = 0;
    if (key.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        at = 8;
    else if (key.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
        at = 7;
    else
        return false;
    const qsizetype hostStart = at;
    QChar previous = QLatin1Char('.');
    for (; at < key.size(); ++at) {
        const QChar c = key.at(at);
        if (c == u'/' || c == u'?' || c == u'#')
            break;
        const bool letterOrDigit = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        if (!letterOrDigit && c != u'-' && c != u'.')
            return false;
        if (c == u'.' && previous == u'.')
            return false;
        previous = c;
    }
    return at > hostStart && previous != u'.' && key.at(hostStart) != u'-';
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
} // namespace

namespace {
// The columns of `table`, by name as written; nullopt when it is not a plain table of this file: a view would run
// a query of the file's making on every read. (A computed column, which a newer SQLite could put in a table, makes
// the schema unreadable to the library the program links, which refuses the file.)
std::optional<QStringList> plainTableColumns(Database &db, const QString &table)
{
    Statement kind(db, QStringLiteral("select type from sqlite_master where name = ?"));
    kind.bind(1, table);
    if (!kind.isValid() || !kind.next() || kind.text(0) != u"table")
        return std::nullopt;
    // The name is one of ours, never text from the file.
    Statement columns(db, QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
    QStringList names;
    while (columns.next())
        names.append(columns.text(1));
    if (columns.failed() || names.isEmpty())
        return std::nullopt;
    return names;
}

// The wanted columns the table has, as "table"."column" for the select; each one's place in the select, or -1, in
// `places`.
QStringList selectedColumns(const QString &table, const QStringList &has, const ColumnRead *wanted, int count,
                            int first, int *places)
{
    QStringList select;
    for (int k = 0; k < count; ++k) {
        places[k] = -1;
        for (const QString &name : has) {
            if (name.compare(wanted[k].name, Qt::CaseInsensitive) != 0)
                continue;
            // The name is one of ours, never the file's own text: it is checked against that list above.
            places[k] = first + int(select.size());
            select << QStringLiteral("%1.\"%2\"").arg(table, wanted[k].name);
            break;
        }
    }
    return select;
}

// At most `length` characters of a value as the file holds it (UTF-8): a title of 300 MB costs 300 characters
// instead of its copies as text. No character takes more than four bytes, so the first 4 × length bytes hold them.
QByteArrayView cappedBytes(QByteArrayView raw, int length)
{
    return raw.first(std::min<qsizetype>(raw.size(), qsizetype(length) * 4));
}

QString cappedText(QByteArrayView raw, int length)
{
    QString text = QString::fromUtf8(cappedBytes(raw, length));
    if (text.size() > length)
        text.truncate(length);
    return text;
}
} // namespace

ListRecord ToListRecord(const ResultRow &row)
{
    return {row.key, row.title, row.status, row.type, row.saveFolder, row.citation};
}

bool IsFailedOrUnanalysed(const QString &status)
{
    return status.isEmpty() || status.left(2) == SearchTexts::失败;
}

ListFileWriter::ListFileWriter() = default;

ListFileWriter::~ListFileWriter()
{
    abandon();
}

void ListFileWriter::abandon()
{
    m_insert.reset();
    m_insertCitation.reset();
    m_transaction.reset();
    if (m_db) {
        m_db.reset();
        QFile::remove(partialPath());
    }
}

QString ListFileWriter::partialPath() const
{
    return m_path + QStringLiteral(".partial");
}

void ListFileWriter::fail(QString *error, const QString &reason)
{
    // The file being written is ours; the user knows only the name they chose.
    QString shown = reason;
    shown.replace(partialPath(), m_path);
    setError(error, shown.contains(m_path) ? shown : QStringLiteral("cannot write %1: %2").arg(m_path, shown));
    abandon();
}

bool ListFileWriter::begin(const QString &path, QString *error)
{
    abandon();
    m_path = path;
    m_skippedLongKeys = 0;
    QFile::remove(partialPath());
    m_db = std::make_unique<Database>();
    QString reason;
    if (!OpenOrCreateListFile(*m_db, partialPath(), &reason)) {
        fail(error, reason);
        return false;
    }
    m_transaction = std::make_unique<Transaction>(*m_db);
    if (!m_transaction->isActive() || !m_db->exec(kCreateCitationTable)) {
        fail(error, m_db->lastError());
        return false;
    }
    m_insert =
        std::make_unique<Statement>(*m_db, QStringLiteral("INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES(?,?,?,?,?)"));
    m_insertCitation = std::make_unique<Statement>(
        *m_db, QStringLiteral(
                   "INSERT INTO 引文表(id,作者,来源,年份,被引量,摘要,作者列表,DOI,页数) VALUES(?,?,?,?,?,?,?,?,?)"));
    for (const Statement *s : {m_insert.get(), m_insertCitation.get()}) {
        if (!s->isValid()) {
            fail(error, s->lastError());
            return false;
        }
    }
    return true;
}

bool ListFileWriter::append(const ListRecord &r, QString *error)
{
    if (!m_insert) {
        setError(error, QStringLiteral("the list file is not open"));
        return false;
    }
    // A cut address would lead somewhere else once read back: such a row is left out, and counted.
    if (r.key.size() > kKeyLength) {
        ++m_skippedLongKeys;
        return true;
    }
    m_insert->reset();
    m_insert->bind(1, r.key.left(kKeyLength))
        .bind(2, r.title.left(kTitleLength))
        .bind(3, r.status.left(kStatusLength))
        .bind(4, r.type.left(kTypeLength))
        .bind(5, r.folder.left(kFolderLength));
    if (!m_insert->run()) {
        fail(error, m_insert->lastError());
        return false;
    }
    if (r.citation.isEmpty())
        return true;
    const Citation &c = r.citation;
    m_insertCitation->reset();
    m_insertCitation->bind(1, m_db->lastInsertRowId())
        .bind(2, JoinedAuthors(c.authors))
        .bind(3, c.source)
        .bind(4, c.year)
        .bind(5, c.citations)
        .bind(6, c.abstract)
        .bind(7, EncodedAuthors(c.authors));
    if (c.doi.isEmpty())
        m_insertCitation->bindNull(8);
    else
        m_insertCitation->bind(8, c.doi.left(kDoiLength));
    if (c.pages > 0)
        m_insertCitation->bind(9, qint64(c.pages));
    else
        m_insertCitation->bindNull(9);
    if (m_insertCitation->run())
        return true;
    fail(error, m_insertCitation->lastError());
    return false;
}

bool ListFileWriter::finish(QString *error)
{
    if (!m_insert) {
        setError(error, QStringLiteral("the list file is not open"));
        return false;
    }
    m_insert.reset();
    m_insertCitation.reset();
    if (!m_transaction->commit()) {
        fail(error, m_db->lastError());
        return false;
    }
    m_transaction.reset();
    m_db.reset();
    const QString partial = partialPath();
    // rename() replaces the old file in one step: no moment without either file under the name.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(m_path).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(partial);
        setError(error, QStringLiteral("cannot write %1: %2").arg(m_path, reason));
        return false;
    }
    return true;
}

bool ExportListFile(const QString &path, const QList<ListRecord> &records, QString *error)
{
    if (records.isEmpty()) {
        setError(error, QStringLiteral("no rows to export; %1 is left as it was").arg(path));
        return false;
    }
    ListFileWriter writer;
    if (!writer.begin(path, error))
        return false;
    for (const ListRecord &r : records)
        if (!writer.append(r, error))
            return false;
    return writer.finish(error);
}

bool IsListFile(const QString &path)
{
    Database db;
    if (!db.openReadOnly(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))) ||
        !db.exec(QStringLiteral("PRAGMA trusted_schema = OFF")))
        return false;
    const std::optional<QStringList> columns = plainTableColumns(db, kExportTable);
    return columns && columns->contains(QStringLiteral("L0"), Qt::CaseInsensitive);
}

ListFileReader::ListFileReader() = default;
ListFileReader::~ListFileReader() = default;

bool ListFileReader::open(const QString &path, QString *error)
{
    m_select.reset();
    m_skippedLongKeys = 0;
    m_db = std::make_unique<Database>();
    if (!QFileInfo(path).isFile()) {
        setError(error, QStringLiteral("%1: no such file").arg(path));
        return false;
    }
    if (!m_db->openReadOnly(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant)))) {
        setError(error, m_db->lastError());
        return false;
    }
    m_db->setInterruptCheck([this] { return m_cancelled.load(); });
    // A list file is data: only a real table of that name is read, never a view or computed columns.
    if (!m_db->exec(QStringLiteral("PRAGMA trusted_schema = OFF"))) {
        setError(error, m_db->lastError());
        return false;
    }
    const std::optional<QStringList> listColumns = plainTableColumns(*m_db, kExportTable);
    if (!listColumns) {
        setError(error, QStringLiteral("%1: the file has no list table 导出表").arg(path));
        return false;
    }
    // The citation table is optional, and a foreign one that does not read is as good as none.
    const std::optional<QStringList> citationColumns = plainTableColumns(*m_db, kCitationTable);
    if (!m_db->restrictReading({kExportTable, kCitationTable}, {QStringLiteral("coalesce"), QStringLiteral("max")})) {
        setError(error, m_db->lastError());
        return false;
    }
    {
        // The largest id rather than a count: it comes from the end of the table instead of a pass over every
        // page, and in the files the program writes the ids run from 1 without gaps.
        Statement count(*m_db, QStringLiteral("select coalesce(max(rowid), 0) from 导出表"));
        if (!count.isValid() || !count.next()) {
            setError(error, count.lastError());
            return false;
        }
        m_count = count.integer(0);
    }
    QStringList select = selectedColumns(kExportTable, *listColumns, kListColumns, 5, 0, m_column);
    if (m_column[0] < 0) {
        setError(error, QStringLiteral("%1: the list table has no L0 column").arg(path));
        return false;
    }
    // An empty citation table (a list without citations) costs nothing: no lookup per record.
    bool withCitations = false;
    if (citationColumns) {
        Statement any(*m_db, QStringLiteral("select 1 from 引文表 limit 1"));
        withCitations = any.isValid() && any.next();
    }
    if (withCitations) {
        select += selectedColumns(kCitationTable, *citationColumns, kCitationColumns, kCitationColumnCount,
                                  int(select.size()), m_citationColumn);
        m_select = std::make_unique<Statement>(*m_db, QStringLiteral("select %1 from 导出表 left join 引文表 on "
                                                                     "引文表.id = 导出表.rowid order by 导出表.rowid")
                                                          .arg(select.join(u',')));
    }
    if (!m_select || !m_select->isValid()) {
        select = selectedColumns(kExportTable, *listColumns, kListColumns, 5, 0, m_column);
        std::fill(std::begin(m_citationColumn), std::end(m_citationColumn), -1);
        m_select = std::make_unique<Statement>(
            *m_db, QStringLiteral("select %1 from 导出表 order by rowid").arg(select.join(u',')));
    }
    if (!m_select->isValid()) {
        setError(error, m_select->lastError());
        return false;
    }
    return true;
}

void ListFileReader::cancel()
{
    m_cancelled = true;
}

bool ListFileReader::read(int most, QList<ListRecord> &out, bool &atEnd, QString *error)
{
    atEnd = true;
    if (!m_select) {
        setError(error, QStringLiteral("the list file is not open"));
        return false;
    }
    Statement &select = *m_select;
    out.reserve(out.size() + most);
    const auto raw = [&](int l) { return m_column[l] >= 0 ? select.utf8(m_column[l]) : QByteArrayView(); };
    // Column l's value as QString::fromUtf8 gives it (DecodeUtf8), at most its column's length, in the reader's buffer:
    // the address first, the title after the room the longest address takes (UTF-8 never takes fewer bytes than UTF-16
    // takes code units), so that the two views stand side by side until the next record.
    m_decoded.resize(std::size_t(kListColumns[0].length + kListColumns[1].length) * 4);
    const auto decoded = [&](int l) {
        const QByteArrayView bytes = cappedBytes(raw(l), kListColumns[l].length);
        if (bytes.isNull())
            return QStringView();
        QChar *start = m_decoded.data() + (l == 0 ? 0 : kListColumns[0].length * 4);
        const QChar *end = DecodeUtf8(bytes, start);
        return QStringView(start, std::min<qsizetype>(end - start, kListColumns[l].length));
    };
    // Compared as the file holds them, before any conversion: most records repeat texts met a few records before.
    const auto shared = [&](int l) {
        const QByteArrayView bytes = cappedBytes(raw(l), kListColumns[l].length);
        QByteArray *utf8 = m_recentUtf8[l];
        QString *text = m_recentText[l];
        int at = 0;
        while (at < kRecentTexts - 1 && bytes != QByteArrayView(utf8[at]))
            ++at;
        if (bytes != QByteArrayView(utf8[at])) {
            // The least recent gives way.
            utf8[at] = bytes.toByteArray();
            text[at] = cappedText(bytes, kListColumns[l].length);
        }
        std::rotate(utf8, utf8 + at, utf8 + at + 1);
        std::rotate(text, text + at, text + at + 1);
        return text[0];
    };
    // A list file may come from anywhere: its titles lose what could act on a terminal or disguise a name, and a
    // key that is no web address (file:, data:) is not a row, as it could only make a download read the local disk.
    for (int n = 0; n < most; ++n) {
        if (!select.next()) {
            if (select.failed()) {
                setError(error, m_cancelled ? QStringLiteral("stopped") : select.lastError());
                return false;
            }
            return true;
        }
        // The address and the title go side by side into one block, as the list keeps a row's texts
        // (OneBlockTexts.h): decoded into the reader's own buffer first, they cost one allocation per record.
        const QStringView key = decoded(0);
        // Longer than its column: cut by whoever wrote it, it would lead somewhere else.
        if (key.size() > kKeyLength) {
            ++m_skippedLongKeys;
            continue;
        }
        if (!IsPlainWebAddress(key) && !IsWebAddress(key.toString()))
            continue;
        const QStringView title = decoded(1);
        ListRecord record{{}, {}, shared(2), shared(3), shared(4)};
        if (HasControlCharacters(title))
            PlaceInOneBlock({{key, record.key}, {RemoveControlCharacters(title.toString()), record.title}});
        else
            PlaceInOneBlock({{key, record.key}, {title, record.title}});
        const bool anyCited = std::any_of(std::begin(m_citationColumn), std::end(m_citationColumn),
                                          [&](int c) { return c >= 0 && !select.isNull(c); });
        if (!anyCited) {
            out.append(std::move(record));
            continue;
        }
        const auto cited = [&](int k) {
            return m_citationColumn[k] >= 0 ? cappedText(select.utf8(m_citationColumn[k]), kCitationColumns[k].length)
                                            : QString();
        };
        // Through the same cleaning as a harvested block, so a file from elsewhere shows nothing that acts.
        QMap<QString, QStringList> parts;
        const std::optional<QStringList> names = DecodedAuthors(cited(5));
        parts[ServiceMarkup::kAuthorsPart] = names ? *names : SplitAuthors(cited(0));
        parts[ServiceMarkup::kSourcePart] = {cited(1)};
        parts[ServiceMarkup::kYearPart] = {cited(2)};
        parts[ServiceMarkup::kCitationsPart] = {cited(3)};
        parts[ServiceMarkup::kAbstractPart] = {cited(4)};
        record.citation = CitationFromParts(parts);
        // Only a DOI and a count of pages, whatever the file holds there.
        record.citation.doi = FindDoi(cited(6));
        const int pages = cited(7).toInt();
        record.citation.pages = pages > 0 && pages <= kMostPages ? pages : 0;
        out.append(std::move(record));
    }
    atEnd = false;
    return true;
}

bool ReadListFile(const QString &path, const std::function<void(const ListRecord &)> &onRecord, QString *error)
{
    ListFileReader reader;
    if (!reader.open(path, error))
        return false;
    bool atEnd = false;
    while (!atEnd) {
        QList<ListRecord> batch;
        if (!reader.read(1000, batch, atEnd, error))
            return false;
        for (const ListRecord &r : std::as_const(batch))
            onRecord(r);
    }
    return true;
}

QString ExportFinishedText(qint64 fileBytes)
{
    const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    return SearchTexts::kExportFinished + grouped.toString(static_cast<double>(fileBytes) / 1024.0, 'f', 1) +
           QStringLiteral("KB");
}
