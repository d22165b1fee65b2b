#include "core/analysis/AnalysisTexts.h"
#include "core/analysis/ProxyRotation.h"
#include "core/store/Settings.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

namespace {
void writeGbk(const QString &path, const QString &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QStringEncoder gbk("GBK");
    f.write(gbk.encode(text));
}

// The proxies the next `n` fetches would use when every fetch fails.
QStringList proxiesOfFailingFetches(ProxyRotation &rotation, int n)
{
    QStringList used;
    for (int i = 0; i < n; ++i) {
        used << rotation.updateBeforeFetch();
        rotation.recordFetch(false);
    }
    return used;
}
} // namespace

class TestProxyRotation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nextAddressWalksTheList_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("storedIndex");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("three, stored 2: wraps to 0 first")
            << QStringList{"a:1", "b:2", "c:3"} << 2 << QStringList{"a:1", "b:2", "c:3", "a:1"};
        QTest::newRow("stored 0 starts with element 1")
            << QStringList{"a:1", "b:2", "c:3"} << 0 << QStringList{"b:2", "c:3", "a:1"};
        QTest::newRow("one address always") << QStringList{"a:1"} << 0 << QStringList{"a:1", "a:1", "a:1"};
        QTest::newRow("stored index beyond the list") << QStringList{"a:1", "b:2"} << 9 << QStringList{"a:1", "b:2"};
        QTest::newRow("negative stored index") << QStringList{"a:1", "b:2"} << -4 << QStringList{"a:1", "b:2"};
        QTest::newRow("entries are trimmed") << QStringList{" a:1 ", "\tb:2"} << 1 << QStringList{"a:1", "b:2"};
        QTest::newRow("blank lines are stepped over")
            << QStringList{"a:1", "", "  ", "b:2", ""} << 0 << QStringList{"b:2", "a:1", "b:2"};
    }
    void nextAddressWalksTheList()
    {
        QFETCH(QStringList, list);
        QFETCH(int, storedIndex);
        QFETCH(QStringList, expected);
        RecordingPrompt prompt;
        ProxyRotation rotation;
        rotation.setUseProxyList(true);
        rotation.setProxyList(list);
        rotation.setProxyIndex(storedIndex);
        QStringList got;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            got << rotation.下一个IP代理();
            QCOMPARE(rotation.statusText(), ProxyRotation::proxyText(got.last()));
        }
        QCOMPARE(got, expected);
        QVERIFY(prompt.entries.isEmpty());
    }

    void listWithoutAddressReportsEveryRotation_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::newRow("missing file") << QStringList{QString()};
        QTest::newRow("only blank lines") << QStringList{"", " ", "\t"};
        QTest::newRow("empty list") << QStringList{};
    }
    void listWithoutAddressReportsEveryRotation()
    {
        QFETCH(QStringList, list);
        RecordingPrompt prompt;
        ProxyRotation rotation;
        rotation.setUseProxyList(true);
        rotation.setProxyList(list);
        QSignalSpy status(&rotation, &ProxyRotation::statusTextChanged);

        QCOMPARE(rotation.下一个IP代理(), QString());
        QCOMPARE(status.count(), 0); // the panel keeps what it showed
        QCOMPARE(prompt.texts(), QStringList{AnalysisTexts::kBadProxyList});
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);

        // The fetch goes without a proxy, and the next due rotation complains again.
        QCOMPARE(rotation.updateBeforeFetch(), QString());
        QCOMPARE(rotation.statusText(), AnalysisTexts::kNoProxy);
        QCOMPARE(prompt.entries.size(), 2);
        proxiesOfFailingFetches(rotation, ProxyRotation::kFailuresBeforeRotation + 1);
        QCOMPARE(prompt.entries.size(), 3);
    }

    void withoutProxyModeNothingRotates()
    {
        TestHome home;
        RecordingPrompt prompt;
        writeGbk(home.filePath("ip.txt"), "a:1\r\nb:2");
        ProxyRotation rotation;
        rotation.load();
        QVERIFY(!rotation.UseProxyList());
        QCOMPARE(rotation.statusText(), AnalysisTexts::kNoProxy);
        QCOMPARE(proxiesOfFailingFetches(rotation, 12), QStringList(12, QString()));
        QCOMPARE(rotation.statusText(), AnalysisTexts::kNoProxy);
        QCOMPARE(rotation.下一个IP代理(), QString());
        QVERIFY(prompt.entries.isEmpty());
    }

    // A proxy is kept while it delivers pages; five failures in a row move to the next one.
    void rotationAfterFiveFailuresInARow()
    {
        RecordingPrompt prompt;
        ProxyRotation rotation;
        rotation.setUseProxyList(true);
        rotation.setProxyList({"a:1", "b:2", "c:3"});
        rotation.setProxyIndex(2);

        // The first fetch in proxy mode already takes an address.
        QCOMPARE(rotation.updateBeforeFetch(), QString("a:1"));
        QCOMPARE(rotation.statusText(), ProxyRotation::proxyText("a:1"));
        rotation.recordFetch(true);
        // Four failures, a success, four failures: never five in a row.
        QCOMPARE(proxiesOfFailingFetches(rotation, 4), QStringList(4, "a:1"));
        QCOMPARE(rotation.updateBeforeFetch(), QString("a:1"));
        rotation.recordFetch(true);
        QCOMPARE(rotation.ProxyFetchCount(), 0);
        QCOMPARE(proxiesOfFailingFetches(rotation, 5), QStringList(5, "a:1"));
        QCOMPARE(rotation.ProxyFetchCount(), 5);
        // The sixth fetch goes through the next address, and the count starts over.
        QCOMPARE(proxiesOfFailingFetches(rotation, 6), (QStringList{"b:2", "b:2", "b:2", "b:2", "b:2", "c:3"}));
        QCOMPARE(rotation.ProxyIndex(), 2);
        QVERIFY(prompt.entries.isEmpty());
    }

    void switchingProxyModeOnAndOff()
    {
        RecordingPrompt prompt;
        ProxyRotation rotation;
        rotation.setProxyList({"a:1", "b:2"});
        QCOMPARE(rotation.updateBeforeFetch(), QString());
        rotation.setUseProxyList(true);
        QCOMPARE(rotation.updateBeforeFetch(), QString("b:2"));
        rotation.setUseProxyList(false);
        QCOMPARE(rotation.statusText(), AnalysisTexts::kNoProxy);
        QCOMPARE(rotation.updateBeforeFetch(), QString());
        QCOMPARE(rotation.CurrentProxy(), QString());
        // Switched on again, the next fetch takes a fresh address at once.
        rotation.setUseProxyList(true);
        QCOMPARE(rotation.updateBeforeFetch(), QString("a:1"));
        // A new list is used from the next rotation on.
        rotation.setProxyList({"x:9"});
        QCOMPARE(proxiesOfFailingFetches(rotation, 7), (QStringList{"a:1", "a:1", "a:1", "a:1", "a:1", "x:9", "x:9"}));
    }

    void loadAndStoreThroughSettingsAndIpTxt()
    {
        TestHome home;
        RecordingPrompt prompt;
        writeGbk(home.filePath("ip.txt"), "10.0.0.1:80\r\n10.0.0.2:8080\r\n10.0.0.3:3128\r\n");
        SettingKeys::使用ip代理.write(true);
        SettingKeys::代理ip使用index.write(1);
        {
            ProxyRotation rotation;
            QSignalSpy status(&rotation, &ProxyRotation::statusTextChanged);
            rotation.load();
            QVERIFY(rotation.UseProxyList());
            QCOMPARE(status.count(), 0);
            QCOMPARE(rotation.ProxyList(), (QStringList{"10.0.0.1:80", "10.0.0.2:8080", "10.0.0.3:3128", ""}));
            QCOMPARE(rotation.updateBeforeFetch(), QString("10.0.0.3:3128"));
            QCOMPARE(rotation.CurrentProxy(), QString("10.0.0.3:3128"));
            rotation.store();
        }
        QCOMPARE(SettingKeys::代理ip使用index.read(), 2);
        ProxyRotation again;
        again.load();
        QCOMPARE(again.CurrentProxy(), QString()); // never stored
        // The trailing line break's blank entry is stepped over.
        QCOMPARE(again.updateBeforeFetch(), QString("10.0.0.1:80"));
        QVERIFY(prompt.entries.isEmpty());
    }

    void missingOrEmptyIpTxtGivesOneEmptyEntry()
    {
        TestHome home;
        QCOMPARE(ProxyRotation::readProxyListFile(), QStringList{QString()});
        writeGbk(home.filePath("ip.txt"), "");
        QCOMPARE(ProxyRotation::readProxyListFile(), QStringList{QString()});
        writeGbk(home.filePath("ip.txt"), "a:1\nb:2\n");
        QCOMPARE(ProxyRotation::readProxyListFile(), (QStringList{"a:1", "b:2", ""}));
    }
};

QTEST_GUILESS_MAIN(TestProxyRotation)
#include "test_proxyrotation.moc"
