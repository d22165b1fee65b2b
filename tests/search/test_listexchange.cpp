#include "core/search/AddressList.h"
#include "core/search/ListExchange.h"
#include "core/search/ListExchangeRun.h"
#include "core/search/ResultListModel.h"
#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/ControlCharacters.h"
#include "core/util/DataFolder.h"
#include "core/util/TextFile.h"

#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

namespace {
QList<ListRecord> readAll(const QString &path)
{
    QList<ListRecord> out;
    QString error;
    const bool ok = ReadListFile(
        path, [&](const ListRecord &r) { out.append(r); }, &error);
    if (!ok)
        qWarning() << error;
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<ListRecord> numberedRecords(int n)
{
    QList<ListRecord> out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append({QStringLiteral("https://a/%1").arg(i), QStringLiteral("标题 %1").arg(i),
                    i % 3 == 0 ? QStringLiteral("成功") : QString(), QStringLiteral("htm"), QStringLiteral("/x")});
    return out;
}

// The window's side of an export or import, as a record of what it was asked to show.
class RecordingView final : public ListExchangeView
{
public:
    void showProgress(const QString &caption) override
    {
        captions << caption;
        panelShown = true;
    }
    void setProgress(int value, int maximum) override
    {
        values << value;
        this->maximum = maximum;
        if (listDisabled)
            valuesWhileDisabled << value;
    }
    void hideProgress() override { panelShown = false; }
    void setListEnabled(bool enabled) override { listDisabled = !enabled; }
    void rowsAdded() override { ++rowsAddedCalls; }

    QStringList captions;
    QList<int> values;
    QList<int> valuesWhileDisabled;
    int maximum = 0;
    bool panelShown = false;
    bool listDisabled = false;
    int rowsAddedCalls = 0;
};

void fill(ResultListModel &list, const QList<QPair<QString, QString>> &keyAndStatus)
{
    for (const auto &[key, status] : keyAndStatus)
        list.addRow({key, QStringLiteral("t ") + key, status, QStringLiteral("htm"), QStringLiteral("/f"), "page"});
}
} // namespace

class TestListExchange : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void refusedFiles_data();
    void refusedFiles();
    void sizes_data();
    void sizes();
    void exportCommand_data();
    void exportCommand();
    void exportFailureIsReported();
    void importCommand();
    void addressList_data();
    void addressList();
    void citationsInTheirOwnTable();
    void fileWithoutCitations();
    void pdfFactsInTheCitationTable();
    void pdfFactsOfOtherFiles_data();
    void pdfFactsOfOtherFiles();
    void hostileFiles_data();
    void hostileFiles();
    void fieldsCappedWhileReading();
    void longAddressesLeftOut();
    void emptySetLeavesTheFile();
    void bytesOfAnyShapeReadAsUtf8();
    void repeatedTextsHeldOnce();

    void exportWritesListOrderWithIdsAndCuts()
    {
        TestHome home;
        const QString file = home.filePath(QStringLiteral("list.zxul"));
        const QString longTitle(400, QChar(0x6587));
        const QList<ListRecord> rows{{"http://a/1", "第一", "成功", "pdf", "/x/"},
                                     {"http://a/2", longTitle, QString(30, QLatin1Char('s')), "htmlhtmlhtml", "/y/"},
                                     {"http://a/3", "third", "", "", ""}};
        QString error;
        QVERIFY2(ExportListFile(file, rows, &error), qPrintable(error));

        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(!raw.read(16).startsWith("SQLite format 3"));

        Database db;
        QVERIFY(OpenOrCreateListFile(db, file));
        Statement ids(db, QStringLiteral("select id, L0 from 导出表 order by id"));
        QList<qint64> seen;
        while (ids.next())
            seen << ids.integer(0);
        QCOMPARE(seen, (QList<qint64>{1, 2, 3}));

        const auto back = readAll(file);
        QCOMPARE(back.size(), 3);
        QCOMPARE(back[0].title, QStringLiteral("第一"));
        QCOMPARE(back[1].title.size(), 300);
        QCOMPARE(back[1].status.size(), 20);
        QCOMPARE(back[1].type, QStringLiteral("htmlhtmlh").append(QLatin1Char('t')));
        QCOMPARE(back[2].key, QStringLiteral("http://a/3"));
    }

    void exportReplacesAnExistingFileCompletely()
    {
        TestHome home;
        const QString file = home.filePath(QStringLiteral("list.zxul"));
        QVERIFY(ExportListFile(file, {{"http://a/1", "t", "", "", ""}, {"http://a/2", "t", "", "", ""}}));
        QVERIFY(ExportListFile(file, {{"http://a/3", "t", "", "", ""}}));
        const auto back = readAll(file);
        QCOMPARE(back.size(), 1);
        QCOMPARE(back[0].key, QStringLiteral("http://a/3"));
        QVERIFY(!QFile::exists(file + QStringLiteral(".partial")));
    }

