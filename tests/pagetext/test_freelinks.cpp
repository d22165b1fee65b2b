#include "core/pagetext/FreeLinks.h"

#include <QTest>

namespace {

const QString kMarker = QStringLiteral("(全网免费下载)");

// One source as the service writes it: the link in a dl_item anchor, the PDF icon when marked, then the marker.
QString source(const QString &href, bool pdf, QChar quote = QLatin1Char('"'))
{
    const QString q(quote);
    return QStringLiteral("<span class=%1dl_item_span%1><a class=%1dl_item%1 href=%1%2%1 target=%1_blank%1>"
                          "<span class=%1dl_source%1>site</span>%3</a><span class=%1dl_lib%1>")
               .arg(q, href, pdf ? QStringLiteral("<i class=%1c-icon c-icon-pdf%1></i>").arg(q) : QString()) +
           kMarker + QStringLiteral("</span></span>\r\n");
}

QString page(const QString &body)
{
    return QStringLiteral("<html><body><div class=\"allversion_content\">\r\n") + body +
           QStringLiteral("</div></body></html>");
}

} // namespace

class TestFreeLinks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gatherAndChoose_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries"); // elements 1..n
        QTest::addColumn<QString>("typeIn");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("type");

        QTest::newRow("no marker") << page(QStringLiteral("<a class=\"dl_item\" href=\"http://a/x.pdf\">x</a>"))
                                   << QStringList() << QString() << QString() << QString();
        QTest::newRow("any .pdf beats a marked link without extension")
            << page(source(QStringLiteral("http://a/x.html"), false) +
                    source(QStringLiteral("http://b/get?id=1"), true) +
                    source(QStringLiteral("http://c/FULL.PDF"), false))
            << QStringList{QStringLiteral("http://a/x.html|"), QStringLiteral("http://b/get?id=1|pdf"),
                           QStringLiteral("http://c/FULL.PDF|")}
            << QString() << QStringLiteral("http://c/FULL.PDF") << QStringLiteral("pdf");
        QTest::newRow("a marked .pdf beats an unmarked one before it")
            << page(source(QStringLiteral("http://a/one.pdf"), false) +
                    source(QStringLiteral("http://b/two.pdf"), true))
            << QStringList{QStringLiteral("http://a/one.pdf|"), QStringLiteral("http://b/two.pdf|pdf")} << QString()
            << QStringLiteral("http://b/two.pdf") << QStringLiteral("pdf");
        QTest::newRow("a marked link without extension beats unmarked ones")
            << page(source(QStringLiteral("http://a/x.html"), false) +
                    source(QStringLiteral("http://b/get?id=1"), true))
            << QStringList{QStringLiteral("http://a/x.html|"), QStringLiteral("http://b/get?id=1|pdf")} << QString()
            << QStringLiteral("http://b/get?id=1") << QStringLiteral("pdf");
        QTest::newRow("otherwise the first source, typed by its extension")
            << page(source(QStringLiteral("http://a/paper.doc"), false) +
                    source(QStringLiteral("http://b/page.htm"), false))
            << QStringList{QStringLiteral("http://a/paper.doc|"), QStringLiteral("http://b/page.htm|")} << QString()
            << QStringLiteral("http://a/paper.doc") << QStringLiteral("doc");
        QTest::newRow("a type passed in stays when no pdf is found")
            << page(source(QStringLiteral("http://a/paper.doc"), false))
            << QStringList{QStringLiteral("http://a/paper.doc|")} << QStringLiteral("zip")
            << QStringLiteral("http://a/paper.doc") << QStringLiteral("zip");
        QTest::newRow("爱学术 sources are never taken")
            << page(QStringLiteral("<a class=\"dl_item\" href=\"http://i/x.pdf\"><span>爱学术</span>"
                                   "<i class=\"c-icon-pdf\"></i></a>") +
                    kMarker + source(QStringLiteral("http://b/y.pdf"), true))
            << QStringList{QStringLiteral("http://b/y.pdf|pdf")} << QString() << QStringLiteral("http://b/y.pdf")
            << QStringLiteral("pdf");
        QTest::newRow("unquoted address ended by >")
            << page(QStringLiteral("<a class=dl_item href=http://a/z.pdf>z</a>") + kMarker)
            << QStringList{QStringLiteral("http://a/z.pdf|")} << QString() << QStringLiteral("http://a/z.pdf")
            << QStringLiteral("pdf");
        QTest::newRow("an address that never ends gives nothing")
            << (QStringLiteral("<a class=\"dl_item\" href=\"http://a/z.pdf") + kMarker) << QStringList() << QString()
            << QString() << QString();
        QTest::newRow("the same address before two markers is gathered once")
            << page(source(QStringLiteral("http://a/same.pdf"), true) +
                    source(QStringLiteral("HTTP://A/SAME.PDF"), false) +
                    source(QStringLiteral("http://a/other.pdf"), false))
            << QStringList{QStringLiteral("http://a/same.pdf|pdf"), QStringLiteral("http://a/other.pdf|")} << QString()
            << QStringLiteral("http://a/same.pdf") << QStringLiteral("pdf");
        QTest::newRow("apostrophes read like double quotes")
            << page(source(QStringLiteral("http://a/q.pdf"), true, QLatin1Char('\'')))
            << QStringList{QStringLiteral("http://a/q.pdf|pdf")} << QString() << QStringLiteral("http://a/q.pdf")
            << QStringLiteral("pdf");
        QTest::newRow("the nearest href of the last dl_item before the marker")
            << page(QStringLiteral("<a class=\"dl_item\" href=\"http://far/a.pdf\">a</a><a class=\"dl_item\" "
                                   "data-x=\"1\" href=\"http://x/ignored\" href=\"http://near/b.pdf\">b</a>") +
                    kMarker)
            << QStringList{QStringLiteral("http://near/b.pdf|")} << QString() << QStringLiteral("http://near/b.pdf")
            << QStringLiteral("pdf");
        QTest::newRow("line breaks and tabs inside the link are dropped")
            << page(QStringLiteral("<a class=\"dl_item\" href=\"http://a/li\r\nne\t.pdf\">x</a>") + kMarker)
            << QStringList{QStringLiteral("http://a/line.pdf|")} << QString() << QStringLiteral("http://a/line.pdf")
            << QStringLiteral("pdf");
        QTest::newRow("an empty href is skipped")
            << page(source(QString(), true) + source(QStringLiteral("http://a/ok.htm"), false))
            << QStringList{QStringLiteral("http://a/ok.htm|")} << QString() << QStringLiteral("http://a/ok.htm")
            << QStringLiteral("htm");
    }

    void gatherAndChoose()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        QFETCH(QString, typeIn);
        QFETCH(QString, link);
        QFETCH(QString, type);

        QStringList gathered{QStringLiteral("stale")};
        QCOMPARE(提取全网免费下载链接组(text, gathered), entries.size());
        QCOMPARE(gathered, QStringList{QString()} + entries);
        QString chosenType = typeIn;
        QCOMPARE(取出全网免费下载链接(gathered, chosenType), link);
        QCOMPARE(chosenType, type);
    }

    void malformedEntriesAreNeverChosen()
    {
        // A link holding "|" splits into three parts: not even the first-source fallback takes it.
        const QStringList entries{QString(), QStringLiteral("http://a/x|y.pdf|pdf"), QStringLiteral("http://b/z.htm|")};
        QString type;
        QCOMPARE(取出全网免费下载链接(entries, type), QStringLiteral("http://b/z.htm"));
        QCOMPARE(type, QStringLiteral("htm"));

        const QStringList onlyBad{QString(), QStringLiteral("http://a/x|y.pdf|pdf"), QStringLiteral("no-separator")};
        type.clear();
        QCOMPARE(取出全网免费下载链接(onlyBad, type), QString());
        QCOMPARE(type, QString());
        // Element 0 is never a candidate.
        QCOMPARE(取出全网免费下载链接({QStringLiteral("http://a/first.pdf|pdf")}, type), QString());
    }

    void segmentTypeIsResetForEverySegment()
    {
        QString type = QStringLiteral("pdf");
        QCOMPARE(提取全网免费下载链接(QStringLiteral("no block here"), type), QString());
        QCOMPARE(type, QString());
        QCOMPARE(提取全网免费下载链接(QStringLiteral("<a class=\"DL_ITEM\" HREF=\"http://a/b.doc\" >"), type),
                 QStringLiteral("http://a/b.doc"));
        QCOMPARE(type, QString());
    }

    void lookupIgnoresCase()
    {
        QVERIFY(查找数组({QString(), QStringLiteral("Http://A/b")}, QStringLiteral("http://a/B")));
        QVERIFY(!查找数组({QStringLiteral("http://a/b")}, QStringLiteral("http://a/b/")));
    }
};

QTEST_GUILESS_MAIN(TestFreeLinks)
#include "test_freelinks.moc"
