#include "core/util/DeclaredCharset.h"
#include "core/util/TextFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writesGbkWithCrLf_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("chinese") << "中文" << QByteArray("\xD6\xD0\xCE\xC4");
        QTest::newRow("LF becomes CR LF") << "a\nb" << QByteArray("a\r\nb");
        QTest::newRow("CR LF kept") << "a\r\nb\r\n" << QByteArray("a\r\nb\r\n");
        QTest::newRow("lone CR becomes CR LF") << "a\rb" << QByteArray("a\r\nb");
        QTest::newRow("blank lines kept") << "a\n\nb" << QByteArray("a\r\n\r\nb");
        QTest::newRow("empty") << "" << QByteArray();
    }
    void writesGbkWithCrLf()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QVERIFY(TextFile::writeText(dir.filePath("t.txt"), text));
        QCOMPARE(readBytes(dir.filePath("t.txt")), bytes);
    }

    void writeLinesEndsEveryLine()
    {
        QTemporaryDir dir;
        QVERIFY(TextFile::writeLines(dir.filePath("l.txt"), {"深度学习", "", "b"}));
        QCOMPARE(readBytes(dir.filePath("l.txt")), QByteArray("\xC9\xEE\xB6\xC8\xD1\xA7\xCF\xB0\r\n\r\nb\r\n"));
        QCOMPARE(*TextFile::readLines(dir.filePath("l.txt")), (QStringList{"深度学习", "", "b"}));
    }

    // GBK has no code for these: rather than turn them into "?", the file is written as UTF-8 and reads back.
    void textGbkCannotHoldSurvives()
    {
        QTemporaryDir dir;
        const QString text = QString::fromUtf8("Größe 😀 中文\r\nzweite");
        QVERIFY(TextFile::writeText(dir.filePath("u.txt"), text));
        QVERIFY(readBytes(dir.filePath("u.txt")).startsWith("\xEF\xBB\xBF"));
        QCOMPARE(*TextFile::readText(dir.filePath("u.txt")), text);
    }

    // A saved page declares the encoding of the bytes written, so it reads right when opened again.
    void savedPageDeclaresItsEncoding_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("declared");
        QTest::newRow("meta charset, quoted")
            << R"(<html><head><meta charset="utf-8"><title>中文</title></head></html>)"
            << R"(<html><head><meta charset="gbk"><title>中文</title></head></html>)";
        QTest::newRow("meta charset, unquoted, capitals")
            << "<HTML><HEAD><META CHARSET=UTF-8></HEAD><body>中文</body></HTML>"
            << "<HTML><HEAD><META CHARSET=gbk></HEAD><body>中文</body></HTML>";
        QTest::newRow("http-equiv content type")
            << R"(<head><meta http-equiv="Content-Type" content="text/html; charset=utf-8"/></head>中文)"
            << R"(<head><meta http-equiv="Content-Type" content="text/html; charset=gbk"/></head>中文)";
        QTest::newRow("none declared")
            << "<html><head lang=zh><title>中文</title></head></html>"
            << R"(<html><head lang=zh><meta charset="gbk"><title>中文</title></head></html>)";
        QTest::newRow("charset as text is no declaration")
            << "<head></head><p>charset=utf-8 中文</p>"
            << R"(<head><meta charset="gbk"></head><p>charset=utf-8 中文</p>)";
        QTest::newRow("no head") << "中文"
                                 << R"(<meta charset="gbk">中文)";
    }
    void savedPageDeclaresItsEncoding()
    {
        QFETCH(QString, page);
        QFETCH(QString, declared);
        QCOMPARE(TextFile::encodingName(page), QStringLiteral("gbk"));
        QCOMPARE(WithDeclaredCharset(page, TextFile::encodingName(page)), declared);
        // What the declaration names decodes the bytes written back to the page.
        QTemporaryDir dir;
        QVERIFY(TextFile::writeText(dir.filePath("p.htm"), declared));
        QStringDecoder decoder("GBK");
        QCOMPARE(decoder.decode(readBytes(dir.filePath("p.htm"))), declared);
    }

    void decodesWhatOtherToolsWrite_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("GBK") << QByteArray("\xD6\xD0\xCE\xC4 ok") << "中文 ok";
        QTest::newRow("UTF-8 without mark") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87 ok") << "中文 ok";
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD") << "中";
        QTest::newRow("UTF-16 LE with mark") << QByteArray("\xFF\xFE\x2D\x4E\x61\x00", 6) << "中a";
        QTest::newRow("ASCII") << QByteArray("plain\r\n") << "plain\r\n";
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("GBK that is not UTF-8") << QByteArray("\xB2\xE2\xCA\xD4") << "测试";
    }
    void decodesWhatOtherToolsWrite()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath("in.txt"), bytes));
        QCOMPARE(*TextFile::readText(dir.filePath("in.txt")), text);
    }

    void splitLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF with final end") << "a\r\nb\r\n" << QStringList{"a", "b"};
        QTest::newRow("LF without final end") << "a\nb" << QStringList{"a", "b"};
        QTest::newRow("CR only") << "a\r\rb" << QStringList{"a", "", "b"};
        QTest::newRow("mixed") << "a\r\nb\nc\rd" << QStringList{"a", "b", "c", "d"};
        QTest::newRow("one empty line") << "\r\n" << QStringList{""};
        QTest::newRow("two final ends") << "a\r\n\r\n" << QStringList{"a", ""};
        QTest::newRow("nothing") << "" << QStringList{};
    }
    void splitLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(TextFile::splitLines(text), lines);
    }

    void failuresLeaveNoFile()
    {
        QTemporaryDir dir;
        QVERIFY(!TextFile::readText(dir.filePath("missing.txt")));
        QVERIFY(!TextFile::readLines(dir.filePath("missing.txt")));
        QVERIFY(!TextFile::writeText(dir.filePath("no/such/folder.txt"), "x"));
        QVERIFY(!QFile::exists(dir.filePath("no")));
        // A failed write leaves the old file as it was.
        QVERIFY(writeBytes(dir.filePath("keep.txt"), "old"));
        QVERIFY(!TextFile::writeText(dir.path(), "x"));
        QCOMPARE(readBytes(dir.filePath("keep.txt")), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_textfile.moc"
