#include "core/util/Utf8Decoding.h"

#include <QRandomGenerator>
#include <QString>
#include <QTest>
#include <vector>

namespace {
QString decoded(QByteArrayView utf8)
{
    std::vector<QChar> out(std::size_t(utf8.size()) + 1);
    const QChar *end = DecodeUtf8(utf8, out.data());
    return QString(out.data(), end - out.data());
}
} // namespace

class TestUtf8Decoding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsAsQtDoes_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("a long address") << QByteArray("https://xueshu.example/s?paperid=0123456789abcdef&site=xueshu");
        QTest::newRow("Chinese title") << QStringLiteral("基于深度学习的图像识别方法研究（第7篇）").toUtf8();
        QTest::newRow("Latin, Greek, Cyrillic") << QStringLiteral("Müller αβγ Жук ©").toUtf8();
        QTest::newRow("leading byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                               "abc");
        QTest::newRow("byte order mark further on") << QByteArray("abc\xEF\xBB\xBF");
        QTest::newRow("emoji") << QStringLiteral("a😀b").toUtf8();
        QTest::newRow("cut two-byte sequence") << QByteArray("abc\xC3");
        QTest::newRow("cut three-byte sequence") << QByteArray("0123456789abcdefgh\xE5\xAD");
        QTest::newRow("stray continuation") << QByteArray("a\x80z");
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF\xE0\x80\xAF");
        QTest::newRow("surrogate half") << QByteArray("\xED\xA0\x80");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
        QTest::newRow("noncharacters") << QByteArray("\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xB7\x90");
        QTest::newRow("NUL and DEL") << QByteArray("a\0b\x7F", 4);
        QTest::newRow("high byte after sixteen ASCII") << QByteArray("0123456789abcdef\xFF"
                                                                     "0123456789abcdef");
    }
    void readsAsQtDoes()
    {
        QFETCH(QByteArray, utf8);
        QCOMPARE(decoded(utf8), QString::fromUtf8(utf8));
    }

    // Texts put together from the pieces above and runs of ASCII, each at every length up to its whole: the
    // places where one way of decoding hands over to the other.
    void mixedTextsReadAsQtDoes()
    {
        const QList<QByteArray> pieces{"\xEF\xBB\xBF", "\xE4\xB8\xAD",     "\xC3\xA9",     "\xC3",
                                       "\xA9",         "\xF0\x9F\x98\x80", "\xF0\x9F",     "\xFF",
                                       "\x80",         "\xED\xA0\x80",     "\xC0\x80",     "\xE0\x80\xAF",
                                       "\xE0\xA0\x80", "\xED\x9F\xBF",     "\xEF\xBF\xBF", "\xDF\xBF"};
        QRandomGenerator random(30);
        for (int round = 0; round < 20000; ++round) {
            QByteArray text;
            for (int n = random.bounded(6); n > 0; --n) {
                text += QByteArray(random.bounded(24), char('a' + random.bounded(26)));
                text += pieces.at(random.bounded(int(pieces.size())));
            }
            for (qsizetype length = 0; length <= text.size(); ++length) {
                const QByteArrayView part = QByteArrayView(text).first(length);
                if (decoded(part) != QString::fromUtf8(part))
                    QFAIL(part.toByteArray().toHex().constData());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestUtf8Decoding)
#include "test_utf8decoding.moc"