    // A list file may come from anywhere: a row whose key is no web address is not imported, the others are.
    void importKeepsWebAddressesOnly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("kept");
        QTest::newRow("http") << "http://a/1" << true;
        QTest::newRow("HTTPS in capitals") << "HTTPS://a/2" << true;
        QTest::newRow("file") << "file:///etc/hostname" << false;
        QTest::newRow("file with a host") << "file://host/share/x.pdf" << false;
        QTest::newRow("data") << "data:application/pdf;base64,JVBERi0xLjQK" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("ftp") << "ftp://a/x.pdf" << false;
        QTest::newRow("a bare path") << "/etc/hostname" << false;
        QTest::newRow("no host") << "http:///x" << false;
    }
    void importKeepsWebAddressesOnly()
    {
        QFETCH(QString, key);
        QFETCH(bool, kept);
        TestHome home;
        const QString file = home.filePath(QStringLiteral("list.zxul"));
        QVERIFY(ExportListFile(file, {{"http://before/", "a", "", "", ""},
                                      {key, "b", "成功", "pdf", "/x/"},
                                      {"https://after/", "c", "", "", ""}}));
        QStringList keys;
        for (const ListRecord &r : readAll(file))
            keys << r.key;
        const QStringList expected = kept ? QStringList{"http://before/", key, "https://after/"}
                                          : QStringList{"http://before/", "https://after/"};
        QCOMPARE(keys, expected);
    }

    void failedExportKeepsTheOldFile()
    {
        TestHome home;
        const QString file = home.filePath(QStringLiteral("list.zxul"));
        QFile junk(file);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("user's own bytes");
        junk.close();
        QString error;
        QVERIFY(
            !ExportListFile(home.filePath(QStringLiteral("missing/dir/list.zxul")), {{"k", "t", "", "", ""}}, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(junk.open(QIODevice::ReadOnly));
        QCOMPARE(junk.readAll(), QByteArray("user's own bytes"));
    }

    void readingAForeignFileFailsCleanly()
    {
        TestHome home;
        const QString file = home.filePath(QStringLiteral("notours.zxul"));
        QFile junk(file);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        int calls = 0;
        QString error;
        QVERIFY(!ReadListFile(
            file, [&](const ListRecord &) { ++calls; }, &error));
        QCOMPARE(calls, 0);
        QVERIFY(!error.isEmpty());
    }

    // Only list files count: what --export refuses to replace.
    void isListFile_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<bool>("listFile");
        QTest::newRow("a list file") << QByteArray("list") << true;
        QTest::newRow("the visited-address database") << QByteArray("visited") << false;
        QTest::newRow("text") << QByteArray("text") << false;
        QTest::newRow("empty file") << QByteArray("empty") << false;
        QTest::newRow("missing") << QByteArray("missing") << false;
        QTest::newRow("folder") << QByteArray("folder") << false;
    }
    void isListFile()
    {
        QFETCH(QByteArray, kind);
        QFETCH(bool, listFile);
        TestHome home;
        const QString file = home.filePath(QStringLiteral("target"));
        if (kind == "list") {
            QVERIFY(ExportListFile(file, {{"k", "t", "", "", ""}}));
        } else if (kind == "visited") {
            QFile::remove(DataFolder::filePath(QStringLiteral("zxdata.db")));
            QVERIFY(OpenVisitedDatabase());
            CloseVisitedDatabase();
            QVERIFY(QFile::copy(DataFolder::filePath(QStringLiteral("zxdata.db")), file));
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(file));
        } else if (kind != "missing") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == "text")
                f.write("user's own notes\n");
        }
        const QByteArray before = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QCOMPARE(IsListFile(file), listFile);
        QFile f(file);
        QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), before);
    }

    // Titles from a file of unknown origin lose what would act on a terminal or disguise a name.
    void importedTitlesLoseControlCharacters()
    {
        TestHome home;
        const QString file = home.filePath(QStringLiteral("list.zxul"));
        QVERIFY(ExportListFile(file, {{"http://a/1", QStringLiteral("\x1b]0;x\x07title\u202e"), "", "", "/f\x01"}}));
        const auto back = readAll(file);
        QCOMPARE(back.size(), 1);
        QCOMPARE(back[0].title, QStringLiteral("]0;xtitle"));
        QCOMPARE(back[0].folder, QStringLiteral("/f\x01"));
    }

    void failedOrUnanalysedFilter_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("kept");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("failed download") << "失败(下载)" << true;
        QTest::newRow("failed bare") << "失败" << true;
        QTest::newRow("success") << "成功" << false;
        QTest::newRow("no pdf") << "无pdf" << false;
        QTest::newRow("skipped") << "跳过(文件存在)" << false;
    }
    void failedOrUnanalysedFilter()
    {
        QFETCH(QString, status);
        QFETCH(bool, kept);
        QCOMPARE(IsFailedOrUnanalysed(status), kept);
    }

    void finishedText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("12 KB") << qint64(12288) << "导出到文件完毕：12.0KB";
        QTest::newRow("rounded") << qint64(1536 + 51) << "导出到文件完毕：1.5KB";
        QTest::newRow("thousands") << qint64(1234567) << "导出到文件完毕：1,205.6KB";
        QTest::newRow("zero") << qint64(0) << "导出到文件完毕：0.0KB";
    }
    void finishedText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(ExportFinishedText(bytes), text);
    }
};

