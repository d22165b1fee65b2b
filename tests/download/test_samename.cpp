#include "core/download/SameNameRules.h"

#include "core/download/BodyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SameNameOption)

namespace {

// Creates each file (a name ending in "/" makes a folder) with a few bytes that identify it.
bool populate(const QTemporaryDir &dir, const QStringList &entries)
{
    for (const QString &entry : entries) {
        if (entry.endsWith(QLatin1Char('/'))) {
            if (!QDir(dir.path()).mkpath(entry))
                return false;
            continue;
        }
        QFile file(dir.filePath(entry));
        if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) < 0)
            return false;
    }
    return true;
}

// Every file keeps the bytes it was created with: nothing was overwritten.
bool untouched(const QTemporaryDir &dir, const QStringList &entries)
{
    for (const QString &entry : entries) {
        if (entry.endsWith(QLatin1Char('/')))
            continue;
        QFile file(dir.filePath(entry));
        if (!file.open(QIODevice::ReadOnly) || file.readAll() != entry.toUtf8())
            return false;
    }
    return true;
}

} // namespace

class TestSameName : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void savePath_data()
    {
        QTest::addColumn<SameNameOption>("option");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("fileName"); // expected, inside the folder
        QTest::addColumn<QString>("shown");

        const auto rename = SameNameOption::Rename;
        QTest::newRow("free name") << rename << QStringList() << "report"
                                   << "pdf"
                                   << "report.pdf"
                                   << "report";
        QTest::newRow("taken once") << rename << QStringList{"report.pdf"} << "report"
                                    << "pdf"
                                    << "report[001].pdf"
                                    << "report[001]";
        QTest::newRow("taken twice") << rename << QStringList{"report.pdf", "report[001].pdf"} << "report"
                                     << "pdf"
                                     << "report[002].pdf"
                                     << "report[002]";
        QTest::newRow("number continued") << rename << QStringList{"report[7].pdf"} << "report[7]"
                                          << "pdf"
                                          << "report[007].pdf"
                                          << "report[007]";
        QTest::newRow("continued number taken")
            << rename << QStringList{"report[7].pdf", "report[007].pdf"} << "report[7]"
            << "pdf"
            << "report[008].pdf"
            << "report[008]";
        QTest::newRow("four digits after 999") << rename << QStringList{"report[999].pdf"} << "report[999]"
                                               << "pdf"
                                               << "report[1000].pdf"
                                               << "report[1000]";
        QTest::newRow("spaces inside the bracket, text after it")
            << rename << QStringList{"report[ 3 ]v2.pdf"} << "report[ 3 ]v2"
            << "pdf"
            << "report[003].pdf"
            << "report[003]";
        QTest::newRow("bracket zero") << rename << QStringList{"report[0].pdf"} << "report[0]"
                                      << "pdf"
                                      << "report.pdf"
                                      << "report";
        QTest::newRow("title brackets become corner marks") << rename << QStringList{"a[x]b.pdf"} << "a[x]b"
                                                            << "pdf"
                                                            << "a『x』b.pdf"
                                                            << "a『x』b";
        QTest::newRow("corner-mark name taken too") << rename << QStringList{"a[x]b.pdf", "a『x』b.pdf"} << "a[x]b"
                                                    << "pdf"
                                                    << "a『x』b[001].pdf"
                                                    << "a『x』b[001]";
        QTest::newRow("brackets the wrong way round") << rename << QStringList{"a]1[.pdf"} << "a]1["
                                                      << "pdf"
                                                      << "a』1『.pdf"
                                                      << "a』1『";
        QTest::newRow("number too large for a counter")
            << rename << QStringList{"x[99999999999].pdf"} << "x[99999999999]"
            << "pdf"
            << "x『99999999999』.pdf"
            << "x『99999999999』";
        QTest::newRow("no type") << rename << QStringList{"readme"} << "readme"
                                 << ""
                                 << "readme[001]"
                                 << "readme[001]";
        QTest::newRow("a folder in the way") << rename << QStringList{"report.pdf/"} << "report"
                                             << "pdf"
                                             << "report[001].pdf"
                                             << "report[001]";
        QTest::newRow("overwrite keeps an existing name")
            << SameNameOption::Overwrite << QStringList{"report[7].pdf"} << "report[7]"
            << "pdf"
            << "report[7].pdf"
            << "report[7]";
        QTest::newRow("overwrite, free name") << SameNameOption::Overwrite << QStringList() << "report"
                                              << "pdf"
                                              << "report.pdf"
                                              << "report";
        QTest::newRow("skip, free name") << SameNameOption::Skip << QStringList() << "report"
                                         << "pdf"
                                         << "report.pdf"
                                         << "report";
    }

    void savePath()
    {
        QFETCH(SameNameOption, option);
        QFETCH(QStringList, existing);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, fileName);
        QFETCH(QString, shown);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(populate(dir, existing));
        for (const QString &folder : {dir.path(), dir.path() + QLatin1Char('/')}) {
            QString shownName;
            const QString path = 重命名保存路径(folder, name, type, option, &shownName);
            QCOMPARE(path, dir.filePath(fileName));
            QCOMPARE(shownName, shown);
            if (option == SameNameOption::Rename)
                QVERIFY2(!QFileInfo::exists(path), "a renamed download must go to a free name");
        }
        QVERIFY(untouched(dir, existing));
    }

    // Another process downloading the same title into the same folder holds its name: the rename rule numbers
    // this one's (rather than both writing one body), and the name is free again once that download has ended.
    void nameHeldByAnotherProcess()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString target = dir.filePath(QStringLiteral("report.pdf"));
        QProcess other;
        other.start(QStringLiteral(BODY_HOLDER), {target});
        QVERIFY(other.waitForReadyRead(20000));
        QCOMPARE(other.readAllStandardOutput(), QByteArray("held\n"));

        QString shown;
        QCOMPARE(
            重命名保存路径(dir.path(), QStringLiteral("report"), QStringLiteral("pdf"), SameNameOption::Rename, &shown),
            dir.filePath(QStringLiteral("report[001].pdf")));
        QCOMPARE(shown, QStringLiteral("report[001]"));
        // The rule's own check: the body of the numbered name is this process's to write.
        BodyFile mine(dir.filePath(QStringLiteral("report[001].pdf")));
        QVERIFY(mine.open());

        other.closeWriteChannel();
        QVERIFY(other.waitForFinished(20000));
        QCOMPARE(other.exitCode(), 0);
        QCOMPARE(
            重命名保存路径(dir.path(), QStringLiteral("report"), QStringLiteral("pdf"), SameNameOption::Rename, &shown),
            target);
    }

    void skipSettlesExistingFile_data()
    {
        QTest::addColumn<SameNameOption>("option");
        QTest::addColumn<QString>("fileOnDisk"); // empty: none
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("needed");

        QTest::newRow("skip, file exists") << SameNameOption::Skip << "report.pdf"
                                           << "pdf" << false;
        QTest::newRow("skip, other letter case is another file") << SameNameOption::Skip << "report.PDF"
                                                                 << "pdf" << true;
        QTest::newRow("skip, no type") << SameNameOption::Skip << "report"
                                       << "" << false;
        QTest::newRow("skip, no file") << SameNameOption::Skip << ""
                                       << "pdf" << true;
        QTest::newRow("overwrite, file exists") << SameNameOption::Overwrite << "report.pdf"
                                                << "pdf" << true;
        QTest::newRow("rename, file exists") << SameNameOption::Rename << "report.pdf"
                                             << "pdf" << true;
    }

    void skipSettlesExistingFile()
    {
        QFETCH(SameNameOption, option);
        QFETCH(QString, fileOnDisk);
        QFETCH(QString, type);
        QFETCH(bool, needed);

        QTemporaryDir dir;
        if (!fileOnDisk.isEmpty()) {
            QFile file(dir.filePath(fileOnDisk));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(QByteArray(1234, 'p')), qint64(1234));
        }
        for (const QString &folder : {dir.path(), dir.path() + QLatin1Char('/')}) {
            DownloadItem item;
            item.address = QStringLiteral("http://example.org/report.pdf");
            item.folder = folder;
            item.name = QStringLiteral("report");
            item.type = type;
            const DownloadItem before = item;
            QCOMPARE(确定是需要下载(item, option), needed);
            if (needed) {
                QCOMPARE(item.state, before.state);
                QVERIFY(item.size.isEmpty() && item.downloaded.isEmpty() && item.percent.isEmpty());
            } else {
                QCOMPARE(item.state, ItemState::Done);
                QCOMPARE(item.size, QStringLiteral("1234"));
                QCOMPARE(item.downloaded, QStringLiteral("1234"));
                QCOMPARE(item.percent, QStringLiteral("已存在，跳过"));
            }
        }
    }

    void missingFilesAreMarked()
    {
        QTemporaryDir dir;
        QFile present(dir.filePath(QStringLiteral("kept.pdf")));
        QVERIFY(present.open(QIODevice::WriteOnly));
        present.close();

        DownloadItem deleted;
        deleted.folder = dir.path() + QLatin1Char('/');
        deleted.name = QStringLiteral("deleted");
        deleted.type = QStringLiteral("pdf");
        deleted.state = ItemState::Done;
        deleted.percent = QStringLiteral("100%");
        QVERIFY(MarkRowIfFileMissing(deleted));
        QCOMPARE(deleted.percent, QStringLiteral("不存在"));
        QCOMPARE(deleted.state, ItemState::Done);

        DownloadItem kept = deleted;
        kept.name = QStringLiteral("kept");
        kept.percent = QStringLiteral("100%");
        QVERIFY(!MarkRowIfFileMissing(kept));
        QCOMPARE(kept.percent, QStringLiteral("100%"));
    }

    void captionsRoundTrip()
    {
        for (const SameNameOption option : {SameNameOption::Skip, SameNameOption::Overwrite, SameNameOption::Rename})
            QCOMPARE(SameNameOptionFromCaption(QLatin1Char(' ') + SameNameCaption(option) + QLatin1Char(' ')), option);
        QCOMPARE(SameNameOptionFromCaption(QStringLiteral("unknown")), SameNameOption::Rename);
        QCOMPARE(SameNameCaption(SameNameOption::Skip), QStringLiteral("跳过"));
        QCOMPARE(SameNameCaption(SameNameOption::Overwrite), QStringLiteral("覆盖"));
        QCOMPARE(SameNameCaption(SameNameOption::Rename), QStringLiteral("重命名"));
    }
};

QTEST_GUILESS_MAIN(TestSameName)
#include "test_samename.moc"
