// Saved files checked as the downloads leave them: PDFs made here with QPdfWriter (Chinese titles, several pages),
// one cut at half its length, one locked with qpdf, an HTML page named .pdf, a PDF of another paper, one without
// a title of its own and one whose XMP names its DOI. Every file goes through the checker's worker thread and comes
// back as a signal.

#include "PdfFixtures.h"
#include "core/pdfcheck/PdfCheckTexts.h"
#include "core/pdfcheck/PdfChecker.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kTitle = QStringLiteral("基于深度学习的学术文献自动获取方法研究");
const QString kDoi = QStringLiteral("10.3969/j.issn.1001-3695.2021.05.012");
} // namespace

class TestPdfCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void verdicts_data();
    void verdicts();
    void checksInOrderAndSaysWhenAllCame();
    void leavesTheFileAsItWas();
    void pacedChecksAllComeBack();

private:
    QTemporaryDir m_dir;

    QString m_good;
};

void TestPdfCheck::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_good = m_dir.filePath(QStringLiteral("good.pdf"));
    QVERIFY(WritePdf(m_good, {kTitle, kTitle, QStringLiteral("DOI: ") + kDoi, 3}));
}

void TestPdfCheck::verdicts_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("rowTitle");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("doi");

    QTest::newRow("good") << "good.pdf" << kTitle << "ok" << 3 << kDoi;
    QTest::newRow("good, row title in another width and spacing")
        << "good.pdf" << QStringLiteral("基于深度学习的 学术文献自动获取方法研究…") << "ok" << 3 << kDoi;
    QTest::newRow("cut at half") << "half.pdf" << kTitle << "damaged" << 0 << "";
    // Poppler opens this one with all its pages; the missing end still makes it damaged.
    QTest::newRow("cut just before %%EOF") << "noeof.pdf" << kTitle << "damaged" << 0 << "";
    QTest::newRow("locked with a password") << "locked.pdf" << kTitle << "encrypted" << 0 << "";
    QTest::newRow("html page named pdf") << "login.pdf" << kTitle << "not-pdf" << 0 << "";
    QTest::newRow("another paper") << "other.pdf" << kTitle << "other-paper" << 2 << "";
    QTest::newRow("another paper, short row title") << "other.pdf" << QStringLiteral("深度学习") << "ok" << 2 << "";
    QTest::newRow("no title of its own, first page has it") << "untitled.pdf" << kTitle << "ok" << 1 << "";
    QTest::newRow("missing file") << "nowhere.pdf" << kTitle << "damaged" << 0 << "";
    // The first page cites another paper's DOI without a label; the document's XMP names its own.
    QTest::newRow("DOI in the XMP before one the first page cites")
        << "xmpdoi.pdf" << kTitle << "ok" << 1 << QStringLiteral("10.1016/j.knosys.2020.106123");
}

void TestPdfCheck::verdicts()
{
    QFETCH(QString, file);
    QFETCH(QString, rowTitle);
    QFETCH(QString, key);
    QFETCH(int, pages);
    QFETCH(QString, doi);

    const QString path = m_dir.filePath(file);
    if (file == QLatin1String("half.pdf"))
        QVERIFY(WriteFirstHalf(m_good, path));
    else if (file == QLatin1String("noeof.pdf"))
        QVERIFY(WriteAllBut(m_good, path, 7));
    else if (file == QLatin1String("locked.pdf") && !LockWithPassword(m_good, path))
        QSKIP("qpdf is not installed");
    else if (file == QLatin1String("login.pdf")) {
        QFile html(path);
        QVERIFY(html.open(QIODevice::WriteOnly));
        html.write("<!DOCTYPE html><html><head><title>登录</title></head><body><form>用户名 密码</form></body></html>");
    } else if (file == QLatin1String("other.pdf"))
        QVERIFY(WritePdf(path, {QStringLiteral("农村劳动力转移对农民收入的影响分析"),
                                QStringLiteral("农村劳动力转移对农民收入的影响分析"), QString(), 2}));
    else if (file == QLatin1String("untitled.pdf"))
        QVERIFY(WritePdf(path, {QString(), kTitle, QString(), 1}));
    else if (file == QLatin1String("xmpdoi.pdf"))
        QVERIFY(WritePdf(path, {kTitle, kTitle, QStringLiteral("After 10.1007/s11192-019-03217-6 we ask"), 1,
                                "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
                                "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                                "rdf:about='' xmlns:prism='http://prismstandard.org/namespaces/basic/2.0/'>"
                                "<prism:doi>10.1016/j.knosys.2020.106123</prism:doi></rdf:Description></rdf:RDF>"
                                "</x:xmpmeta><?xpacket end='w'?>"}));

    PdfChecker checker;
    QSignalSpy spy(&checker, &PdfChecker::checked);
    checker.check(QStringLiteral("row"), path, rowTitle);
    QCOMPARE(checker.pending(), 1);
    QVERIFY(spy.wait(20000));
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("row"));
    const PdfReport report = spy.at(0).at(1).value<PdfReport>();
    QCOMPARE(VerdictKey(report.verdict), key);
    QCOMPARE(report.pages, pages);
    QCOMPARE(report.doi, doi);
    QCOMPARE(checker.pending(), 0);
}

