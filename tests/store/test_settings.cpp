#include "core/store/Settings.h"
#include "core/util/DataFolder.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTest>
#include <cstdio>

namespace {
using namespace SettingKeys;

// Texts the store must give back exactly, including the ones an INI file treats specially.
const QList<QPair<const SettingKey *, QString>> &storedValues()
{
    static const QList<QPair<const SettingKey *, QString>> values{
        {&文件最大值, "12.5"},
        {&下载方式, "1"},
        {&代理服务器有效, "1"},
        {&代理服务器网址, "proxy.example.com"},
        {&代理服务器端口, "8080"},
        {&使用ip代理, "1"},
        {&提取网页信息时提示下载保存路径, "0"},
        {&下载文件保存路径, "/data/论文 下载/a,b;c=d\\e"},
        {&combo1, "17"},
        {&check1, "1"},
        {&check3, "1"},
        {&check7, "1"},
        {&代理ip使用index, "3"},
        {&指定网址, "http://h/p?a=1&b=\"x\"#f"},
        {&线程, "5"},
        {&重复文件名设置, "跳过"},
        {&下载窗口分辨率, "1920*1080"},
        {&下载窗口上, "1200"},
        {&下载窗口左, "-300"},
        {&下载窗口宽, "16000"},
        {&下载窗口高, "9000"},
        {&目的文件夹, "@home/"},
        {&OpIndex, " 2"},
    };
    return values;
}

QString describe(const SettingKey &key)
{
    return QString::fromUtf8(key.section) + u'/' + QString::fromUtf8(key.key);
}

// Child process: "write" stores every value above; "read" prints what it finds, one key per line.
int runChild(const QString &mode)
{
    if (mode == QLatin1String("write")) {
        for (const auto &[key, value] : storedValues())
            key->write(value);
        return 0;
    }
    QTextStream out(stdout);
    for (const auto &[key, value] : storedValues())
        out << describe(*key) << '=' << key->read().toUtf8().toPercentEncoding() << '\n';
    return 0;
}

QString childRun(const QString &mode)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--settings-child"), mode});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return QStringLiteral("<child failed: %1>").arg(QString::fromLocal8Bit(child.readAllStandardError()));
    return QString::fromUtf8(child.readAllStandardOutput());
}