void TestListExchange::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("missing") << QByteArray("missing");
    QTest::newRow("plain text") << QByteArray("text");
    QTest::newRow("empty file") << QByteArray("empty");
    QTest::newRow("another password") << QByteArray("password");
    QTest::newRow("a foreign table") << QByteArray("schema");
    QTest::newRow("the visited-address database") << QByteArray("visited");
    QTest::newRow("cut off") << QByteArray("truncated");
}

// A file that is not a whole list file of ours fails with a reason, is never changed or created by the attempt,
// and what was read before a damaged part is all that arrives.
void TestListExchange::refusedFiles()
{
    QFETCH(QByteArray, kind);
    TestHome home;
    const QString file = home.filePath(QStringLiteral("in.zxul"));
    const QByteArray key = DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant));
    if (kind == "text" || kind == "empty") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == "text")
            f.write("https://wenku.baidu.com/view/1\r\n");
    } else if (kind == "password" || kind == "schema") {
        Database db;
        QVERIFY(db.create(file, kind == "password" ? QByteArray("another key") : key));
        QVERIFY(db.exec(kind == "password" ? QString::fromUtf16(VisitedDatabaseSql::kCreateExportTable)
                                           : QStringLiteral("create table 别的表(L9 text)")));
    } else if (kind == "visited") {
        QVERIFY(OpenVisitedDatabase());
        CloseVisitedDatabase();
        QVERIFY(QFile::copy(DataFolder::filePath(QStringLiteral("zxdata.db")), file));
    } else if (kind == "truncated") {
        QVERIFY(ExportListFile(file, numberedRecords(5000)));
        QFile f(file);
        QVERIFY(f.resize(f.size() / 2));
    }
    const QByteArray before = fileBytes(file);

    int arrived = 0;
    QString error;
    QVERIFY(!ReadListFile(
        file, [&](const ListRecord &) { ++arrived; }, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(QFile::exists(file), kind != "missing");
    QCOMPARE(fileBytes(file), before);
    QVERIFY(arrived < 5000);

    // The same file through the window's import: a message with the reason, the list keeps what arrived.
    RecordingPrompt prompt;
    ResultListModel list;
    RecordingView view;
    ListExchangeRun run(list, view);
    const int added = QCoro::waitFor(run.importFile(file));
    QCOMPARE(std::max(added, 0), list.rowCount());
    QCOMPARE(prompt.entries.size(), 1);
    QVERIFY2(prompt.entries[0].text.startsWith(QStringLiteral("导入数据文件失败：")),
             qPrintable(prompt.texts().join(u'|')));
    QCOMPARE(prompt.entries[0].icon, Prompt::Icon::Critical);
    QVERIFY(!view.panelShown);
    QVERIFY(!view.listDisabled);
    QVERIFY(!run.isRunning());
}

void TestListExchange::sizes_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("100 000") << 100000;
}

// Every record comes back in list order, through the file written in batches and read in batches.
void TestListExchange::sizes()
{
    QFETCH(int, rows);
    TestHome home;
    const QString file = home.filePath(QStringLiteral("big.zxul"));
    const QList<ListRecord> records = numberedRecords(rows);
    QString error;
    // Through the writer itself: the export commands write no file without rows, but a file may have none.
    ListFileWriter writer;
    QVERIFY2(writer.begin(file, &error), qPrintable(error));
    for (const ListRecord &r : records)
        QVERIFY2(writer.append(r, &error), qPrintable(error));
    QVERIFY2(writer.finish(&error), qPrintable(error));
    ListFileReader reader;
    QVERIFY2(reader.open(file, &error), qPrintable(error));
    QCOMPARE(reader.recordCount(), qint64(rows));
    QList<ListRecord> back;
    bool atEnd = false;
    while (!atEnd)
        QVERIFY(reader.read(ListExchangeRun::kBatch, back, atEnd, &error));
    QCOMPARE(back.size(), records.size());
    for (int i = 0; i < rows; i += std::max(1, rows / 97)) {
        QCOMPARE(back[i].key, records[i].key);
        QCOMPARE(back[i].title, records[i].title);
        QCOMPARE(back[i].status, records[i].status);
    }
    if (rows > 0)
        QCOMPARE(back.last().key, records.last().key);
}

// The window's export: the chosen rows in list order, the progress panel up while it writes, the size at the end.
void TestListExchange::exportCommand_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("caption");
    QTest::newRow("all") << int(ListExportSet::All)
                         << QStringList{"http://a/1", "http://a/2", "http://a/3", "http://a/4"}
                         << "正在导出全部列表到文件,请稍候...";
    QTest::newRow("failed and unanalysed")
        << int(ListExportSet::FailedOrUnanalysed) << QStringList{"http://a/2", "http://a/3"}
        << "正在导出未分析项和下载失败项到文件,请稍候...";
}
void TestListExchange::exportCommand()
{
    QFETCH(int, set);
    QFETCH(QStringList, keys);
    QFETCH(QString, caption);
    TestHome home;
    RecordingPrompt prompt;
    ResultListModel list;
    fill(list, {{"http://a/1", "成功"}, {"http://a/2", "失败(下载)"}, {"http://a/3", ""}, {"http://a/4", "无pdf"}});
    RecordingView view;
    ListExchangeRun run(list, view);
    const QString file = home.filePath(QStringLiteral("out.zxul"));
    QVERIFY(ExportListFile(file, numberedRecords(50)));
    QVERIFY(QCoro::waitFor(run.exportRows(file, ListExportSet(set))));
    QStringList back;
    for (const ListRecord &r : readAll(file))
        back << r.key;
    QCOMPARE(back, keys);
    QCOMPARE(view.captions, QStringList{caption});
    QVERIFY(!view.panelShown);
    QCOMPARE(view.maximum, 5);
    QCOMPARE(prompt.texts(), QStringList{ExportFinishedText(QFileInfo(file).size())});
}

