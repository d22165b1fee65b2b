#include "core/cache/SimpleCacheEntry.h"
#include "support/CacheEntryFiles.h"

#include <QRandomGenerator>
#include <QTest>

using namespace SimpleCacheEntry;
namespace F = CacheEntryFiles;

Q_DECLARE_METATYPE(SimpleCacheEntry::Verdict)

// The entry-file reader's rules, over bytes made by hand: whole, cut short and garbled.
class TestCacheReader final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void headerVerdicts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QByteArray>("key");
        const QByteArray key = "1/0/http://h/a.pdf";
        QTest::newRow("whole entry") << F::entry(key) << Verdict::Entry << key;
        QTest::newRow("key ends the file") << F::entry(key, {}) << Verdict::Entry << key;
        QTest::newRow("nothing") << QByteArray() << Verdict::Truncated << QByteArray();
        QTest::newRow("half a header") << F::entry(key).left(10) << Verdict::Truncated << QByteArray();
        QTest::newRow("header without key") << F::header(quint32(key.size())) << Verdict::Truncated << QByteArray();
        QTest::newRow("key cut short") << F::entry(key, {}).chopped(1) << Verdict::Truncated << QByteArray();
        QTest::newRow("wrong magic") << F::header(4, 5, 0x1122334455667788ULL) + "abcd" << Verdict::Garbled
                                     << QByteArray();
        QTest::newRow("version too old") << F::header(4, 4) + "abcd" << Verdict::Garbled << QByteArray();
        QTest::newRow("version unknown") << F::header(4, 10) + "abcd" << Verdict::Garbled << QByteArray();
        QTest::newRow("empty key") << F::header(0) + "abcd" << Verdict::Garbled << QByteArray();
        QTest::newRow("key longer than any address")
            << F::header(kMaxKeyLength + 1) + "abcd" << Verdict::Garbled << QByteArray();
        QTest::newRow("key length with the top bit")
            << F::header(0x80000004u) + "abcd" << Verdict::Garbled << QByteArray();
        QTest::newRow("zeros") << QByteArray(64, '\0') << Verdict::Garbled << QByteArray();
    }
    void headerVerdicts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Verdict, verdict);
        QFETCH(QByteArray, key);
        QCOMPARE(ReadHeader(bytes).verdict, verdict);
        QCOMPARE(ReadKey(bytes), key);
    }

    // Every prefix of an entry is truncated until the key is complete; random damage never reads past the bytes
    // (the sanitizer build watches that) and never yields a key longer than what is there.
    void everyPrefixAndRandomDamage()
    {
        const QByteArray whole = F::entry("1/0/_dk_http://a http://a http://a/x.css", "text");
        const qsizetype keyEnd = kHeaderSize + 40;
        for (qsizetype n = 0; n <= whole.size(); ++n) {
            const Verdict expected = n < keyEnd ? Verdict::Truncated : Verdict::Entry;
            QCOMPARE(ReadHeader(whole.left(n)).verdict, expected);
        }
        QRandomGenerator random(20261210);
        for (int round = 0; round < 2000; ++round) {
            QByteArray damaged = whole.left(random.bounded(int(whole.size()) + 1));
            for (int flips = random.bounded(4); flips > 0 && !damaged.isEmpty(); --flips)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            const QByteArray key = ReadKey(damaged);
            QVERIFY(key.size() <= damaged.size() - kHeaderSize || key.isEmpty());
            KeyAddress(key);
        }
    }

    void keyAddresses_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("address");
        QTest::newRow("plain address") << QByteArray("http://h/a.pdf") << QStringLiteral("http://h/a.pdf");
        QTest::newRow("credential and upload marks")
            << QByteArray("1/0/http://h/a?x=1") << QStringLiteral("http://h/a?x=1");
        QTest::newRow("split by site") << QByteArray(
                                              "1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:80/p.html")
                                       << QStringLiteral("http://127.0.0.1:80/p.html");
        QTest::newRow("split, no marks") << QByteArray("_dk_s://a s://a https://a/b") << QStringLiteral("https://a/b");
        QTest::newRow("upload number") << QByteArray("0/123/https://a/post") << QStringLiteral("https://a/post");
        QTest::newRow("scheme is not a mark") << QByteArray("http://1/2/") << QStringLiteral("http://1/2/");
        QTest::newRow("marks only") << QByteArray("1/0/") << QStringLiteral("1/0/");
        QTest::newRow("split without sites") << QByteArray("1/0/_dk_x") << QStringLiteral("_dk_x");
        QTest::newRow("garbage stays visible") << QByteArray("\x01zz") << QStringLiteral("\x01zz");
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void keyAddresses()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, address);
        QCOMPARE(KeyAddress(key), address);
    }

    void entryFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("first");
        QTest::addColumn<bool>("ofAnEntry");
        QTest::newRow("first file") << QStringLiteral("0123456789abcdef_0") << true << true;
        QTest::newRow("second stream") << QStringLiteral("0123456789abcdef_1") << false << true;
        QTest::newRow("third stream") << QStringLiteral("0123456789abcdef_2") << false << true;
        QTest::newRow("sparse") << QStringLiteral("0123456789abcdef_s") << false << true;
        QTest::newRow("unknown stream") << QStringLiteral("0123456789abcdef_3") << false << false;
        QTest::newRow("upper-case hex") << QStringLiteral("0123456789ABCDEF_0") << false << false;
        QTest::newRow("short hash") << QStringLiteral("0123456789abcde_0") << false << false;
        QTest::newRow("no separator") << QStringLiteral("0123456789abcdef00") << false << false;
        QTest::newRow("index") << QStringLiteral("index") << false << false;
        QTest::newRow("real index") << QStringLiteral("the-real-index") << false << false;
    }
    void entryFileNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, first);
        QFETCH(bool, ofAnEntry);
        QCOMPARE(IsEntryFileName(name), first);
        QCOMPARE(IsEntryStreamFileName(name), ofAnEntry);
    }
};

QTEST_GUILESS_MAIN(TestCacheReader)
#include "test_cachereader.moc"
