#include "core/search/ListExchange.h"

#include "core/net/HttpRequest.h"
#include "core/search/ResultRow.h"
#include "core/search/SearchTexts.h"
#include "core/search/ServiceMarkup.h"
#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/ControlCharacters.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace {
// Stored lengths of L0..L4; longer values are cut before they are written.
constexpr int kKeyLength = 500;
constexpr int kTitleLength = 300;
constexpr int kStatusLength = 20;
constexpr int kTypeLength = 10;
constexpr int kFolderLength = 300;

const QString kCreateCitationTable = QStringLiteral(
    "CREATE TABLE 引文表(id INTEGER PRIMARY KEY, 作者 text, 来源 text, 年份 text, 被引量 text, 摘要 text)");
const QString kCitationColumns[5] = {QStringLiteral("作者"), QStringLiteral("来源"), QStringLiteral("年份"),
                                     QStringLiteral("被引量"), QStringLiteral("摘要")};

// True for the common shape of a web address, checked without building a QUrl (at 100 000 records that parse
// would be most of an import): "http://" or "https://" in any letter case, a host of letters, digits, dots and
// hyphens without empty labels, then nothing, or the path, query or fragment. Anything else (a port, user
// information, an unusual host) goes to IsWebAddress, which decides.
bool IsPlainWebAddress(const QString &key)
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
        QFile::remove(m_path + QStringLiteral(".partial"));
    }
}

bool ListFileWriter::begin(const QString &path, QString *error)
{
    abandon();
    m_path = path;
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    m_db = std::make_unique<Database>();
    if (!OpenOrCreateListFile(*m_db, partial, error)) {
        abandon();
        return false;
    }
    m_transaction = std::make_unique<Transaction>(*m_db);
    if (!m_transaction->isActive() || !m_db->exec(kCreateCitationTable)) {
        setError(error, m_db->lastError());
        abandon();
        return false;
    }
    m_insert =
        std::make_unique<Statement>(*m_db, QStringLiteral("INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES(?,?,?,?,?)"));
    m_insertCitation = std::make_unique<Statement>(
        *m_db, QStringLiteral("INSERT INTO 引文表(id,作者,来源,年份,被引量,摘要) VALUES(?,?,?,?,?,?)"));
    for (const Statement *s : {m_insert.get(), m_insertCitation.get()}) {
        if (!s->isValid()) {
            setError(error, s->lastError());
            abandon();
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
    m_insert->reset();
    m_insert->bind(1, r.key.left(kKeyLength))
        .bind(2, r.title.left(kTitleLength))
        .bind(3, r.status.left(kStatusLength))
        .bind(4, r.type.left(kTypeLength))
        .bind(5, r.folder.left(kFolderLength));
    if (!m_insert->run()) {
        setError(error, m_insert->lastError());
        abandon();
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
        .bind(6, c.abstract);
    if (m_insertCitation->run())
        return true;
    setError(error, m_insertCitation->lastError());
    abandon();
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
        setError(error, m_db->lastError());
        abandon();
        return false;
    }
    m_transaction.reset();
    m_db.reset();
    const QString partial = m_path + QStringLiteral(".partial");
    if (QFileInfo::exists(m_path) && !QFile::remove(m_path)) {
        QFile::remove(partial);
        setError(error, QStringLiteral("cannot replace %1").arg(m_path));
        return false;
    }
    if (!QFile::rename(partial, m_path)) {
        QFile::remove(partial);
        setError(error, QStringLiteral("cannot write %1").arg(m_path));
        return false;
    }
    return true;
}

bool ExportListFile(const QString &path, const QList<ListRecord> &records, QString *error)
{
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
    if (!db.open(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))))
        return false;
    const Statement probe(db, QStringLiteral("select L0,L1,L2,L3,L4 from 导出表 limit 0"));
    return probe.isValid();
}

ListFileReader::ListFileReader() = default;
ListFileReader::~ListFileReader() = default;