// An export into a place that cannot be written says so; it never reports a size.
void TestListExchange::exportFailureIsReported()
{
    TestHome home;
    RecordingPrompt prompt;
    ResultListModel list;
    fill(list, {{"http://a/1", ""}});
    RecordingView view;
    ListExchangeRun run(list, view);
    const QString target = home.filePath(QStringLiteral("no/such/dir/x.zxul"));
    QVERIFY(!QCoro::waitFor(run.exportRows(target, ListExportSet::All)));
    QCOMPARE(prompt.entries.size(), 1);
    QVERIFY(prompt.entries[0].text.startsWith(QStringLiteral("导出到文件失败：")));
    // The message names the user's file, not the one written beside it.
    QVERIFY2(prompt.entries[0].text.contains(target) && !prompt.entries[0].text.contains(QStringLiteral(".partial")),
             qPrintable(prompt.entries[0].text));
    QVERIFY(!view.panelShown);

    // An empty list exports nothing and asks nothing.
    ResultListModel empty;
    ListExchangeRun none(empty, view);
    const QString file = home.filePath(QStringLiteral("empty.zxul"));
    QVERIFY(!QCoro::waitFor(none.exportRows(file, ListExportSet::All)));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(prompt.entries.size(), 1);
}

// The window's import: keys already in the list are refused and not counted; stored statuses stay; the list is
// disabled while it fills and the progress moves in batches.
void TestListExchange::importCommand()
{
    TestHome home;
    RecordingPrompt prompt;
    const QString file = home.filePath(QStringLiteral("in.zxul"));
    QList<ListRecord> records = numberedRecords(2500);
    QVERIFY(ExportListFile(file, records));
    ResultListModel list;
    fill(list, {{"https://a/7", "失败"}, {"https://a/2000", ""}, {"http://other/", ""}});
    RecordingView view;
    ListExchangeRun run(list, view);
    QCOMPARE(QCoro::waitFor(run.importFile(file)), 2498);
    QCOMPARE(list.rowCount(), 2501);
    QCOMPARE(list.row(0).status, QStringLiteral("失败"));
    QCOMPARE(list.row(3).key, QStringLiteral("https://a/0"));
    QCOMPARE(list.row(3).status, QStringLiteral("成功"));
    QCOMPARE(list.row(3).saveFolder, QStringLiteral("/x"));
    QVERIFY(list.row(3).sourcePage.isEmpty());
    QCOMPARE(prompt.texts(), QStringList{QStringLiteral("导入文件到列表完成，共成功导入：2498条数据。")});
    QCOMPARE(view.captions, QStringList{QStringLiteral("正在导入数据文件,请稍候...")});
    QCOMPARE(view.maximum, 2501);
    QCOMPARE(view.valuesWhileDisabled, (QList<int>{999, 1999, 2498}));
    QVERIFY(!view.listDisabled);
    QCOMPARE(view.rowsAddedCalls, 1);
}

void TestListExchange::addressList_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("qualifying");
    const QString p = QStringLiteral("https://wenku.baidu.com/view/");
    QTest::newRow("CR LF, blank lines, other sites")
        << QByteArray("gbk") << "  " + p + "a.html \r\n\r\nhttp://wenku.baidu.com/view/b\r\n文库清单\r\n" + p + "c\r\n"
        << QStringList{p + "a.html", p + "c"};
    QTest::newRow("LF only, duplicates kept")
        << QByteArray("utf-8") << p + "x\n" + p + "x\n\n" + p + "y" << QStringList{p + "x", p + "x", p + "y"};
    QTest::newRow("capitals qualify") << QByteArray("utf-8-bom") << "HTTPS://WENKU.BAIDU.COM/VIEW/Z\r\n"
                                      << QStringList{"HTTPS://WENKU.BAIDU.COM/VIEW/Z"};
    QTest::newRow("the prefix must begin the line")
        << QByteArray("gbk")
        << "见 " + p + "q\r\nhttps://wenku.baidu.com.evil/view/q\r\nhttps://wenku.baidu.com/viewer/q" << QStringList{};
    QTest::newRow("nothing") << QByteArray("utf-8") << QString() << QStringList{};
}

