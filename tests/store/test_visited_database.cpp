#include "core/search/ListExchange.h"
#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/StoreTexts.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/Clock.h"
#include "core/util/DataFolder.h"
#include "support/ScopedEnvironment.h"
#include "support/SmallDisk.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <cerrno>
#include <unistd.h>

namespace {

QByteArray password()
{
    return DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant));
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QByteArray firstBytes(const QString &path, int n)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

// name -> sql of every table and index the file holds.
QMap<QString, QString> schema(Database &db)
{
    QMap<QString, QString> out;
    Statement st(db, QStringLiteral("select name, sql from sqlite_master where type in ('table','index')"));
    while (st.next())
        out.insert(st.text(0), st.text(1));
    out.remove(QStringLiteral("sqlite_sequence"));
    return out;
}

struct Row {
    QString address;
    QString date;
    QString fileName;
};

QList<Row> visitRows()
{
    Database db;
    if (!db.open(DataFolder::filePath(QStringLiteral("zxdata.db")), password()))
        return {};
    QList<Row> rows;
    Statement st(db, QStringLiteral("select 网址, 日期, 文件名 from 访问表 order by id"));
    while (st.next())
        rows.append({st.text(0), st.text(1), st.text(2)});
    return rows;
}

} // namespace

class TestVisitedDatabase final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        CloseVisitedDatabase();
        Clock::reset();
    }

    void decodeStoredPassword_data()
    {
        QTest::addColumn<QString>("encoded");
        QTest::addColumn<QByteArray>("password");
        // Worked by hand: reverse, regroup 1,4,.. / 2,5,.. / 3,6,.., then read groups of three.
        QTest::newRow("two single bytes") << "493359" << QByteArray("AB");
        QTest::newRow("000 is byte 0") << "590300" << QByteArray("\0A", 2);
        QTest::newRow("O group with number") << "31520O" << QByteArray("\x39\x43"); // -50877 -> 0x3943
        QTest::newRow("OOO group") << "78O7OO" << QByteArray("\xFF\x85");           // -123 -> 0xFF85
        QTest::newRow("empty") << "" << QByteArray();
        QTest::newRow("rubbish does not crash") << "x?O" << QByteArray();
    }

    void decodeStoredPassword()
    {
        QFETCH(QString, encoded);
        QFETCH(QByteArray, password);
        QCOMPARE(DecodeStoredPassword(encoded), password);
    }

    void storedConstantGivesSeventeenSingleBytes()
    {
        const QString constant = QString::fromLatin1(kStoredPasswordConstant);
        QCOMPARE(constant.size(), 51);
        QVERIFY(std::all_of(constant.begin(), constant.end(), [](QChar c) { return c.isDigit(); }));
        const QByteArray pw = password();
        QCOMPARE(pw.size(), 17);
        QVERIFY(std::all_of(pw.begin(), pw.end(), [](char c) { return c > 32 && c < 127; }));
    }

    void firstRunCreatesAnEncryptedFileTheNextRunReads()
    {
        TestHome home;
        const QString path = home.filePath("zxdata.db");
        QString error;
        QVERIFY2(OpenVisitedDatabase(&error), qPrintable(error));
        QVERIFY(QFile::exists(path));
        QString a = "http://Example.org/Paper?id=1";
        QVERIFY(RecordVisitedAddress(a));
        CloseVisitedDatabase();

        // Encrypted: no SQLite header, and a plain sqlite3 cannot read it.
        QVERIFY(!firstBytes(path, 16).startsWith("SQLite format 3"));
        const QString sqlite3 = QStandardPaths::findExecutable("sqlite3");
        if (!sqlite3.isEmpty()) {
            QProcess p;
            p.start(sqlite3, {path, "select count(*) from sqlite_master;"});
            QVERIFY(p.waitForFinished(10000));
            QVERIFY2(p.exitCode() != 0, p.readAllStandardOutput().constData());
            QVERIFY(p.readAllStandardError().contains("not a database"));
        }
        // It is SQLCipher with our password: the sqlcipher shell reads it given the key.
        const QString sqlcipher = QStandardPaths::findExecutable("sqlcipher");
        if (!sqlcipher.isEmpty()) {
            QProcess p;
            p.start(sqlcipher, {path});
            QVERIFY(p.waitForStarted());
            p.write("PRAGMA key='" + password().replace("'", "''") + "';\nselect count(*) from 访问表;\n");
            p.closeWriteChannel();
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.readAllStandardOutput().trimmed(), QByteArray("1"));
        }

        // Table and the two indexes, made by exactly these statements.
        Database db;
        QVERIFY2(db.open(path, password()), qPrintable(db.lastError()));
        const auto s = schema(db);
        QCOMPARE(s.value("访问表"), QString::fromUtf16(VisitedDatabaseSql::kCreateVisitTable));
        QCOMPARE(s.value("idx_访问表网址"), QStringLiteral("CREATE INDEX idx_访问表网址 ON 访问表(网址)"));
        QCOMPARE(s.value("idx_访问表文件名"), QStringLiteral("CREATE INDEX idx_访问表文件名 ON 访问表(文件名)"));
        QCOMPARE(s.value("待下载表"), QStringLiteral("CREATE TABLE 待下载表(网址 nvarchar(500),运行 text)"));
        QCOMPARE(s.size(), 4);
        db.close();

        // A second process finds the row, in any case, and nothing else.
        QProcess probe;
        probe.start(VISITED_PROBE, {"HTTP://EXAMPLE.ORG/PAPER?ID=1", "http://example.org/paper?id=2"});
        QVERIFY(probe.waitForFinished(20000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput(), QByteArray("1\n0\n"));
    }

    void lookupAndRecord_data()
    {
        QTest::addColumn<QString>("recorded");
        QTest::addColumn<QString>("looked");
        QTest::addColumn<bool>("found");

        const QString longA = "http://h/" + QString(491, 'a');
        QTest::newRow("mixed case, other case") << "http://Host/A?B=C"
                                                << "HTTP://HOST/a?b=c" << true;
        QTest::newRow("quotes removed, looked up without") << "http://h/it's"
                                                           << "http://h/its" << true;
        QTest::newRow("without quotes, looked up with") << "http://h/its"
                                                        << "http://h/'it's'" << true;
        QTest::newRow("first 500 agree") << longA + "X" << longA + "yy" << true;
        QTest::newRow("differ within 500") << longA.left(499) + "X" << longA.left(499) + "Y" << false;
        QTest::newRow("sql text is only text") << "http://h/a\" or 1=1 --"
                                               << "http://h/b\" or 1=1 --" << false;
        QTest::newRow("wildcards are not wild") << "http://h/%"
                                                << "http://h/x" << false;
        QTest::newRow("chinese") << "http://h/论文?题=中文"
                                 << "HTTP://H/论文?题=中文" << true;
    }

    void lookupAndRecord()
    {
        QFETCH(QString, recorded);
        QFETCH(QString, looked);
        QFETCH(bool, found);

        TestHome home;
        QVERIFY(OpenVisitedDatabase());
        QVERIFY(!IsVisitedAddress(looked));
        QVERIFY(RecordVisitedAddress(recorded));
        QVERIFY(!recorded.contains('\'')); // the caller's text loses its quotes
        QCOMPARE(IsVisitedAddress(looked), found);
        QVERIFY(!looked.contains('\''));
        // Recording the same address again adds nothing.
        QCOMPARE(RecordVisitedAddress(looked), !found);
        QCOMPARE(visitRows().size(), found ? 1 : 2);
    }

    void storedRowsLookAsBefore()
    {
        TestHome home;
        Clock::advance(std::chrono::hours(24 * 40));
        QVERIFY(OpenVisitedDatabase());
        QString address = "http://Host/'Q'/" + QString(600, 'Z');
        QVERIFY(RecordVisitedAddress(address));
        const auto rows = visitRows();
        QCOMPARE(rows.size(), 1);
        const QString clean = "http://Host/Q/" + QString(600, 'Z');
        QCOMPARE(address, clean);
        QCOMPARE(rows[0].address, clean.toLower().left(500));
        QCOMPARE(rows[0].fileName, clean.left(300));
        QCOMPARE(rows[0].date, Clock::now().date().toString("yyyy-MM-dd"));
    }

    void badFilesFailClearlyAndStayUntouched_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("random bytes") << "random";
        QTest::newRow("plain sqlite") << "plain";
        QTest::newRow("other password") << "otherkey";
        QTest::newRow("damaged") << "damaged";
        QTest::newRow("our password, other tables") << "notable";
    }

    void badFilesFailClearlyAndStayUntouched()
    {
        QFETCH(QString, kind);
        TestHome home;
        const QString path = home.filePath("zxdata.db");
        if (kind == "random") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray junk;
            for (int i = 0; i < 8192; ++i)
                junk += char((i * 7919) % 251);
            f.write(junk);
        } else if (kind == "plain" || kind == "otherkey" || kind == "notable") {
            Database db;
            QVERIFY(db.create(path, kind == "plain"      ? QByteArray()
                                    : kind == "otherkey" ? QByteArray("secret")
                                                         : password()));
            QVERIFY(db.exec(kind == "notable" ? "CREATE TABLE other(x)"
                                              : QString::fromUtf16(VisitedDatabaseSql::kCreateVisitTable)));
        } else if (kind == "damaged") {
            QVERIFY(OpenVisitedDatabase());
            QString a = "http://a/";
            RecordVisitedAddress(a);
            CloseVisitedDatabase();
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(100);
            f.write(QByteArray(2000, '\x5a'));
        }
        const QByteArray before = fileHash(path);

        QString error;
        QVERIFY(!OpenVisitedDatabase(&error));
        QVERIFY(error.contains(path));
        QVERIFY(!IsVisitedDatabaseOpen());
        QString a = "http://a/";
        QVERIFY(!IsVisitedAddress(a));
        QVERIFY(!RecordVisitedAddress(a));
        QVERIFY(!IsVisitedAddress(a));
        QCOMPARE(fileHash(path), before);
    }

    void emptyFileOfOursIsFinished_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("zero bytes") << "zero";
        QTest::newRow("our password, no table") << "schemaless";
        QTest::newRow("zero bytes beside a stale journal") << "journal";
    }

    // A kill while the file is first made leaves it like this; it must not switch the skip rule off for good.
    void emptyFileOfOursIsFinished()
    {
        QFETCH(QString, kind);
        TestHome home;
        const QString path = home.filePath("zxdata.db");
        if (kind == "schemaless") {
            Database db;
            QVERIFY(db.create(path, password()));
            QVERIFY(db.exec("PRAGMA user_version=7")); // writes the first page, still without a table
            db.close();
            QVERIFY(QFileInfo(path).size() > 0);
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        if (kind == "journal") {
            QFile j(path + "-journal");
            QVERIFY(j.open(QIODevice::WriteOnly));
        }

        QString error;
        QVERIFY2(OpenVisitedDatabase(&error), qPrintable(error));
        QString a = "http://h/paper";
        QVERIFY(RecordVisitedAddress(a));
        CloseVisitedDatabase();

        QVERIFY(!firstBytes(path, 16).startsWith("SQLite format 3"));
        Database db;
        QVERIFY2(db.open(path, password()), qPrintable(db.lastError()));
        const auto s = schema(db);
        QCOMPARE(s.value("访问表"), QString::fromUtf16(VisitedDatabaseSql::kCreateVisitTable));
        QCOMPARE(s.size(), 4);
        db.close();
        QCOMPARE(visitRows().size(), 1);
    }

    void failedWritesAreToldOnceWithTheReason_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only file") << "readonly"
                                        << "readonly";
        QTest::newRow("locked by another program") << "locked"
                                                   << "locked";
        QTest::newRow("no room to grow a file") << "full" << qt_error_string(EFBIG);
    }

    void failedWritesAreToldOnceWithTheReason()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        TestHome home;
        const QString path = home.filePath("zxdata.db");
        QVERIFY(OpenVisitedDatabase());
        QString first = "http://h/first";
        QVERIFY(RecordVisitedAddress(first));
        CloseVisitedDatabase();

        if (kind == "full") {
            QProcess probe;
            probe.start(VISITED_PROBE, {"--record-without-room", "http://h/a", "http://h/b"});
            QVERIFY(probe.waitForFinished(20000));
            QCOMPARE(probe.exitCode(), 0);
            QCOMPARE(probe.readAllStandardOutput(), QByteArray("0\n0\n"));
            const QString told = QString::fromUtf8(probe.readAllStandardError());
            QCOMPARE(told.count(StoreTexts::kVisitedWriteFailed.section(u'（', 0, 0)), 1);
            QVERIFY2(told.contains("failed writes: 2\n"), qPrintable(told));
            QVERIFY2(told.contains(reason), qPrintable(told));
        } else {
            if (kind == "readonly") {
                if (geteuid() == 0)
                    QSKIP("file permissions do not bind the superuser");
                QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
            }
            Database holder;
            // The writes wait for the holder's lock, which it never lets go of here.
            const auto wait = Database::busyTimeout();
            Database::setBusyTimeout(std::chrono::milliseconds(50));
            if (kind == "locked") {
                QVERIFY(holder.open(path, password()));
                QVERIFY(holder.exec("BEGIN IMMEDIATE")); // readers go on, writers are refused
            }
            RecordingPrompt prompt;
            QVERIFY(OpenVisitedDatabase());
            QSignalSpy failed(&VisitedDatabaseEvents::instance(), &VisitedDatabaseEvents::writeFailed);
            QString a = "http://h/a";
            QString b = "http://h/b";
            QVERIFY(!RecordVisitedAddress(a));
            QVERIFY(!RecordVisitedAddress(b));
            Database::setBusyTimeout(wait);
            QCOMPARE(VisitedWriteFailures(), 2);
            QCOMPARE(failed.count(), 2);
            QCOMPARE(failed.last().at(0).toInt(), 2);
            QCOMPARE(prompt.entries.size(), 1);
            QCOMPARE(prompt.entries[0].icon, Prompt::Icon::Critical);
            QVERIFY2(prompt.entries[0].text.contains(reason), qPrintable(prompt.entries[0].text));
            QVERIFY(prompt.entries[0].text.contains(path));
            CloseVisitedDatabase();
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        }
        const auto rows = visitRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].address, first);
    }

    // A process killed in the middle of recording leaves a file that opens, holding every address whose record
    // had returned true.
    void killWhileRecordingKeepsAnsweredRows()
    {
        TestHome home;
        QVERIFY(OpenVisitedDatabase());
        CloseVisitedDatabase();
        QStringList addresses;
        for (int i = 0; i < 5000; ++i)
            addresses << QStringLiteral("http://h/paper?id=%1").arg(i);
        QProcess probe;
        probe.start(VISITED_PROBE, QStringList{"--record"} + addresses);
        QByteArray answered;
        while (answered.count('\n') < 100 && probe.waitForReadyRead(20000))
            answered += probe.readAllStandardOutput();
        probe.kill();
        QVERIFY(probe.waitForFinished(20000));
        answered += probe.readAllStandardOutput();
        const qsizetype acknowledged = answered.count("1\n");
        QVERIFY(acknowledged >= 100);
        QVERIFY(!answered.contains("0\n"));

        QString error;
        QVERIFY2(OpenVisitedDatabase(&error), qPrintable(error));
        for (qsizetype i = 0; i < acknowledged; ++i) {
            QString a = addresses.at(i);
            QVERIFY2(IsVisitedAddress(a), qPrintable(a));
        }
        Database db;
        QVERIFY(db.open(home.filePath("zxdata.db"), password()));
        Statement check(db, QStringLiteral("PRAGMA integrity_check"));
        QVERIFY(check.next());
        QCOMPARE(check.text(0), QStringLiteral("ok"));
    }

    void forgetTakesTheAddressOut()
    {
        TestHome home;
        QVERIFY(OpenVisitedDatabase());
        QString a = "http://H/it's";
        QString other = "http://h/other";
        QVERIFY(RecordVisitedAddress(a));
        QVERIFY(RecordVisitedAddress(other));
        QString again = "HTTP://h/it's";
        QVERIFY(ForgetVisitedAddress(again));
        QVERIFY(!ForgetVisitedAddress(again));
        QVERIFY(!IsVisitedAddress(a));
        QVERIFY(IsVisitedAddress(other));
        QVERIFY(RecordVisitedAddress(a));
    }

    // An address handed to the download list stays visited only once its download is saved; a run that ends before
    // (killed, closed) leaves it to be analysed again.
    void visitsAwaitingTheirDownloads_data()
    {
        QTest::addColumn<QString>("ending"); // what became of the download before the file was closed
        QTest::addColumn<bool>("visitedNow");
        QTest::addColumn<bool>("visitedNextRun");
        QTest::newRow("run ended first") << "none" << true << false;
        QTest::newRow("saved") << "saved" << true << true;
        QTest::newRow("failed") << "failed" << false << false;
    }
    void visitsAwaitingTheirDownloads()
    {
        QFETCH(QString, ending);
        QFETCH(bool, visitedNow);
        QFETCH(bool, visitedNextRun);
        TestHome home;
        QVERIFY(OpenVisitedDatabase());
        QString a = "http://h/awaiting";
        QString plain = "http://h/no-document";
        QString earlier = "http://h/earlier";
        QVERIFY(RecordVisitedAddress(plain));
        QVERIFY(RecordVisitedAwaitingDownload(earlier));
        SettleAwaitingDownload(earlier);
        CloseVisitedDatabase();

        QVERIFY(OpenVisitedDatabase());
        QVERIFY(RecordVisitedAwaitingDownload(a));
        QVERIFY(!RecordVisitedAwaitingDownload(a));
        if (ending == "saved")
            SettleAwaitingDownload(a);
        if (ending == "failed")
            QVERIFY(ForgetVisitedAddress(a));
        QCOMPARE(IsVisitedAddress(a), visitedNow);
        CloseVisitedDatabase();

        // Another process opens the file next, as a later run would.
        QProcess probe;
        probe.start(VISITED_PROBE, {a, plain, earlier});
        QVERIFY(probe.waitForFinished(20000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput(), QByteArray(visitedNextRun ? "1\n1\n1\n" : "0\n1\n1\n"));
    }

    // Several processes on one data folder: a run's pending visits belong to it, and another run opening the file
    // while it still downloads leaves them alone; once the run is gone (closed or killed), the next opening takes
    // them back.
    void pendingVisitsBelongToTheirRun_data()
    {
        QTest::addColumn<bool>("killed"); // how the run with pending downloads ends
        QTest::newRow("run closes") << false;
        QTest::newRow("run is killed") << true;
    }
    void pendingVisitsBelongToTheirRun()
    {
        QFETCH(bool, killed);
        TestHome home;
        QVERIFY(OpenVisitedDatabase());
        QString settled = "http://h/settled";
        QVERIFY(RecordVisitedAwaitingDownload(settled));
        SettleAwaitingDownload(settled);
        CloseVisitedDatabase();

        QProcess downloading;
        downloading.start(VISITED_PROBE, {"--await", "http://h/a", "http://h/b"});
        QByteArray answered;
        while (answered.count('\n') < 2 && downloading.waitForReadyRead(20000))
            answered += downloading.readAllStandardOutput();
        QCOMPARE(answered, QByteArray("1\n1\n"));

        // A second run (here, and in a process of its own) starts while the first one's downloads go on.
        QVERIFY(OpenVisitedDatabase());
        QString a = "http://h/a";
        QVERIFY(IsVisitedAddress(a));
        CloseVisitedDatabase();
        QProcess probe;
        probe.start(VISITED_PROBE, {"http://h/a", "http://h/b", "http://h/settled"});
        QVERIFY(probe.waitForFinished(20000));
        QCOMPARE(probe.readAllStandardOutput(), QByteArray("1\n1\n1\n"));

        if (killed) {
            downloading.kill();
        } else {
            downloading.closeWriteChannel();
        }
        QVERIFY(downloading.waitForFinished(20000));
        QVERIFY(OpenVisitedDatabase());
        QVERIFY(!IsVisitedAddress(a));
        QVERIFY(IsVisitedAddress(settled));
        CloseVisitedDatabase();
        // Nothing is left of the runs' lock files.
        QCOMPARE(QDir(home.filePath("zxdata.db-runs")).entryList(QDir::Files), QStringList());
    }

    // A file an earlier version left with pending marks (which name no run) gets its run column, and the marks are
    // taken back as that version's would have been.
    void marksOfAnEarlierVersionAreTakenBack()
    {
        TestHome home;
        QVERIFY(OpenVisitedDatabase());
        QString pending = "http://h/pending";
        QString done = "http://h/done";
        QVERIFY(RecordVisitedAddress(pending));
        QVERIFY(RecordVisitedAddress(done));
        CloseVisitedDatabase();
        {
            Database db;
            QVERIFY(db.open(home.filePath("zxdata.db"), password()));
            QVERIFY(db.exec("DROP TABLE 待下载表"));
            QVERIFY(db.exec("CREATE TABLE 待下载表(网址 nvarchar(500))"));
            QVERIFY(db.exec("INSERT INTO 待下载表(网址) VALUES('http://h/pending')"));
        }
        QVERIFY(OpenVisitedDatabase());
        QVERIFY(!IsVisitedAddress(pending));
        QVERIFY(IsVisitedAddress(done));
        QVERIFY(RecordVisitedAwaitingDownload(pending));
        CloseVisitedDatabase();
        Database db;
        QVERIFY(db.open(home.filePath("zxdata.db"), password()));
        Statement marks(db, QStringLiteral("select 网址, 运行 from 待下载表"));
        QVERIFY(marks.next());
        QCOMPARE(marks.text(0), pending);
        QVERIFY(!marks.text(1).isEmpty());
    }

    // Processes that record at the same time wait for each other's locks: every address of each is recorded and
    // no write fails.
    void processesRecordingAtOnceLoseNothing()
    {
        TestHome home;
        QVERIFY(OpenVisitedDatabase());
        CloseVisitedDatabase();
        constexpr int kEach = 400;
        QList<QStringList> addresses(3);
        std::vector<std::unique_ptr<QProcess>> probes;
        for (int p = 0; p < int(addresses.size()); ++p) {
            for (int i = 0; i < kEach; ++i)
                addresses[p] << QStringLiteral("http://h/%1/paper?id=%2").arg(p).arg(i);
            probes.push_back(std::make_unique<QProcess>());
            probes.back()->start(VISITED_PROBE, QStringList{p == 0 ? "--await" : "--record"} + addresses[p]);
        }
        // The first keeps its pending visits until the others have opened the file and recorded theirs.
        for (auto &probe : probes) {
            if (probe == probes.front())
                continue;
            QVERIFY(probe->waitForFinished(60000));
        }
        probes.front()->closeWriteChannel();
        QVERIFY(probes.front()->waitForFinished(60000));
        for (auto &probe : probes) {
            QCOMPARE(probe->exitCode(), 0);
            const QByteArray out = probe->readAllStandardOutput();
            QCOMPARE(out.count("1\n"), kEach);
            const QByteArray err = probe->readAllStandardError();
            QVERIFY2(err.contains("failed writes: 0\n"), err.constData());
        }
        QCOMPARE(visitRows().size(), int(addresses.size()) * kEach);
    }

    void listFile()
    {
        TestHome home;
        const QString path = home.filePath("list.zxul");
        {
            Database db;
            QString error;
            QVERIFY2(OpenOrCreateListFile(db, path, &error), qPrintable(error));
            const auto s = schema(db);
            QCOMPARE(s.keys(), QStringList{"导出表"});
            QCOMPARE(s.value("导出表"), QString::fromUtf16(VisitedDatabaseSql::kCreateExportTable));
            Transaction tx(db);
            Statement ins(db, "insert into 导出表(L0,L1,L2,L3,L4) values(?1,?2,?3,?4,?5)");
            ins.bind(1, QString("http://x/'1'"))
                .bind(2, QString("标题"))
                .bind(3, QString("成功"))
                .bind(4, QString("pdf"))
                .bind(5, QString("/tmp"));
            QVERIFY(ins.run());
            QVERIFY(tx.commit());
        }
        QVERIFY(!firstBytes(path, 16).startsWith("SQLite format 3"));
        Database db;
        QVERIFY(OpenOrCreateListFile(db, path));
        Statement st(db, "select L0, L1 from 导出表");
        QVERIFY(st.next());
        QCOMPARE(st.text(0), QStringLiteral("http://x/'1'"));
        QCOMPARE(st.text(1), QStringLiteral("标题"));
        QVERIFY(!st.next());
        QVERIFY(!st.failed());

        // Someone else's file is refused and left alone.
        const QString foreign = home.filePath("foreign.zxul");
        {
            Database other;
            QVERIFY(other.create(foreign, "another password"));
            QVERIFY(other.exec(QString::fromUtf16(VisitedDatabaseSql::kCreateExportTable)));
        }
        const QByteArray before = fileHash(foreign);
        Database refused;
        QString error;
        QVERIFY(!OpenOrCreateListFile(refused, foreign, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!refused.isOpen());
        QCOMPARE(fileHash(foreign), before);
    }

    // A full disk is called a full disk: neither a foreign or damaged file at start nor the complaint of a rollback
    // that found nothing to roll back. A real small file system fills up here, as a user's partition does: a size
    // limit of the process or of SQLite would fail with other words than the ones the user meets.
    void fullDiskIsCalledFull_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("opening the database at start") << "open";
        QTest::newRow("committing an export") << "export";
    }
    void fullDiskIsCalledFull()
    {
        QFETCH(QString, when);
        SmallDisk disk(64 * 1024);
        if (!disk.available())
            QSKIP(qPrintable(disk.why()));
        const QString full = qt_error_string(ENOSPC);
        QString error;
        if (when == "open") {
            ScopedEnvironment home("PAPERHARVEST_HOME", QFile::encodeName(disk.path()));
            QVERIFY(OpenVisitedDatabase());
            QString address = "http://h/a";
            QVERIFY(RecordVisitedAddress(address));
            CloseVisitedDatabase();
            QVERIFY(disk.fill());
            QVERIFY(!OpenVisitedDatabase(&error));
            disk.free();
            QVERIFY(OpenVisitedDatabase());
            QVERIFY(IsVisitedAddress(address));
        } else {
            // More than the disk holds, less than SQLite's page cache: the rows go in and the commit finds no room.
            QList<ListRecord> records;
            for (int i = 0; i < 400; ++i)
                records.append({QStringLiteral("http://h/%1").arg(i), QString(300, u'题'), {}, {}, {}, {}});
            QVERIFY(!ExportListFile(disk.filePath("list.zxul"), records, &error));
            QVERIFY(!QFileInfo::exists(disk.filePath("list.zxul")));
        }
        // SQLite says "database or disk is full" where a write found no room at all, and gives the system's
        // reason where one is behind it.
        QVERIFY2(error.contains(full) || error.contains("disk is full"), qPrintable(error));
        QVERIFY2(!error.contains("rollback") && !error.contains("not a database"), qPrintable(error));
    }

    void transactionRollsBackUnlessCommitted()
    {
        TestHome home;
        Database db;
        QVERIFY(db.create(home.filePath("t.db"), password()));
        QVERIFY(db.exec("create table t(x)"));
        {
            Transaction tx(db);
            QVERIFY(db.exec("insert into t values(1)"));
        }
        Statement count(db, "select count(*) from t");
        QVERIFY(count.next());
        QCOMPARE(count.integer(0), 0);
        Statement bad(db, "select nonsense from nowhere");
        QVERIFY(!bad.isValid());
        QVERIFY(!bad.lastError().isEmpty());
        QVERIFY(!bad.next());
    }
};

QTEST_GUILESS_MAIN(TestVisitedDatabase)
#include "test_visited_database.moc"
