#include "core/search/ReferenceExport.h"

#include "support/TestEnvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {
const QString kBalanced = QStringLiteral("他说 \"你好\", 这是 {平衡} 与 {不平衡 的标题");
const QString kSpecials = QStringLiteral("第一行\n第二行 100% & a_b #1 $x$ ~^ \\path");
const QString kFormula = QStringLiteral("=cmd|' /C calc'!A0");

QList<ResultRow> sampleRows()
{
    ResultRow first{"http://x/1?a=1&b=2", kBalanced, "成功", "pdf", "/f", {}};
    first.citation = {{QStringLiteral("Smith, J."), QStringLiteral("张三")},
                      QStringLiteral("计算机学报"),
                      QStringLiteral("2019"),
                      QStringLiteral("12"),
                      QStringLiteral("摘要，\"引号\"\n第二行")};
    ResultRow second{"http://x/2", kSpecials, "", "htm", "/f", {}};
    second.citation = {{QStringLiteral("Smith, Anne")}, {}, QStringLiteral("2019"), {}, {}};
    ResultRow third{"http://x/3", kFormula, "失败", "", "/f", {}};
    return {first, second, third};
}

QString oneLine(QString text)
{
    return text.replace(u'\n', u' ');
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

QString writeFile(const TestHome &home, const QString &name, ListFormat format)
{
    const QString path = home.filePath(name);
    QString error;
    if (!WriteReferenceFile(path, format, sampleRows(), &error))
        qWarning() << error;
    return path;
}
} // namespace

class TestReferenceExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QProcess probe;
        probe.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import bibtexparser")});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0 ||
            QStandardPaths::findExecutable(QStringLiteral("ris2xml")).isEmpty())
            QSKIP("python3-bibtexparser or bibutils is not installed (scripts/deps installs them)");
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

    // Python's csv module reads the header and every field back, line breaks and quotes included; a field that
    // would start a formula is defused.
    void csvReadsBack()
    {
        TestHome home;
        const QString path = writeFile(home, QStringLiteral("r.csv"), ListFormat::Csv);
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(raw.read(3) == QByteArray("\xEF\xBB\xBF"));
        const QJsonArray rows = parsed(QStringLiteral("csv"), path).toArray();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].toArray().size(), 10);
        QCOMPARE(rows[0].toArray()[0].toString(), QStringLiteral("标题"));
        QCOMPARE(rows[1].toArray()[0].toString(), kBalanced);
        QCOMPARE(rows[1].toArray()[1].toString(), QStringLiteral("http://x/1?a=1&b=2"));
        QCOMPARE(rows[1].toArray()[5].toString(), QStringLiteral("Smith, J.; 张三"));
        QCOMPARE(rows[1].toArray()[9].toString(), QStringLiteral("摘要，\"引号\"\n第二行"));
        QCOMPARE(rows[2].toArray()[0].toString(), kSpecials);
        QCOMPARE(rows[3].toArray()[0].toString(), u'\'' + kFormula);
    }

    // bibtexparser reads every entry with its own key, the titles whole once the TeX escapes are undone.
    void bibtexReadsBack()
    {
        TestHome home;
        const QString path = writeFile(home, QStringLiteral("r.bib"), ListFormat::Bibtex);
        const QJsonArray entries = parsed(QStringLiteral("bibtex"), path).toArray();
        QCOMPARE(entries.size(), 3);
        QStringList keys;
        for (const QJsonValue &e : entries)
            keys << e[QStringLiteral("ID")].toString();
        QCOMPARE(keys, (QStringList{"Smith2019", "Smith2019-2", "ref"}));
        const QJsonObject first = entries[0].toObject();
        QCOMPARE(first[QStringLiteral("ENTRYTYPE")].toString(), QStringLiteral("article"));
        QCOMPARE(first[QStringLiteral("title")].toString(), kBalanced);
        QCOMPARE(first[QStringLiteral("author")].toString(), QStringLiteral("Smith, J. and 张三"));
        QCOMPARE(first[QStringLiteral("journal")].toString(), QStringLiteral("计算机学报"));
        QCOMPARE(first[QStringLiteral("year")].toString(), QStringLiteral("2019"));
        QCOMPARE(first[QStringLiteral("url")].toString(), QStringLiteral("http://x/1?a=1&b=2"));
        QCOMPARE(entries[1][QStringLiteral("ENTRYTYPE")].toString(), QStringLiteral("misc"));
        QCOMPARE(entries[1][QStringLiteral("title")].toString(), oneLine(kSpecials));
        QCOMPARE(entries[2][QStringLiteral("title")].toString(), kFormula);
    }

    // bibutils reads every record with title, authors, address and abstract.
    void risReadsBack()
    {
        TestHome home;
        const QString path = writeFile(home, QStringLiteral("r.ris"), ListFormat::Ris);
        const QJsonArray records = parsed(QStringLiteral("ris"), path).toArray();
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[0][QStringLiteral("title")].toString(), kBalanced);
        QCOMPARE(records[0][QStringLiteral("authors")].toArray().size(), 2);
        QVERIFY(records[0][QStringLiteral("authors")].toArray()[0].toString().contains(QStringLiteral("Smith")));
        QCOMPARE(records[0][QStringLiteral("url")].toString(), QStringLiteral("http://x/1?a=1&b=2"));
        QCOMPARE(records[0][QStringLiteral("abstract")].toString(), oneLine(QStringLiteral("摘要，\"引号\"\n第二行")));
        QCOMPARE(records[1][QStringLiteral("title")].toString(), oneLine(kSpecials));
        QCOMPARE(records[2][QStringLiteral("title")].toString(), kFormula);
    }
};

QTEST_GUILESS_MAIN(TestReferenceExport)
#include "test_referenceexport.moc"
