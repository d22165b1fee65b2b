// The base tag written into saved web pages.
#include "core/download/DownloadItem.h"
#include "core/download/engines/InsertBaseTag.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestBaseTag : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void insertion_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("expected"); // empty: the file stays as it was
        const QByteArray tag = "<Base href='http://example.com/a/p.htm?x=1&y=2'>";
        QTest::newRow("lower-case head") << "htm" << QByteArray("<html><head><title>t</title></head><body>")
                                         << "<html><head><title>t</title>" + tag + "</head><body>";
        QTest::newRow("upper-case type and tag")
            << "HTML" << QByteArray("<HTML><HEAD></HEAD></HTML>") << "<HTML><HEAD>" + tag + "</HEAD></HTML>";
        QTest::newRow("first closing tag only") << "html" << QByteArray("</head>x</head>") << tag + "</head>x</head>";
        QTest::newRow("no closing head tag")
            << "htm" << QByteArray("<html><body>no head</body></html>") << QByteArray();
        QTest::newRow("a pdf is never rewritten") << "pdf" << QByteArray("%PDF </head>") << QByteArray();
        // Bytes that are no valid GBK (a UTF-8 page, a stray 0xFF) survive unchanged around the tag.
        const QByteArray utf8 = QStringLiteral("<head><title>论文下载</title>").toUtf8() + "\xff\x80";
        QTest::newRow("utf-8 page keeps its bytes")
            << "htm" << utf8 + "</head>\r\n<body>\xe4</body>" << utf8 + tag + "</head>\r\n<body>\xe4</body>";
    }
    void insertion()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        DownloadItem row;
        row.address = QStringLiteral("http://example.com/a/p.htm?x=1&y=2");
        row.name = QStringLiteral("page");
        row.type = type;
        row.folder = dir.path() + QLatin1Char('/');
        {
            QFile f(ItemFilePath(row));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QCOMPARE(InsertBaseTag(row), !expected.isEmpty());
        QFile f(ItemFilePath(row));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), expected.isEmpty() ? content : expected);
    }

    void missingFileIsNoError()
    {
        QTemporaryDir dir;
        DownloadItem row;
        row.address = QStringLiteral("http://example.com/");
        row.name = QStringLiteral("gone");
        row.type = QStringLiteral("htm");
        row.folder = dir.path() + QLatin1Char('/');
        QVERIFY(!InsertBaseTag(row));
        QVERIFY(!QFile::exists(ItemFilePath(row)));
    }
};

QTEST_GUILESS_MAIN(TestBaseTag)
#include "test_basetag.moc"
