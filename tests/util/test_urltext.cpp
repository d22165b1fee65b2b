#include "core/util/MimeTypes.h"
#include "core/util/UrlText.h"

#include <QRegularExpression>
#include <QTest>

class TestUrlText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodeQueryKeyword_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("chinese by GBK bytes") << "深度学习"
                                              << "%C9%EE%B6%C8%D1%A7%CF%B0";
        QTest::newRow("plus, ampersand, spaces kept") << "A+B & D"
                                                      << "A%2BB %26 D";
        QTest::newRow("percent") << "100%"
                                 << "100%25";
        QTest::newRow("typed percent before hex") << "%D6中"
                                                  << "%25D6%D6%D0";
        QTest::newRow("hash and caret") << "C# ^2"
                                        << "C%23 %5E2";
        QTest::newRow("ascii untouched") << "a-b_c.d/e?f=g"
                                         << "a-b_c.d/e?f=g";
        QTest::newRow("full-width colon") << "："
                                          << "%A3%BA";
        QTest::newRow("one-byte euro copied") << "€"
                                              << "€";
        QTest::newRow("no GBK code copied") << QString::fromUtf8("ä😀") << QString::fromUtf8("ä😀");
        QTest::newRow("empty") << ""
                               << "";
    }
    void encodeQueryKeyword()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, encoded);
        QCOMPARE(EncodeQueryKeyword(keyword), encoded);
    }

    void escapeQueryValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("host and port") << "1.2.3.4:8080"
                                       << "1.2.3.4%3A8080";
        QTest::newRow("address") << " http://h/p?a=b|c\\d "
                                 << "http%3A%2F%2Fh%2Fp%3Fa%3Db%7Cc%5Cd";
        QTest::newRow("percent unchanged") << "50%"
                                           << "50%";
    }
    void escapeQueryValue()
    {
        QFETCH(QString, value);
        QFETCH(QString, escaped);
        QCOMPARE(EscapeQueryValue(value), escaped);
    }

    void urlHostPart_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("host");
        QTest::newRow("path") << "http://h.com/a/b"
                              << "http://h.com";
        QTest::newRow("port kept") << "https://h.com:8443/x"
                                   << "https://h.com:8443";
        QTest::newRow("no path") << "http://h.com"
                                 << "http://h.com";
        QTest::newRow("query without path") << "http://h.com?x=1"
                                            << "http://h.com?x=1";
        QTest::newRow("no scheme") << "h.com/a"
                                   << "h.com";
        QTest::newRow("no scheme, slash too early") << "ab/c"
                                                    << "ab/c";
        QTest::newRow("no scheme, slash at fourth place") << "abc/d"
                                                          << "abc";
        QTest::newRow("empty") << ""
                               << "";
    }
    void urlHostPart()
    {
        QFETCH(QString, address);
        QFETCH(QString, host);
        QCOMPARE(UrlHostPart(address), host);
    }

    void beginsWithServicePrefix_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("begins");
        const QString http = QStringLiteral("http://xueshu.baidu.com/");
        const QString https = QStringLiteral("https://xueshu.baidu.com/");
        const QString paper = QStringLiteral("xueshu.baidu.com/usercenter/paper/show?paperid=1");
        QTest::newRow("http link, http prefix") << "http://" + paper << http << true;
        QTest::newRow("https link, http prefix") << "https://" + paper << http << true;
        QTest::newRow("http link, https prefix") << "http://" + paper << https << true;
        QTest::newRow("protocol-relative link") << "//" + paper << http << true;
        QTest::newRow("capitals in scheme and host") << "HTTPS://XueShu.Baidu.com/x" << http << true;
        QTest::newRow("prefix of a longer host") << "http://xueshu.baidu.com.evil.example/x" << http << false;
        QTest::newRow("host with a port") << "http://xueshu.baidu.com:8080/x" << http << false;
        QTest::newRow("other host") << "https://evil.example/xueshu.baidu.com/" << http << false;
        QTest::newRow("credentials before the host") << "http://xueshu.baidu.com@evil.example/" << http << false;
        QTest::newRow("other scheme") << "ftp://" + paper << http << false;
        QTest::newRow("no scheme, no slashes") << paper << http << false;
        QTest::newRow("javascript link") << "javascript:void(0)" << http << false;
        QTest::newRow("empty link") << "" << http << false;
        QTest::newRow("scheme only") << "https:" << http << false;
        QTest::newRow("https prefix, capitals") << "HTTPS://wenku/view/1"
                                                << "https://wenku/view/" << true;
        QTest::newRow("file prefix") << "FILE:///x/1"
                                     << "file:///x/" << true;
        QTest::newRow("file prefix, http address") << "http:///x/1"
                                                   << "file:///x/" << false;
    }
    void beginsWithServicePrefix()
    {
        QFETCH(QString, address);
        QFETCH(QString, prefix);
        QFETCH(bool, begins);
        QCOMPARE(BeginsWithServicePrefix(address, prefix), begins);
    }

    void randomTexts()
    {
        static const QRegularExpression alnum(QStringLiteral("^[0-9a-zA-Z]{10}$"));
        static const QRegularExpression digits(QStringLiteral("^[0-9]{25}$"));
        QSet<QString> seen;
        for (int i = 0; i < 50; ++i) {
            const QString a = RandomAlphanumeric(10);
            QVERIFY2(alnum.match(a).hasMatch(), qPrintable(a));
            QVERIFY(digits.match(RandomDigits(25)).hasMatch());
            seen.insert(a);
        }
        QVERIFY(seen.size() > 45); // a fixed seed or a stuck generator repeats
        QVERIFY(RandomAlphanumeric(0).isEmpty());
        QVERIFY(RandomDigits(-3).isEmpty());
    }

    void mimeTypeToExtension_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("extension");
        QTest::newRow("upper case") << "IMAGE/JPEG"
                                    << "jpeg";
        QTest::newRow("space in minor") << "image/ jpeg"
                                        << "jpeg";
        QTest::newRow("tiff") << "image/tiff"
                              << "tif";
        QTest::newRow("minor as itself") << "image/g3fax"
                                         << "g3fax";
        QTest::newRow("pdf") << "application/pdf"
                             << "pdf";
        QTest::newRow("caj") << " Application / CAJ "
                             << "caj";
        QTest::newRow("octet-stream") << "application/octet-stream"
                                      << "";
        QTest::newRow("unknown application") << "application/zip"
                                             << "";
        QTest::newRow("plain") << "text/plain"
                               << "plain";
        QTest::newRow("unknown text") << "text/rtf"
                                      << "text/rtf";
        QTest::newRow("empty minor") << "video/"
                                     << "video";
        QTest::newRow("star minor") << "video/*"
                                    << "video";
        QTest::newRow("mpeg4") << "video/mpeg4"
                               << "mp4";
        QTest::newRow("midi") << "audio/midi"
                              << "mid";
        QTest::newRow("unknown major") << "model/vrml"
                                       << "model/vrml";
        QTest::newRow("unknown major, star") << "model/*"
                                             << "model/*";
        QTest::newRow("no slash") << "html"
                                  << "html";
        QTest::newRow("two slashes") << "a/b/c"
                                     << "a/b/c";
        QTest::newRow("empty") << ""
                               << "";
    }
    void mimeTypeToExtension()
    {
        QFETCH(QString, type);
        QFETCH(QString, extension);
        QCOMPARE(MimeTypeToExtension(type), extension);
    }
};

QTEST_GUILESS_MAIN(TestUrlText)
#include "test_urltext.moc"