// Lines of an address list file in GBK or UTF-8: which qualify, and what the list makes of them.
void TestListExchange::addressList()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QString, text);
    QFETCH(QStringList, qualifying);
    TestHome home;
    const QString file = home.filePath(QStringLiteral("list.txt"));
    QByteArray bytes;
    if (encoding == "gbk")
        bytes = QStringEncoder("GB18030").encode(text);
    else
        bytes = (encoding == "utf-8-bom" ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const auto read = TextFile::readText(file);
    QVERIFY(read);
    const QStringList addresses = QualifyingAddresses(*read, QStringLiteral("https://wenku.baidu.com/view/"));
    QCOMPARE(addresses, qualifying);

    ResultListModel list;
    QCOMPARE(AddAddressRows(list, addresses, QStringLiteral("/save")), int(qualifying.size()));
    QCOMPARE(list.rowCount(), int(QSet<QString>(qualifying.begin(), qualifying.end()).size()));
    for (const ResultRow &row : list.rows()) {
        QCOMPARE(row.title, QStringLiteral("待定"));
        QCOMPARE(row.type, QStringLiteral("pdf"));
        QCOMPARE(row.saveFolder, QStringLiteral("/save"));
        QVERIFY(row.status.isEmpty());
    }
}

// Citations travel in a second table; the first keeps exactly its columns, and only cited rows get a citation row.
// Names come back whole whatever separators they hold.
void TestListExchange::citationsInTheirOwnTable()
{
    TestHome home;
    const QString file = home.filePath(QStringLiteral("cited.zxul"));
    const Citation cited{
        {QStringLiteral("张三"), QStringLiteral("O'Brien, \"Pat\""), QStringLiteral("Smith; Jr., Bob")},
        QStringLiteral("《计算机学报》{特刊}"),
        QStringLiteral("2019"),
        QStringLiteral("12"),
        QStringLiteral("摘要, 带逗号")};
    QList<ListRecord> records{{"http://a/1", "有引文", "", "htm", "/f", cited},
                              {"http://a/2", "无引文", "成功", "pdf", "/f", {}}};
    QVERIFY(ExportListFile(file, records));

    Database db;
    QVERIFY(OpenOrCreateListFile(db, file));
    Statement table(db, QStringLiteral("select * from 导出表"));
    QStringList columns;
    for (int c = 0; c < table.columnCount(); ++c)
        columns << table.columnName(c);
    QCOMPARE(columns, (QStringList{"id", "L0", "L1", "L2", "L3", "L4"}));
    Statement citations(db, QStringLiteral("select id, 作者 from 引文表"));
    QVERIFY(citations.next());
    QCOMPARE(citations.integer(0), qint64(1));
    QCOMPARE(citations.text(1), QStringLiteral("张三; O'Brien, \"Pat\"; Smith; Jr., Bob"));
    QVERIFY(!citations.next());

    const QList<ListRecord> back = readAll(file);
    QCOMPARE(back.size(), 2);
    QCOMPARE(back[0].citation.authors, cited.authors);
    QCOMPARE(back[0].citation.source, QStringLiteral("计算机学报》{特刊}").prepend(u'《'));
    QCOMPARE(back[0].citation.year, cited.year);
    QCOMPARE(back[0].citation.abstract, cited.abstract);
    QVERIFY(back[1].citation.isEmpty());
}

// A file that has only 导出表, as any other writer of the format makes it, imports with empty citations.
void TestListExchange::fileWithoutCitations()
{
    TestHome home;
    const QString file = home.filePath(QStringLiteral("plain.zxul"));
    {
        Database db;
        QVERIFY(OpenOrCreateListFile(db, file));
        Statement insert(db, QStringLiteral("INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES(?,?,?,?,?)"));
        insert.bind(1, QStringLiteral("http://a/1")).bind(2, QStringLiteral("标题")).bind(3, QStringLiteral("成功"));
        insert.bind(4, QStringLiteral("pdf")).bind(5, QStringLiteral("/f"));
        QVERIFY(insert.run());
    }
    RecordingPrompt prompt;
    ResultListModel list;
    ListExchangeView view;
    ListExchangeRun run(list, view);
    QCOMPARE(QCoro::waitFor(run.importFile(file)), 1);
    QCOMPARE(list.row(0).status, QStringLiteral("成功"));
    QVERIFY(list.row(0).citation.isEmpty());
}

namespace {
// A list file whose insides were written by hand: `sql` runs on a fresh, keyed file with its 导出表.
bool craftedFile(const QString &path, const QStringList &sql)
{
    Database db;
    if (!OpenOrCreateListFile(db, path))
        return false;
    for (const QString &statement : sql)
        if (!db.exec(statement)) {
            qWarning() << statement << db.lastError();
            return false;
        }
    return true;
}
} // namespace

namespace {
// What the sqlcipher shell, given the program's password, prints for `sql` on the file at `path` (one line per row,
// columns separated by "|"); a null array when the shell is missing or fails.
QByteArray sqlcipherShell(const QString &path, const QByteArray &sql)
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    if (shell.isEmpty())
        return {};
    QProcess p;
    p.start(shell, {QStringLiteral("-batch"), path});
    if (!p.waitForStarted())
        return {};
    p.write("PRAGMA key='" + DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant)).replace("'", "''") +
            "';\n" + sql + "\n");
    p.closeWriteChannel();
    if (!p.waitForFinished(20000) || p.exitCode() != 0) {
        qWarning() << p.readAllStandardError();
        return {};
    }
    return p.readAllStandardOutput().replace("ok\n", "");
}
} // namespace