QString expectedReadOut()
{
    QString text;
    for (const auto &[key, value] : storedValues())
        text += describe(*key) + u'=' + QString::fromLatin1(value.toUtf8().toPercentEncoding()) + u'\n';
    return text;
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstRunReadsEveryDefault_data()
    {
        QTest::addColumn<const SettingKey *>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("largest file size") << &文件最大值 << "10";
        QTest::newRow("engine") << &下载方式 << "2";
        QTest::newRow("proxy server on") << &代理服务器有效 << "0";
        QTest::newRow("proxy address") << &代理服务器网址 << "";
        QTest::newRow("proxy port") << &代理服务器端口 << "";
        QTest::newRow("proxy rotation") << &使用ip代理 << "0";
        QTest::newRow("delay entry") << &combo1 << "4";
        QTest::newRow("skip existing") << &check1 << "0";
        QTest::newRow("same address once") << &check3 << "0";
        QTest::newRow("follow analysed row") << &check7 << "0";
        QTest::newRow("proxy position") << &代理ip使用index << "0";
        QTest::newRow("typed address") << &指定网址 << "";
        QTest::newRow("threads position") << &线程 << "2";
        QTest::newRow("same-name rule") << &重复文件名设置 << "重命名";
        QTest::newRow("window resolution") << &下载窗口分辨率 << "000";
        QTest::newRow("window top") << &下载窗口上 << "100";
        QTest::newRow("window left") << &下载窗口左 << "100";
        QTest::newRow("window width") << &下载窗口宽 << "15000";
        QTest::newRow("window height") << &下载窗口高 << "10000";
        QTest::newRow("copy operation") << &OpIndex << "4";
    }
    void firstRunReadsEveryDefault()
    {
        QFETCH(const SettingKey *, key);
        QFETCH(QString, text);
        TestHome home;
        QCOMPARE(key->read(), text);
    }

    void firstRunTypedDefaults()
    {
        TestHome home;
        QCOMPARE(下载方式.readInt(), 2);
        QVERIFY(!代理服务器有效.readFlag());
        QCOMPARE(文件最大值.readDouble(), 10.0);
        QVERIFY(!使用ip代理.readFlag());
        QCOMPARE(combo1.readInt(), 4);
        QVERIFY(!check1.readFlag() && !check3.readFlag() && !check7.readFlag());
        QCOMPARE(线程.readInt(), 2);
        QCOMPARE(StoredDownloadFolder(), QDir::homePath() + "/12345");
        QCOMPARE(StoredCopyDestinationFolder(), home.path() + "/");
        QCOMPARE(ReadSetting(ApplicationTitle(), "设置", "never written", "caller's default"),
                 QString("caller's default"));
    }

    // Written by one process, read by another: the values live in the data folder's file, not in memory.
    void valuesSurviveANewProcess()
    {
        TestHome home;
        QCOMPARE(childRun("write"), QString());
        QVERIFY(QFileInfo::exists(home.filePath(ApplicationTitle() + ".ini")));
        for (const auto &[key, value] : storedValues())
            QCOMPARE(key->read(), value);
        QCOMPARE(StoredDownloadFolder(), QString("/data/论文 下载/a,b;c=d\\e"));
        QCOMPARE(StoredCopyDestinationFolder(), QString("@home/"));
    }

    void writesReachTheNextProcess()
    {
        TestHome home;
        for (const auto &[key, value] : storedValues())
            key->write(value);
        QCOMPARE(childRun("read"), expectedReadOut());
    }

    void replaceAndEmptyValues()
    {
        TestHome home;
        下载方式.write(1);
        下载方式.write(2);
        QCOMPARE(下载方式.read(), QString("2"));
        指定网址.write("x");
        指定网址.write(QString());
        QCOMPARE(指定网址.read(), QString()); // written empty, not missing: no default comes back
        WriteSetting(ApplicationTitle(), "下载", "线程", "0");
        QCOMPARE(线程.readInt(), 0);
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("whole");
        QTest::addColumn<double>("decimal");
        QTest::addColumn<bool>("flag");
        QTest::newRow("number") << "7" << 7 << 7.0 << false;
        QTest::newRow("one") << "1" << 1 << 1.0 << true;
        QTest::newRow("surrounding spaces") << " 3 " << 3 << 3.0 << false;
        QTest::newRow("decimal text") << "2.5" << 4 << 2.5 << false;
        QTest::newRow("not a number") << "abc" << 4 << 10.0 << false;
        QTest::newRow("empty") << "" << 4 << 10.0 << false;
        QTest::newRow("yes is not a flag") << "yes" << 4 << 10.0 << false;
    }
    void conversions()
    {
        QFETCH(QString, stored);
        QFETCH(int, whole);
        QFETCH(double, decimal);
        QFETCH(bool, flag);
        TestHome home;
        combo1.write(stored);
        文件最大值.write(stored);
        使用ip代理.write(stored);
        QCOMPARE(combo1.readInt(), whole);
        QCOMPARE(文件最大值.readDouble(), decimal);
        QCOMPARE(使用ip代理.readFlag(), flag);
    }

    void numbersAndFlagsStoredAsPlainText()
    {
        TestHome home;
        combo1.write(12);
        check1.writeFlag(true);
        check3.writeFlag(false);
        QCOMPARE(combo1.read(), QString("12"));
        QCOMPARE(check1.read(), QString("1"));
        QCOMPARE(check3.read(), QString("0"));
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--settings-child") == 0) {
        QCoreApplication app(argc, argv);
        return runChild(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_settings.moc"
