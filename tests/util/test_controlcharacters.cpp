#include "core/util/ControlCharacters.h"
#include "core/util/HtmlEntities.h"

#include <QTest>

class TestControlCharacters : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void removeControlCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("terminal title and clear screen")
            << QStringLiteral("\x1b]0;owned\x07Title\x1b[2J") << QStringLiteral("]0;ownedTitle[2J");
        QTest::newRow("every C0, DEL and C1") << [] {
            QString all;
            for (char16_t c = 0; c < 0x20; ++c)
                all += QChar(c);
            for (char16_t c = 0x7f; c <= 0x9f; ++c)
                all += QChar(c);
            return QStringLiteral("a") + all + QStringLiteral("b");
        }() << QStringLiteral("ab");
        QTest::newRow("bidi embeddings, overrides and isolates")
            << QStringLiteral("\u202a1\u202b2\u202c3\u202d4\u202e5\u20666\u20677\u20688\u2069")
            << QStringLiteral("12345678");
        QTest::newRow("line and paragraph separators") << QStringLiteral("a\u2028b\u2029c") << QStringLiteral("abc");
        QTest::newRow("marks, joiners, Chinese, emoji, NBSP stay")
            << QStringLiteral("\u200e中\u200f文\u200d😀\u00a0x") << QStringLiteral("\u200e中\u200f文\u200d😀\u00a0x");
        QTest::newRow("lone surrogate is not this rule's business")
            << QString(QChar(0xD800)) + QStringLiteral("a") << QString(QChar(0xD800)) + QStringLiteral("a");
    }
    void removeControlCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(RemoveControlCharacters(text), expected);
    }

    // The quick test over whole texts answers as the rule for single characters does, for every code unit at
    // every place of a text long enough to be taken many characters a step.
    void hasControlCharactersFollowsTheRule()
    {
        const QString plain = QStringLiteral("标题 Title ").repeated(5);
        QVERIFY(!HasControlCharacters(plain));
        QVERIFY(!HasControlCharacters(QString()));
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            const bool control = IsControlCharacter(c);
            for (const qsizetype at : {qsizetype(0), qsizetype(17), plain.size() - 1}) {
                QString text = plain;
                text[at] = QChar(char16_t(c));
                if (HasControlCharacters(text) != control)
                    QFAIL(qPrintable(QStringLiteral("U+%1 at %2").arg(uint(c), 4, 16, QLatin1Char('0')).arg(at)));
            }
        }
    }

    void escapeNonPrintable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QStringLiteral("文献 A-1.pdf") << QStringLiteral("文献 A-1.pdf");
        QTest::newRow("ESC sequences") << QStringLiteral("\x1b]0;t\x07\x1b[2J")
                                       << QStringLiteral("\\x1b]0;t\\x07\\x1b[2J");
        QTest::newRow("line breaks and C1") << QStringLiteral("a\r\nb\u009b") << QStringLiteral("a\\x0d\\x0ab\\x9b");
        QTest::newRow("bidi override") << QStringLiteral("x\u202ey") << QStringLiteral("x\\u202ey");
        QTest::newRow("format character beyond the BMP")
            << QString::fromUcs4(U"a\U000E0001") << QStringLiteral("a\\U000e0001");
        QTest::newRow("half a surrogate pair") << QString(QChar(0xDC00)) << QStringLiteral("\\udc00");
        QTest::newRow("emoji with a joiner stays") << QStringLiteral("👩\u200d💻") << QStringLiteral("👩\u200d💻");
    }
    void escapeNonPrintable()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(EscapeNonPrintable(text), expected);
    }

    void decodeHtmlEntities_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("expected");
        QTest::newRow("what serialised text holds") << "A &amp; B &lt;c&gt;&nbsp;d"
                                                    << "A & B <c> d";
        QTest::newRow("quotes, any case") << "&QUOT;x&quot; &apos;y&#39;"
                                          << "\"x\" 'y'";
        QTest::newRow("numeric") << "&#20013;&#x6587;&#X41;"
                                 << "中文A";
        QTest::newRow("beyond the BMP") << "&#x1F600;" << QString::fromUtf8("😀");
        QTest::newRow("one pass only") << "&amp;lt; &amp;amp;"
                                       << "&lt; &amp;";
        QTest::newRow("not references") << "AT&T; a & b; &unknown; &#; &#x; &#12a; &#-1; & ;"
                                        << "AT&T; a & b; &unknown; &#; &#x; &#12a; &#-1; & ;";
        QTest::newRow("no semicolon") << "&amp &lt"
                                      << "&amp &lt";
        QTest::newRow("impossible characters")
            << "&#0;&#xD800;&#x110000;&#1114112;" << QStringLiteral("\ufffd\ufffd\ufffd\ufffd");
        QTest::newRow("a control stays a control") << "&#27;[2J"
                                                   << "\x1b[2J";
        QTest::newRow("ampersand at the end") << "a &"
                                              << "a &";
    }
    void decodeHtmlEntities()
    {
        QFETCH(QString, html);
        QFETCH(QString, expected);
        QCOMPARE(DecodeHtmlEntities(html), expected);
    }
};

QTEST_APPLESS_MAIN(TestControlCharacters)
#include "test_controlcharacters.moc"