// The saved PDF's DOI and page count go into the citation table's last two columns, as other readers see them
// (the sqlcipher shell): a reader that names the older columns reads them as before, and a row whose PDF told
// something but whose block showed no citation has its line too. The program reads them back.
void TestListExchange::pdfFactsInTheCitationTable()
{
    TestHome home;
    const QString file = home.filePath(QStringLiteral("facts.zxul"));
    Citation cited{{QStringLiteral("张三")}, QStringLiteral("计算机学报"), QStringLiteral("2021"), {}, {}};
    cited.doi = QStringLiteral("10.3969/j.issn.1001-3695.2021.05.012");
    cited.pages = 12;
    Citation pagesOnly;
    pagesOnly.pages = 3;
    QList<ListRecord> records{{"http://a/1", "有DOI", "成功", "pdf", "/f", cited},
                              {"http://a/2", "无引文", "", "htm", "/f", {}},
                              {"http://a/3", "只有页数", "成功", "pdf", "/f", pagesOnly}};
    QVERIFY(ExportListFile(file, records));

    const QByteArray facts = sqlcipherShell(file, "select id, DOI, 页数, typeof(页数) from 引文表 order by id;");
    if (facts.isNull())
        QSKIP("the sqlcipher shell is not installed");
    QCOMPARE(QString::fromUtf8(facts),
             QStringLiteral("1|10.3969/j.issn.1001-3695.2021.05.012|12|integer\n3||3|integer\n"));
    QCOMPARE(QString::fromUtf8(sqlcipherShell(file, "select id, 作者, 来源, 年份, 被引量, 摘要, 作者列表 from 引文表 "
                                                    "order by id;")),
             QStringLiteral("1|张三|计算机学报|2021|||[\"张三\"]\n3||||||[]\n"));
    QCOMPARE(QString::fromUtf8(sqlcipherShell(file, "select id, L0, L1 from 导出表 order by id;")),
             QStringLiteral("1|http://a/1|有DOI\n2|http://a/2|无引文\n3|http://a/3|只有页数\n"));

    const QList<ListRecord> back = readAll(file);
    QCOMPARE(back.size(), 3);
    QCOMPARE(back[0].citation, cited);
    QVERIFY(back[1].citation.isEmpty());
    QCOMPARE(back[2].citation, pagesOnly);
}

void TestListExchange::pdfFactsOfOtherFiles_data()
{
    QTest::addColumn<QString>("createCitations");
    QTest::addColumn<QString>("insertCitation");
    QTest::addColumn<QString>("doi");
    QTest::addColumn<int>("pages");
    // Written before the PDF's facts were kept: the table as it was then.
    QTest::newRow("citation table without the new columns")
        << "CREATE TABLE 引文表(id INTEGER PRIMARY KEY, 作者 text, 来源 text, 年份 text, 被引量 text, 摘要 text, "
           "作者列表 text)"
        << "INSERT INTO 引文表 VALUES(1,'张三','学报','2019','3','摘要','[\"张三\"]')"
        << "" << 0;
    // Another writer's values: only a DOI and a count of pages are taken.
    const QString full = QStringLiteral("CREATE TABLE 引文表(id INTEGER PRIMARY KEY, 作者 text, 来源 text, 年份 text, "
                                        "被引量 text, 摘要 text, 作者列表 text, DOI text, 页数 integer)");
    QTest::newRow("a DOI with its resolver, pages as text")
        << full << "INSERT INTO 引文表 VALUES(1,'张三','学报','2019','3','摘要',NULL,'https://doi.org/10.1000/abc','7')"
        << "10.1000/abc" << 7;
    QTest::newRow("no DOI at all, pages negative")
        << full << "INSERT INTO 引文表 VALUES(1,'张三','学报','2019','3','摘要',NULL,'javascript:alert(1)',-4)"
        << "" << 0;
    QTest::newRow("pages beyond any document, control characters")
        << full << "INSERT INTO 引文表 VALUES(1,'张三','学报','2019','3','摘要',NULL,char(27)||'[2J',99999999999)"
        << "" << 0;
}

// A file from elsewhere or from before: its citations read as they are, the PDF's facts only when they are what
// they claim to be.
void TestListExchange::pdfFactsOfOtherFiles()
{
    QFETCH(QString, createCitations);
    QFETCH(QString, insertCitation);
    QFETCH(QString, doi);
    QFETCH(int, pages);
    TestHome home;
    const QString file = home.filePath(QStringLiteral("other.zxul"));
    QVERIFY(craftedFile(file, {QStringLiteral("INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES('http://a/1','t','','','')"),
                               createCitations, insertCitation}));
    const QList<ListRecord> back = readAll(file);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].citation.authors, QStringList{QStringLiteral("张三")});
    QCOMPARE(back[0].citation.source, QStringLiteral("学报"));
    QCOMPARE(back[0].citation.doi, doi);
    QCOMPARE(back[0].citation.pages, pages);
}

