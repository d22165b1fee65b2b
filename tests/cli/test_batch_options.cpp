#include "cli/BatchCommand.h"
#include "cli/BatchOptions.h"
#include "cli/DisplayWidth.h"
#include "cli/HelpText.h"

#include <QRegularExpression>

#include <QTest>

class TestBatchOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultsLeaveStoredSettingsInCharge()
    {
        const auto r = ParseBatchOptions({QStringLiteral("深度学习"), QStringLiteral("graph theory")});
        QVERIFY2(r.options, qPrintable(r.error));
        const BatchOptions &o = *r.options;
        QCOMPARE(o.keywords, (QStringList{QStringLiteral("深度学习"), QStringLiteral("graph theory")}));
        QCOMPARE(o.typeIndex, 0);
        QCOMPARE(o.yearIndex, 0);
        QCOMPARE(o.threads, 3);
        QVERIFY(!o.delaySeconds && !o.saveFolder && !o.engine && !o.sameNameChoice && !o.maxSizeMb);
        QVERIFY(!o.nameFromAddress && !o.skipVisited && !o.skipExisting && !o.noDownload);
        QCOMPARE(o.checkPdf, PdfCheckMode::Mark);
    }

    void everyOptionIsRead()
    {
        const auto r = ParseBatchOptions({QStringLiteral("--keywords-file"),
                                          QStringLiteral("k.txt"),
                                          QStringLiteral("--type=5"),
                                          QStringLiteral("--year"),
                                          QStringLiteral("3"),
                                          QStringLiteral("--delay"),
                                          QStringLiteral("0"),
                                          QStringLiteral("--out"),
                                          QStringLiteral("/tmp/x"),
                                          QStringLiteral("--name-from-address"),
                                          QStringLiteral("--skip-visited"),
                                          QStringLiteral("--skip-existing"),
                                          QStringLiteral("--engine"),
                                          QStringLiteral("1"),
                                          QStringLiteral("--threads"),
                                          QStringLiteral("6"),
                                          QStringLiteral("--same-name"),
                                          QStringLiteral("overwrite"),
                                          QStringLiteral("--max-size"),
                                          QStringLiteral("2.5"),
                                          QStringLiteral("--export"),
                                          QStringLiteral("list.zxul"),
                                          QStringLiteral("--overwrite"),
                                          QStringLiteral("--no-download"),
                                          QStringLiteral("--export-format"),
                                          QStringLiteral("BibTeX"),
                                          QStringLiteral("--import"),
                                          QStringLiteral("a.zxul"),
                                          QStringLiteral("--import"),
                                          QStringLiteral("b.txt"),
                                          QStringLiteral("--check-pdf"),
                                          QStringLiteral("MOVE")});
        QVERIFY2(r.options, qPrintable(r.error));
        const BatchOptions &o = *r.options;
        QCOMPARE(o.keywordsFile, QStringLiteral("k.txt"));
        QCOMPARE(o.typeIndex, 5);
        QCOMPARE(o.yearIndex, 3);
        QCOMPARE(*o.delaySeconds, 0);
        QCOMPARE(*o.saveFolder, QStringLiteral("/tmp/x"));
        QVERIFY(o.nameFromAddress && o.skipVisited && o.skipExisting && o.noDownload);
        QCOMPARE(*o.engine, 1);
        QCOMPARE(o.threads, 6);
        QCOMPARE(*o.sameNameChoice, QStringLiteral("覆盖"));
        QCOMPARE(*o.maxSizeMb, 2.5);
        QCOMPARE(o.exportFile, QStringLiteral("list.zxul"));
        QVERIFY(o.overwriteExport);
        QCOMPARE(o.exportFormat, std::optional<ListFormat>(ListFormat::Bibtex));
        QCOMPARE(o.importFiles, (QStringList{"a.zxul", "b.txt"}));
        QCOMPARE(o.checkPdf, PdfCheckMode::Move);
    }

    void badArgumentsNameTheArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");
        QTest::newRow("type too big") << QStringList{"--type", "6"} << "--type";
        QTest::newRow("year not a number") << QStringList{"--year", "2017"} << "--year";
        QTest::newRow("delay negative") << QStringList{"--delay", "-1"} << "--delay";
        QTest::newRow("delay above 120") << QStringList{"--delay", "121"} << "--delay";
        QTest::newRow("engine 3") << QStringList{"--engine", "3"} << "--engine";
        QTest::newRow("check-pdf unknown") << QStringList{"--check-pdf", "delete"} << "--check-pdf";
        QTest::newRow("threads 0") << QStringList{"--threads", "0"} << "--threads";
        QTest::newRow("threads 7") << QStringList{"--threads", "7"} << "--threads";
        QTest::newRow("same-name unknown") << QStringList{"--same-name", "keep"} << "--same-name";
        QTest::newRow("max-size zero") << QStringList{"--max-size", "0"} << "--max-size";
        QTest::newRow("max-size text") << QStringList{"--max-size", "big"} << "--max-size";
        QTest::newRow("empty out") << QStringList{"--out", ""} << "--out";
        QTest::newRow("unknown option") << QStringList{"--fast"} << "fast";
        QTest::newRow("missing value") << QStringList{"--type"} << "type";
        QTest::newRow("unknown export format")
            << QStringList{"--export", "x", "--export-format", "xls"} << "--export-format";
        QTest::newRow("export format without a file") << QStringList{"--export-format", "csv"} << "--export-format";
        QTest::newRow("overwrite without a file") << QStringList{"--overwrite"} << "--overwrite";
        QTest::newRow("empty import") << QStringList{"--import", ""} << "--import";
    }
    void badArgumentsNameTheArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        const auto r = ParseBatchOptions(arguments);
        QVERIFY(!r.options);
        QVERIFY2(r.error.contains(named), qPrintable(r.error));
        QVERIFY(!r.error.contains(QLatin1Char('\n')));
    }

    void helpListsEveryOption()
    {
        const auto r = ParseBatchOptions({QStringLiteral("--help")});
        QVERIFY(r.options && r.options->helpRequested);
        const QString usage = BatchUsageText();
        QVERIFY(usage.startsWith(QStringLiteral("Usage: paperharvest batch")));
        for (const char *name :
             {"--keywords-file", "--type", "--year", "--delay", "--out", "--name-from-address", "--skip-visited",
              "--skip-existing", "--engine", "--threads", "--same-name", "--max-size", "--export", "--export-format",
              "--overwrite", "--import", "--no-download"})
            QVERIFY2(usage.contains(QLatin1String(name)), name);
    }

    // Every line of the help fits a terminal of 80 columns (Chinese characters take two), and the wrapping loses
    // no word of a description.
    void helpFitsEightyColumns_data()
    {
        QTest::addColumn<QString>("usage");
        QTest::newRow("batch --help") << BatchUsageText();
        QTest::newRow("--help") << ProgramUsageText();
    }
    void helpFitsEightyColumns()
    {
        QFETCH(QString, usage);
        for (const QString &line : usage.split(QLatin1Char('\n')))
            QVERIFY2(DisplayWidth(line) <= 80, qPrintable(QStringLiteral("%1: %2").arg(DisplayWidth(line)).arg(line)));
    }
    void helpKeepsEveryWord()
    {
        static const QRegularExpression space(QStringLiteral("\\s+"));
        const QString usage = BatchUsageText().remove(space);
        QVERIFY(usage.contains(QStringLiteral("--export-format<FORMAT>")));
        for (const char *text :
             {"csv|ris|bibtex|zxul:theformatof--export(default:fromitsextension,.csv.ris.bib,otherwisealist",
              "0..5=全部期刊学位会议图书专利(default0).", "Namefilesafterthedownloadaddress(原文件名)."})
            QVERIFY2(usage.contains(QString::fromUtf8(text), Qt::CaseInsensitive), text);
    }
    void wrapBreaksChineseBetweenCharacters()
    {
        QCOMPARE(WrapText(QStringLiteral("ab 深度学习综述 cd"), 2, 10),
                 QStringLiteral("  ab 深度\n  学习综述\n  cd\n"));
    }
};

QTEST_GUILESS_MAIN(TestBatchOptions)
#include "test_batch_options.moc"
