#include "core/search/Citation.h"
#include "core/search/ReferenceExport.h"

#include "support/TestEnvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

namespace {
const QString kBalanced = QStringLiteral("他说 \"你好\", 这是 {平衡} 与 {不平衡 的标题");
const QString kSpecials = QStringLiteral("第一行\n第二行 100% & a_b #1 $x$ ~^ \\path -- end");
const QString kFormula = QStringLiteral("=cmd|' /C calc'!A0");
// As a page's markup leaves it in a title: inline tags, a reference, a line break and a tab.
const QString kMarkedUp = QStringLiteral("CO<sub>2</sub> capture by <i>DNA</i> &amp; mRNA\nDeep\tLearning");
const QString kMarkedUpPlain = QStringLiteral("CO2 capture by DNA & mRNA Deep Learning");
const QString kAddress = QStringLiteral("https://xueshu.example/s?paperid=sp1&site=x_se&q=100%25#a~b");
// A DOI as a saved PDF gives it, with the brackets, angles and semicolon old DOIs have.
const QString kSiciDoi = QStringLiteral("10.1002/(SICI)1097-4571(199806)49:8<693::AID-ASI4>3.0.CO;2-O");
const QString kDoi = QStringLiteral("10.3969/j.issn.1001-3695.2021.05.012");

QList<ResultRow> sampleRows()
{
    ResultRow first{"http://x/1?a=1&b=2", kBalanced, "成功", "pdf", "/f", {}};
    Citation firstCitation{{QStringLiteral("Smith, J."), QStringLiteral("张三")},
                           QStringLiteral("计算机学报"),
                           QStringLiteral("2019"),
                           QStringLiteral("12"),
                           QStringLiteral("摘要，\"引号\"<br>第二行")};
    firstCitation.doi = kSiciDoi;
    firstCitation.pages = 12;
    first.citation = firstCitation;
    ResultRow second{"http://x/2", kSpecials, "", "htm", "/f", {}};
    Citation secondCitation{{QStringLiteral("Smith, Anne")}, {}, QStringLiteral("2019"), {}, {}};
    secondCitation.doi = kDoi;
    second.citation = secondCitation;
    ResultRow third{"http://x/3", kFormula, "失败", "", "/f", {}};
    ResultRow fourth{kAddress, kMarkedUp, "", "htm", "/f", {}};
    fourth.citation =
        Citation{{QStringLiteral("张三"), QStringLiteral("Smith; Jr., Bob")}, {}, QStringLiteral("2019"), {}, {}};
    return {first, second, third, fourth};
}

// The parser the format's users would meet, run on `path`; its reading as JSON.
QJsonValue parsed(const QString &kind, const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(PH_TESTS_DIR "/search/parse_references.py"), kind, path});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning().noquote() << process.readAllStandardError();
        return {};
    }
    const QJsonDocument doc = QJsonDocument::fromJson(process.readAllStandardOutput());
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue();
}

QString writeFile(const TestHome &home, const QString &name, ListFormat format,
                  const QList<ResultRow> &rows = sampleRows())
{
    const QString path = home.filePath(name);
    QString error;
    if (!WriteReferenceFile(path, format, rows, &error))
        qWarning() << error;
    return path;
}

QStringList strings(const QJsonValue &array)
{
    QStringList out;
    for (const QJsonValue &v : array.toArray())
        out << v.toString();
    return out;
}
} // namespace

class TestReferenceExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QProcess probe;
        probe.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-c"), QStringLiteral("import bibtexparser, pybtex, latexcodec")});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0 ||
            QStandardPaths::findExecutable(QStringLiteral("ris2xml")).isEmpty())
            QSKIP("python3-bibtexparser, python3-pybtex or bibutils is not installed (scripts/deps installs them)");
    }

    void formatNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("format");
        QTest::newRow("csv") << "out/Results.CSV" << int(ListFormat::Csv);
        QTest::newRow("ris") << "a.ris" << int(ListFormat::Ris);
        QTest::newRow("bib") << "a.bib" << int(ListFormat::Bibtex);
        QTest::newRow("bibtex") << "a.bibtex" << int(ListFormat::Bibtex);
        QTest::newRow("zxul") << "a.zxul" << int(ListFormat::ListFile);
        QTest::newRow("anything else") << "a.txt" << int(ListFormat::ListFile);
    }
    void formatNames()
    {
        QFETCH(QString, path);
        QFETCH(int, format);
        QCOMPARE(int(ListFormatOfPath(path)), format);
        QCOMPARE(ListFormatNamed(QStringLiteral("BibTeX")), std::optional<ListFormat>(ListFormat::Bibtex));
        QCOMPARE(ListFormatNamed(QStringLiteral("xls")), std::nullopt);
    }

    // Python's csv module reads the header and every field back; a field that would start a formula is defused;
    // titles and citation texts are plain text on one line; the DOI is the last column, empty where none is known.
    void csvReadsBack()
    {
        TestHome home;
        const QString path = writeFile(home, QStringLiteral("r.csv"), ListFormat::Csv);
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(raw.read(3) == QByteArray("\xEF\xBB\xBF"));
        const QJsonArray rows = parsed(QStringLiteral("csv"), path).toArray();
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[0].toArray().size(), 11);
        QCOMPARE(rows[0].toArray()[0].toString(), QStringLiteral("标题"));
        QCOMPARE(rows[0].toArray()[10].toString(), QStringLiteral("DOI"));
        QCOMPARE(rows[1].toArray()[10].toString(), kSiciDoi);
        QCOMPARE(rows[2].toArray()[10].toString(), kDoi);
        QCOMPARE(rows[3].toArray()[10].toString(), QString());
        QCOMPARE(rows[1].toArray()[0].toString(), kBalanced);
        QCOMPARE(rows[1].toArray()[1].toString(), QStringLiteral("http://x/1?a=1&b=2"));
        QCOMPARE(rows[1].toArray()[5].toString(), QStringLiteral("Smith, J.; 张三"));
        QCOMPARE(rows[1].toArray()[9].toString(), QStringLiteral("摘要，\"引号\" 第二行"));
        QCOMPARE(rows[2].toArray()[0].toString(), OneLineText(kSpecials));
        QCOMPARE(rows[3].toArray()[0].toString(), u'\'' + kFormula);
        QCOMPARE(rows[4].toArray()[0].toString(), kMarkedUpPlain);
        QCOMPARE(rows[4].toArray()[1].toString(), kAddress);
    }

    // pybtex (with latexcodec turning the TeX into text) reads every field as the list holds it: titles whole,
    // names one by one, the address and the DOI exactly as they are, with their "&", "_", "%", "~", "<" and ";".
    void bibtexReadsBackInPybtex()
    {
        TestHome home;
        const QString path = writeFile(home, QStringLiteral("r.bib"), ListFormat::Bibtex);
        const QJsonArray entries = parsed(QStringLiteral("pybtex"), path).toArray();
        QCOMPARE(entries.size(), 4);
        const QJsonObject first = entries[0].toObject();
        QCOMPARE(first[QStringLiteral("ENTRYTYPE")].toString(), QStringLiteral("article"));
        QCOMPARE(first[QStringLiteral("title")].toString(), kBalanced);
        QCOMPARE(strings(first[QStringLiteral("authors")]), (QStringList{"Smith, J.", "张三"}));
        QCOMPARE(first[QStringLiteral("journal")].toString(), QStringLiteral("计算机学报"));
        QCOMPARE(first[QStringLiteral("year")].toString(), QStringLiteral("2019"));
        QCOMPARE(first[QStringLiteral("url")].toString(), QStringLiteral("http://x/1?a=1&b=2"));
        QCOMPARE(first[QStringLiteral("abstract")].toString(), QStringLiteral("摘要，\"引号\" 第二行"));
        QCOMPARE(first[QStringLiteral("doi")].toString(), kSiciDoi);
        QCOMPARE(entries[1][QStringLiteral("doi")].toString(), kDoi);
        QVERIFY(!entries[2].toObject().contains(QStringLiteral("doi")));
        // bibtexparser takes the doi field as written, too.
        const QJsonArray verbatim = parsed(QStringLiteral("bibtexparser"), path).toArray();
        QCOMPARE(verbatim[0][QStringLiteral("doi")].toString(), kSiciDoi);
        QCOMPARE(entries[1][QStringLiteral("ENTRYTYPE")].toString(), QStringLiteral("misc"));
        QCOMPARE(entries[1][QStringLiteral("title")].toString(), OneLineText(kSpecials));
        QCOMPARE(entries[2][QStringLiteral("title")].toString(), kFormula);
        const QJsonObject fourth = entries[3].toObject();
        QCOMPARE(fourth[QStringLiteral("title")].toString(), kMarkedUpPlain);
        QCOMPARE(fourth[QStringLiteral("url")].toString(), kAddress);
        QCOMPARE(strings(fourth[QStringLiteral("authors")]), (QStringList{"张三", "Smith; Jr., Bob"}));
        // Capitals inside a word keep their case in styles that lowercase titles.
        const QString raw = fourth[QStringLiteral("raw_title")].toString();
        for (const QString &word : {QStringLiteral("{CO2}"), QStringLiteral("{DNA}"), QStringLiteral("{mRNA}")})
            QVERIFY2(raw.contains(word), qPrintable(raw));
        QVERIFY(!raw.contains(QStringLiteral("{Deep}")));
    }

    void addressesVerbatim_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("ampersand and underscore") << "https://xueshu.example/s?paperid=sp1&site=x_se";
        QTest::newRow("percent, hash, tilde") << "https://x.example/~a/b%20c?d=1#e_f";
        QTest::newRow("dollar and caret") << "https://x.example/a$b^c";
    }
    // Both BibTeX readers give the url field as the address itself, not a TeX rendering of it.
    void addressesVerbatim()
    {
        QFETCH(QString, address);
        TestHome home;
        const QString path =
            writeFile(home, QStringLiteral("a.bib"), ListFormat::Bibtex, {ResultRow{address, "t", "", "", "", {}}});
        const QJsonArray entries = parsed(QStringLiteral("bibtexparser"), path).toArray();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0][QStringLiteral("url")].toString(), address);
        QCOMPARE(parsed(QStringLiteral("pybtex"), path).toArray()[0][QStringLiteral("url")].toString(), address);
    }

    // Keys are unique whatever the rows share (letter case included, as BibTeX compares keys without it), and
    // readable: a Chinese first author's name in pinyin.
    void bibtexKeys()
    {
        QList<ResultRow> rows;
        for (int i = 0; i < 300; ++i) {
            ResultRow r{QStringLiteral("http://x/%1").arg(i), QStringLiteral("t"), "", "", "", {}};
            if (i % 3 == 1)
                r.citation = Citation{{QStringLiteral("张三")}, {}, QStringLiteral("2019"), {}, {}};
            if (i % 3 == 2)
                r.citation = Citation{{i % 2 ? QStringLiteral("smith, a.") : QStringLiteral("Smith, B.")},
                                      {},
                                      QStringLiteral("2019"),
                                      {},
                                      {}};
            rows.append(r);
        }
        TestHome home;
        const QString path = writeFile(home, QStringLiteral("k.bib"), ListFormat::Bibtex, rows);
        const QJsonArray entries = parsed(QStringLiteral("bibtexparser"), path).toArray();
        QCOMPARE(entries.size(), 300);
        QSet<QString> keys;
        for (const QJsonValue &e : entries)
            keys.insert(e[QStringLiteral("ID")].toString().toLower());
        QCOMPARE(keys.size(), 300);
        QCOMPARE(entries[0][QStringLiteral("ID")].toString(), QStringLiteral("ref"));
        QCOMPARE(entries[1][QStringLiteral("ID")].toString(), QStringLiteral("ZhangSan2019"));
        QCOMPARE(entries[3][QStringLiteral("ID")].toString(), QStringLiteral("ref-2"));
        QCOMPARE(entries[4][QStringLiteral("ID")].toString(), QStringLiteral("ZhangSan2019-2"));
        // pybtex refuses a file with two keys that differ only in letter case.
        QCOMPARE(parsed(QStringLiteral("pybtex"), path).toArray().size(), 300);
    }

    // bibutils reads every record with title, authors, address, abstract and DOI.
    void risReadsBack()
    {
        TestHome home;
        const QString path = writeFile(home, QStringLiteral("r.ris"), ListFormat::Ris);
        const QJsonArray records = parsed(QStringLiteral("ris"), path).toArray();
        QCOMPARE(records.size(), 4);
        QCOMPARE(records[0][QStringLiteral("title")].toString(), kBalanced);
        QCOMPARE(records[0][QStringLiteral("authors")].toArray().size(), 2);
        QVERIFY(records[0][QStringLiteral("authors")].toArray()[0].toString().contains(QStringLiteral("Smith")));
        QCOMPARE(records[0][QStringLiteral("url")].toString(), QStringLiteral("http://x/1?a=1&b=2"));
        QCOMPARE(records[0][QStringLiteral("abstract")].toString(), QStringLiteral("摘要，\"引号\" 第二行"));
        QCOMPARE(records[0][QStringLiteral("doi")].toString(), kSiciDoi);
        QCOMPARE(records[1][QStringLiteral("doi")].toString(), kDoi);
        QCOMPARE(records[2][QStringLiteral("doi")].toString(), QString());
        QCOMPARE(records[1][QStringLiteral("title")].toString(), OneLineText(kSpecials));
        QCOMPARE(records[2][QStringLiteral("title")].toString(), kFormula);
        QCOMPARE(records[3][QStringLiteral("title")].toString(), kMarkedUpPlain);
        QCOMPARE(records[3][QStringLiteral("url")].toString(), kAddress);
    }

    // An export tells its own files from others: only those may be replaced without the user's word.
    void ownFiles()
    {
        TestHome home;
        for (const ListFormat format : {ListFormat::Csv, ListFormat::Ris, ListFormat::Bibtex}) {
            const QString own = writeFile(home, QStringLiteral("own"), format);
            QVERIFY(IsOwnReferenceFile(own, format));
            QFile foreign(home.filePath(QStringLiteral("foreign")));
            QVERIFY(foreign.open(QIODevice::WriteOnly));
            foreign.write("@article{k, title={mine}}\nTY  - JOUR\r\n\xEF\xBB\xBF\"标题\"\r\n");
            foreign.close();
            QVERIFY(!IsOwnReferenceFile(foreign.fileName(), format));
            QVERIFY(!IsOwnReferenceFile(home.filePath(QStringLiteral("missing")), format));
        }
        // A CSV export written before the DOI column came is still ours.
        QFile older(home.filePath(QStringLiteral("older.csv")));
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.write(
            QStringLiteral(
                "\uFEFF\"标题\",\"网址\",\"分析状态\",\"类型\",\"保存路径\",\"作者\",\"来源\",\"年份\",\"被引量\","
                "\"摘要\"\r\n\"t\",\"http://x/1\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n")
                .toUtf8());
        older.close();
        QVERIFY(IsOwnReferenceFile(older.fileName(), ListFormat::Csv));
    }

    // A list without rows writes nothing: a file of that name stays as it was.
    void noRowsNoFile()
    {
        TestHome home;
        const QString path = home.filePath(QStringLiteral("mine.bib"));
        QFile mine(path);
        QVERIFY(mine.open(QIODevice::WriteOnly) && mine.write("@book{mine}\n") > 0);
        mine.close();
        QString error;
        QVERIFY(!WriteReferenceFile(path, ListFormat::Bibtex, {}, &error));
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("@book{mine}\n"));
    }
};

QTEST_GUILESS_MAIN(TestReferenceExport)
#include "test_referenceexport.moc"