void TestListExchange::hostileFiles_data()
{
    QTest::addColumn<QStringList>("sql");
    QTest::addColumn<int>("rows"); // -1: refused
    const QString drop = QStringLiteral("DROP TABLE 导出表");
    QTest::newRow("an endless recursive view")
        << QStringList{drop, "CREATE VIEW 导出表(id,L0,L1,L2,L3,L4) AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL "
                             "SELECT n+1 FROM r) SELECT n,'http://a/'||n,'t','','','' FROM r"}
        << -1;
    QTest::newRow("a view over another table")
        << QStringList{"CREATE TABLE other(L0,L1,L2,L3,L4)", "INSERT INTO other VALUES('http://a/1','t','','','')",
                       drop, "CREATE VIEW 导出表 AS SELECT rowid AS id, * FROM other"}
        << -1;
    QTest::newRow("a citation table that is a view")
        << QStringList{"INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES('http://a/1','t','','','')",
                       "CREATE VIEW 引文表(id,作者,来源,年份,被引量,摘要) AS WITH RECURSIVE r(n) AS (SELECT 1 UNION "
                       "ALL SELECT n+1 FROM r) SELECT 1,'a','b','2019','1','c' FROM r"}
        << 1;
}

// A list file is data, never a program: only a real table named 导出表 is read (the citation table only when it is
// one too); a view is refused at once instead of running.
void TestListExchange::hostileFiles()
{
    QFETCH(QStringList, sql);
    QFETCH(int, rows);
    TestHome home;
    const QString file = home.filePath(QStringLiteral("hostile.zxul"));
    QVERIFY(craftedFile(file, sql));
    QList<ListRecord> back;
    QString error;
    const bool ok = ReadListFile(
        file, [&](const ListRecord &r) { back.append(r); }, &error);
    QCOMPARE(ok, rows >= 0);
    if (rows < 0) {
        QVERIFY(error.contains(QStringLiteral("导出表")));
        QVERIFY(!IsListFile(file));
        return;
    }
    QCOMPARE(back.size(), rows);
    QVERIFY(back[0].citation.isEmpty());
}

// Every value is read at most as long as its column: a title of a million characters costs 300.
void TestListExchange::fieldsCappedWhileReading()
{
    TestHome home;
    const QString file = home.filePath(QStringLiteral("big.zxul"));
    QVERIFY(craftedFile(file, {"CREATE TABLE 引文表(id INTEGER PRIMARY KEY, 作者 text, 来源 text, 年份 text, "
                               "被引量 text, 摘要 text)"}));
    {
        const QString big(1000000, QChar(0x5b57));
        Database db;
        QVERIFY(OpenOrCreateListFile(db, file));
        Statement list(db, QStringLiteral("INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES('http://a/1',?,?,?,?)"));
        list.bind(1, big).bind(2, big).bind(3, big).bind(4, big);
        QVERIFY(list.run());
        Statement cited(db, QStringLiteral("INSERT INTO 引文表 VALUES(1,?,?,'2019','1',?)"));
        cited.bind(1, big).bind(2, big).bind(3, big);
        QVERIFY(cited.run());
    }
    const QList<ListRecord> back = readAll(file);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].title.size(), 300);
    QCOMPARE(back[0].status.size(), 20);
    QCOMPARE(back[0].type.size(), 10);
    QCOMPARE(back[0].folder.size(), 300);
    QVERIFY(back[0].citation.source.size() <= 300);
    QVERIFY(back[0].citation.abstract.size() <= 10000);
    QVERIFY(back[0].citation.authors.join(QString()).size() <= 20000);
}

// An address longer than its column would lead elsewhere once cut: the export leaves such a row out and says so,
// and the import skips one that a writer elsewhere stored whole.
void TestListExchange::longAddressesLeftOut()
{
    TestHome home;
    RecordingPrompt prompt;
    const QString longKey = QStringLiteral("https://a/") + QString(600, QLatin1Char('p'));
    ResultListModel list;
    fill(list, {{"https://a/1", ""}, {longKey, ""}});
    ListExchangeView view;
    ListExchangeRun run(list, view);
    const QString file = home.filePath(QStringLiteral("out.zxul"));
    QVERIFY(QCoro::waitFor(run.exportRows(file, ListExportSet::All)));
    QCOMPARE(prompt.texts(), QStringList{ExportFinishedText(QFileInfo(file).size()) +
                                         QStringLiteral("\n1条数据的网址超过500个字符，未导出。")});
    QCOMPARE(readAll(file).size(), 1);

    const QString foreign = home.filePath(QStringLiteral("foreign.zxul"));
    QVERIFY(craftedFile(foreign, {"INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES('" + longKey + "','t','','','')",
                                  "INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES('https://a/2','t','','','')"}));
    ResultListModel imported;
    ListExchangeRun importing(imported, view);
    QCOMPARE(QCoro::waitFor(importing.importFile(foreign)), 1);
    QCOMPARE(imported.row(0).key, QStringLiteral("https://a/2"));
    QVERIFY(prompt.texts().last().endsWith(QStringLiteral("1条数据的网址超过500个字符，未导入。")));
}