void TestPdfCheck::checksInOrderAndSaysWhenAllCame()
{
    const QString html = m_dir.filePath(QStringLiteral("page.pdf"));
    QFile file(html);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
    file.close();

    PdfChecker checker;
    QSignalSpy verdicts(&checker, &PdfChecker::checked);
    QSignalSpy done(&checker, &PdfChecker::allChecked);
    checker.check(QStringLiteral("a"), m_good, kTitle);
    checker.check(QStringLiteral("b"), html, kTitle);
    checker.check(QStringLiteral("c"), m_good, QString());
    QVERIFY(done.wait(20000));
    QCOMPARE(done.count(), 1);
    QCOMPARE(verdicts.count(), 3);
    QStringList seen;
    for (const QList<QVariant> &args : verdicts)
        seen << args.at(0).toString() + QLatin1Char('=') + VerdictText(args.at(1).value<PdfReport>());
    QCOMPARE(seen, (QStringList{QStringLiteral("a=") + PdfCheckTexts::k完好页数.arg(3),
                                QStringLiteral("b=") + PdfCheckTexts::k非PDF,
                                QStringLiteral("c=") + PdfCheckTexts::k完好页数.arg(3)}));
}

// The check only reads: not even the access time changes. A file just saved has an access time older than its
// change, which the system would otherwise update at the first read, a write to the disk for every check.
void TestPdfCheck::leavesTheFileAsItWas()
{
    const QString path = m_dir.filePath(QStringLiteral("untouched.pdf"));
    QVERIFY(QFile::copy(m_good, path));
    const QDateTime longAgo(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(longAgo, QFileDevice::FileAccessTime));
    }
    PdfChecker checker;
    QSignalSpy spy(&checker, &PdfChecker::checked);
    checker.check(QStringLiteral("row"), path, kTitle);
    QVERIFY(spy.wait(20000));
    QCOMPARE(VerdictKey(spy.at(0).at(1).value<PdfReport>().verdict), QStringLiteral("ok"));
    QCOMPARE(QFileInfo(path).fileTime(QFileDevice::FileAccessTime), longAgo);
}

// While transfers run the checks rest between files (a rest as long as four checks), and every verdict still
// comes back, in order, also when the pacing ends half-way.
void TestPdfCheck::pacedChecksAllComeBack()
{
    PdfChecker checker;
    checker.setPaced(true);
    QSignalSpy verdicts(&checker, &PdfChecker::checked);
    QSignalSpy done(&checker, &PdfChecker::allChecked);
    for (const QString &key : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")})
        checker.check(key, m_good, kTitle);
    QVERIFY(verdicts.wait(20000));
    checker.setPaced(false);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QStringList seen;
    for (const QList<QVariant> &args : verdicts)
        seen << args.at(0).toString();
    QCOMPARE(seen, (QStringList{"a", "b", "c", "d"}));
}

QTEST_MAIN(TestPdfCheck)
#include "test_pdfcheck.moc"