bool ListFileReader::open(const QString &path, QString *error)
{
    m_select.reset();
    m_db = std::make_unique<Database>();
    if (!QFileInfo(path).isFile()) {
        setError(error, QStringLiteral("%1: no such file").arg(path));
        return false;
    }
    if (!m_db->open(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant)))) {
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
    bool withCitations = false;
    {
        Statement probe(*m_db, QStringLiteral("select 1 from sqlite_master where type='table' and name='引文表'"));
        withCitations = probe.isValid() && probe.next();
    }
    // The citation table is optional, and a foreign one that does not read is as good as none.
    if (withCitations)
        m_select = std::make_unique<Statement>(
            *m_db, QStringLiteral("select 导出表.*, 引文表.作者, 引文表.来源, 引文表.年份, 引文表.被引量, 引文表.摘要 "
                                  "from 导出表 left join 引文表 on 引文表.id = 导出表.id"));
    if (!m_select || !m_select->isValid())
        m_select = std::make_unique<Statement>(*m_db, QStringLiteral("select * from 导出表"));
    if (!m_select->isValid()) {
        setError(error, m_select->lastError());
        return false;
    }
    // Columns by name: the table is id, L0..L4, but a file written elsewhere may order them differently.
    for (int c = 0; c < m_select->columnCount(); ++c) {
        const QString name = m_select->columnName(c).toUpper();
        if (name.size() == 2 && name[0] == QLatin1Char('L') && name[1] >= QLatin1Char('0') &&
            name[1] <= QLatin1Char('4'))
            m_column[name[1].unicode() - '0'] = c;
        for (int k = 0; k < 5; ++k)
            if (m_select->columnName(c) == kCitationColumns[k])
                m_citationColumn[k] = c;
    }
    if (m_column[0] < 0) {
        setError(error, QStringLiteral("%1: the list table has no L0 column").arg(path));
        return false;
    }
    return true;
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
    const auto text = [&](int l) { return m_column[l] >= 0 ? select.text(m_column[l]) : QString(); };
    // Compared as the file holds them, before any conversion: most records repeat the previous one's texts.
    const auto shared = [&](int l) {
        const QByteArrayView raw = m_column[l] >= 0 ? select.utf8(m_column[l]) : QByteArrayView();
        if (raw != QByteArrayView(m_lastUtf8[l])) {
            m_lastUtf8[l] = raw.toByteArray();
            m_lastText[l] = QString::fromUtf8(raw);
        }
        return m_lastText[l];
    };
    // A list file may come from anywhere: its titles lose what could act on a terminal or disguise a name, and a
    // key that is no web address (file:, data:) is not a row, as it could only make a download read the local disk.
    for (int n = 0; n < most; ++n) {
        if (!select.next()) {
            if (select.failed()) {
                setError(error, select.lastError());
                return false;
            }
            return true;
        }
        const QString key = text(0);
        if (!IsPlainWebAddress(key) && !IsWebAddress(key))
            continue;
        const auto cited = [&](int k) {
            return m_citationColumn[k] >= 0 ? select.text(m_citationColumn[k]) : QString();
        };
        ListRecord record{key, RemoveControlCharacters(text(1)), shared(2), shared(3), shared(4)};
        const bool anyCited = std::any_of(std::begin(m_citationColumn), std::end(m_citationColumn),
                                          [&](int c) { return c >= 0 && !select.isNull(c); });
        if (!anyCited) {
            out.append(std::move(record));
            continue;
        }
        // Through the same cleaning as a harvested block, so a file from elsewhere shows nothing that acts.
        QMap<QString, QStringList> parts;
        for (const QString &name : SplitAuthors(cited(0)))
            parts[ServiceMarkup::kAuthorsPart].append(name);
        parts[ServiceMarkup::kSourcePart] = {cited(1)};
        parts[ServiceMarkup::kYearPart] = {cited(2)};
        parts[ServiceMarkup::kCitationsPart] = {cited(3)};
        parts[ServiceMarkup::kAbstractPart] = {cited(4)};
        record.citation = CitationFromParts(parts);
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