// An export with no row to write leaves the file of that name as it was, and says so.
void TestListExchange::emptySetLeavesTheFile()
{
    TestHome home;
    RecordingPrompt prompt;
    ResultListModel list;
    fill(list, {{"https://a/1", "成功"}});
    RecordingView view;
    ListExchangeRun run(list, view);
    const QString file = home.filePath(QStringLiteral("kept.zxul"));
    QVERIFY(ExportListFile(file, numberedRecords(22)));
    QVERIFY(!QCoro::waitFor(run.exportRows(file, ListExportSet::FailedOrUnanalysed)));
    QCOMPARE(readAll(file).size(), 22);
    QCOMPARE(prompt.texts(), QStringList{QStringLiteral("没有要导出的数据，文件未改动。")});
    QVERIFY(view.captions.isEmpty());
    QString error;
    QVERIFY(!ExportListFile(file, {}, &error));
    QCOMPARE(readAll(file).size(), 22);
}

// A file written elsewhere may hold any bytes. Addresses and titles read as Qt reads UTF-8 (a leading byte order
// mark dropped, broken sequences replaced), cut to their columns, record after record whatever their lengths, in
// the reader's records and in the list an import fills alike.
void TestListExchange::bytesOfAnyShapeReadAsUtf8()
{
    const QByteArray han = QStringLiteral("字").toUtf8();
    const QByteArray longPath = QStringLiteral("é").toUtf8().repeated(490);
    struct Case {
        QByteArray key;
        QByteArray title; // a null one is stored as NULL
    };
    const QList<Case> cases{
        {"https://a/1", "\xEF\xBB\xBF" + QStringLiteral("标题").toUtf8()},
        {"https://a/" + longPath, "a\xFF"
                                  "b\xC3"},
        {"https://a/2", han.repeated(299) + QStringLiteral("😀").toUtf8()},
        {"https://a/3", QByteArray()},
        {"https://a/4", QByteArray("")},
        {"https://a/" + longPath + "x", "one character too long: left out"},
        {"https://a/5\xE5\xAD", "\xE2\x80\xAE"
                                "control first"},
        {"\xEF\xBB\xBFhttps://a/6", "a byte order mark before the address"},
    };
    QStringList sql;
    for (const Case &c : cases)
        sql << QStringLiteral("INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES(CAST(X'%1' AS TEXT),%2,'','','')")
                   .arg(QString::fromLatin1(c.key.toHex()),
                        c.title.isNull()
                            ? QStringLiteral("NULL")
                            : QStringLiteral("CAST(X'%1' AS TEXT)").arg(QString::fromLatin1(c.title.toHex())));
    TestHome home;
    const QString file = home.filePath(QStringLiteral("bytes.zxul"));
    QVERIFY(craftedFile(file, sql));

    QList<QPair<QString, QString>> expected;
    for (const Case &c : cases) {
        const QString key = QString::fromUtf8(c.key);
        if (key.size() <= 500 && key.startsWith(QLatin1String("https://")))
            expected.append({key, RemoveControlCharacters(QString::fromUtf8(c.title).left(300))});
    }
    QCOMPARE(int(expected.size()), 7);
    QCOMPARE(expected[1].first.size(), 500);
    QCOMPARE(expected[2].second.size(), 300);
    QVERIFY(expected[3].second.isNull());
    QCOMPARE(expected[6].first, QStringLiteral("https://a/6"));

    const QList<ListRecord> back = readAll(file);
    RecordingPrompt prompt;
    ResultListModel list;
    ListExchangeView view;
    ListExchangeRun run(list, view);
    QCOMPARE(QCoro::waitFor(run.importFile(file)), int(expected.size()));
    QCOMPARE(int(back.size()), int(expected.size()));
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(back[i].key, expected[i].first);
        QCOMPARE(back[i].title, expected[i].second);
        QCOMPARE(back[i].title.isNull(), expected[i].second.isNull());
        QCOMPARE(list.row(i).key, expected[i].first);
        QCOMPARE(list.row(i).title, expected[i].second);
    }
}

// A list holds a handful of statuses, types and folders, mixed in any order: rows with the same one share one
// text instead of a copy each. More distinct texts than are kept at hand still read right.
void TestListExchange::repeatedTextsHeldOnce()
{
    const QStringList statuses{"", "成功", "失败(下载)", "跳过(已存在)", "失败(分析)"};
    const QStringList folders{"/a", "/b/深度学习"};
    QList<ListRecord> records;
    for (int i = 0; i < 60; ++i)
        records.append({QStringLiteral("https://a/%1").arg(i), QStringLiteral("t%1").arg(i), statuses[i % 5],
                        i < 30 ? QStringLiteral("pdf") : QStringLiteral("t%1").arg(i % 13), folders[i % 2]});
    TestHome home;
    const QString file = home.filePath(QStringLiteral("mixed.zxul"));
    QVERIFY(ExportListFile(file, records));
    const QList<ListRecord> back = readAll(file);
    QCOMPARE(back.size(), records.size());
    for (int i = 0; i < back.size(); ++i) {
        QCOMPARE(back[i].status, records[i].status);
        QCOMPARE(back[i].type, records[i].type);
        QCOMPARE(back[i].folder, records[i].folder);
        if (i >= 5 && !back[i].status.isEmpty())
            QVERIFY(back[i].status.isSharedWith(back[i % 5].status));
        if (i >= 2)
            QVERIFY(back[i].folder.isSharedWith(back[i % 2].folder));
    }
}

QTEST_GUILESS_MAIN(TestListExchange)
#include "test_listexchange.moc"
