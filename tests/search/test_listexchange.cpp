#include "core/search/ListExchange.h"
#include "core/store/Database.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/DataFolder.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
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
} // namespace

class TestListExchange : public QObject
{
    Q_OBJECT
private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TestListExchange)
#include "test_listexchange.moc"
