#include "core/store/Settings.h"
#include "core/store/StoreTexts.h"
#include "core/util/DataFolder.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QVariant>
#include <functional>

namespace {
using namespace SettingKeys;

// One declared key, a value of its type, and the text that value is stored as.
struct Sample {
    QString name;
    QString text;
    QString value;
    std::function<void()> write;
    std::function<QString()> read;
};

template <SettingType T> QString shown(const T &value)
{
    return QVariant::fromValue(value).toString();
}

template <SettingType T> Sample sample(const SettingValue<T> &key, const T &value, const QString &text)
{
    return {key.section() + u'/' + key.key(), text, shown(value), [&key, value] { key.write(value); },
            [&key] { return shown(key.read()); }};
}

// Every key, with texts an INI file treats specially and numbers that must not turn into exponents.
const QList<Sample> &samples()
{
    static const QList<Sample> list{
        sample(文件最大值, 12.5, "12.5"),
        sample(下载方式, 1, "1"),
        sample(代理服务器有效, true, "1"),
        sample<QString>(代理服务器网址, "proxy.example.com", "proxy.example.com"),
        sample<QString>(代理服务器端口, "8080", "8080"),
        sample(使用ip代理, true, "1"),
        sample(提取网页信息时提示下载保存路径, false, "0"),
        sample<QString>(下载文件保存路径, "/data/论文 下载/a,b;c=d\\e", "/data/论文 下载/a,b;c=d\\e"),
        sample(combo1, 17, "17"),
        sample(check1, true, "1"),
        sample(check3, true, "1"),
        sample(check7, true, "1"),
        sample(代理ip使用index, 3, "3"),
        sample<QString>(指定网址, "http://h/p?a=1&b=\"x\"#f", "http://h/p?a=1&b=\"x\"#f"),
        sample(线程, 5, "5"),
        sample<QString>(重复文件名设置, "跳过", "跳过"),
        sample<QString>(下载窗口分辨率, "1920*1080", "1920*1080"),
        sample(下载窗口上, 1200.0, "1200"),
        sample(下载窗口左, -300.0, "-300"),
        sample(下载窗口宽, 16000.0, "16000"),
        sample(下载窗口高, 1234567.0, "1234567"),
        sample<QString>(目的文件夹, "@home/", "@home/"),
        sample(OpIndex, 2, "2"),
    };
    return list;
}

// The settings file as any INI reader sees it, the way the store wrote it before it kept values in memory.
QSettings plainFile()
{
    return QSettings(DataFolder::filePath(ApplicationTitle() + ".ini"), QSettings::IniFormat);
}

// Child process: "write" stores every sample's text with a plain INI writer; "read" prints what the typed keys
// give back, one key per line.
int runChild(const QString &mode)
{
    if (mode == QLatin1String("write")) {
        QSettings file = plainFile();
        for (const Sample &s : samples())
            file.setValue(s.name, s.text);
        return 0;
    }
    QTextStream out(stdout);
    for (const Sample &s : samples())
        out << s.name << '=' << s.read().toUtf8().toPercentEncoding() << '\n';
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
    for (const Sample &s : samples())
        text += s.name + u'=' + QString::fromLatin1(s.value.toUtf8().toPercentEncoding()) + u'\n';
    return text;
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstRunReadsEveryDefault()
    {
        TestHome home;
        QCOMPARE(文件最大值.read(), 10.0);
        QCOMPARE(下载方式.read(), 2);
        QCOMPARE(代理服务器有效.read(), false);
        QCOMPARE(代理服务器网址.read(), QString());
        QCOMPARE(代理服务器端口.read(), QString());
        QCOMPARE(使用ip代理.read(), false);
        QCOMPARE(提取网页信息时提示下载保存路径.read(), true);
        QCOMPARE(combo1.read(), 4);
        QCOMPARE(check1.read(), false);
        QCOMPARE(check3.read(), false);
        QCOMPARE(check7.read(), false);
        QCOMPARE(代理ip使用index.read(), 0);
        QCOMPARE(指定网址.read(), QString());
        QCOMPARE(线程.read(), 2);
        QCOMPARE(重复文件名设置.read(), QString("重命名"));
        QCOMPARE(下载窗口分辨率.read(), QString("000"));
        QCOMPARE(下载窗口上.read(), 100.0);
        QCOMPARE(下载窗口左.read(), 100.0);
        QCOMPARE(下载窗口宽.read(), 15000.0);
        QCOMPARE(下载窗口高.read(), 10000.0);
        QCOMPARE(OpIndex.read(), 4);
        QCOMPARE(StoredDownloadFolder(), QDir::homePath() + "/12345");
        QCOMPARE(StoredCopyDestinationFolder(), home.path() + "/");
        QCOMPARE(ReadSetting(ApplicationTitle(), "设置", "never written", "caller's default"),
                 QString("caller's default"));
        QVERIFY(!QFileInfo::exists(home.filePath(ApplicationTitle() + ".ini")));
    }

    // The file keeps the texts any INI reader finds, so files written before and after the typed keys agree.
    void valuesAreStoredAsTheirTexts()
    {
        TestHome home;
        for (const Sample &s : samples())
            s.write();
        const QSettings file = plainFile();
        for (const Sample &s : samples())
            QCOMPARE(s.name + u'=' + file.value(s.name).toString(), s.name + u'=' + s.text);
    }

    // A file written by a plain INI writer in another process reads as the typed values.
    void valuesSurviveANewProcess()
    {
        TestHome home;
        QCOMPARE(childRun("write"), QString());
        QVERIFY(QFileInfo::exists(home.filePath(ApplicationTitle() + ".ini")));
        for (const Sample &s : samples())
            QCOMPARE(s.name + u'=' + s.read(), s.name + u'=' + s.value);
        QCOMPARE(StoredDownloadFolder(), QString("/data/论文 下载/a,b;c=d\\e"));
        QCOMPARE(StoredCopyDestinationFolder(), QString("@home/"));
    }

    void writesReachTheNextProcess()
    {
        TestHome home;
        for (const Sample &s : samples())
            s.write();
        QCOMPARE(childRun("read"), expectedReadOut());
    }

    // Each data folder has its own file: values follow PAPERHARVEST_HOME, and coming back reads the file again.
    void valuesFollowTheDataFolder()
    {
        TestHome first;
        线程.write(5);
        check1.write(true);
        {
            TestHome second;
            QCOMPARE(线程.read(), 2);
            QCOMPARE(check1.read(), false);
            线程.write(0);
            QCOMPARE(线程.read(), 0);
        }
        QCOMPARE(线程.read(), 5);
        QCOMPARE(check1.read(), true);
    }

    void replaceAndEmptyValues()
    {
        TestHome home;
        下载方式.write(1);
        下载方式.write(2);
        QCOMPARE(下载方式.read(), 2);
        下载窗口分辨率.write(QString());
        QCOMPARE(下载窗口分辨率.read(), QString()); // written empty, not missing: no default comes back
        WriteSetting(ApplicationTitle(), "下载", "线程", "0");
        QCOMPARE(线程.read(), 0);
    }

    // A file a user edited by hand: a value whose quote is left open (or a path ending in a backslash) would fold
    // every later line into it, so a hand-set maximum size of 20 MB would read as the default 10. Each line at
    // fault is named and passed over, the others read as they stand, and the file is never written over.
    void aFileThatDoesNotParseIsReadLineByLineAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("faultyLine");
        QTest::addColumn<QString>("reason");
        QTest::newRow("quote left open") << QByteArray("代理服务器网址=\"proxy.example.com")
                                         << StoreTexts::kIniQuoteUnclosed;
        QTest::newRow("backslash at the end")
            << QByteArray("代理服务器网址=C:\\papers\\") << StoreTexts::kIniLineJoined;
        QTest::newRow("section without its bracket") << QByteArray("[代理") << StoreTexts::kIniSectionUnclosed;
        QTest::newRow("neither key nor section") << QByteArray("proxy.example.com") << StoreTexts::kIniNotAKey;
    }
    void aFileThatDoesNotParseIsReadLineByLineAndLeftAlone()
    {
        QFETCH(QByteArray, faultyLine);
        QFETCH(QString, reason);
        TestHome home;
        const QString path = SettingsFilePath(ApplicationTitle());
        const QByteArray text =
            "[设置]\r\n使用ip代理=1\r\n" + faultyLine + "\r\n文件最大值=20\r\n[fWebSearch]\r\ncombo1=7\r\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();

        QCOMPARE(文件最大值.read(), 20.0);
        QCOMPARE(combo1.read(), 7);
        QCOMPARE(使用ip代理.read(), true);
        QCOMPARE(代理服务器网址.read(), QString());
        const QList<SettingsFileProblem> problems = SettingsFileProblems(ApplicationTitle());
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].line, 3);
        QCOMPARE(problems[0].reason, reason);

        // Changed for this run only.
        combo1.write(9);
        QCOMPARE(combo1.read(), 9);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), text);
    }

    // A value written as it already stands leaves the file alone: a batch that changes nothing rewrites nothing
    // (and a file kept by hand keeps its comments and layout).
    void unchangedValuesAreNotWritten()
    {
        TestHome home;
        const QString path = SettingsFilePath(ApplicationTitle());
        const QByteArray text = "; kept by hand\n[fWebSearch]\n代理ip使用index=3\ncombo1=7\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        代理ip使用index.write(3);
        combo1.write(7);
        QVERIFY(SettingsFileProblems(ApplicationTitle()).isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), text);
        file.close();
        combo1.write(8);
        QCOMPARE(plainFile().value("fWebSearch/combo1").toString(), QString("8"));
        QCOMPARE(plainFile().value("fWebSearch/代理ip使用index").toString(), QString("3"));
    }

    void storedTextConversions_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("whole");
        QTest::addColumn<double>("decimal");
        QTest::addColumn<bool>("flag");
        QTest::newRow("number") << "7" << 7 << 7.0 << false;
        QTest::newRow("one") << "1" << 1 << 1.0 << true;
        QTest::newRow("zero") << "0" << 0 << 0.0 << false;
        QTest::newRow("surrounding spaces") << " 1 " << 1 << 1.0 << true;
        QTest::newRow("negative") << "-3" << -3 << -3.0 << false;
        QTest::newRow("decimal text") << "2.5" << 4 << 2.5 << true;
        QTest::newRow("not a number") << "abc" << 4 << 10.0 << true;
        QTest::newRow("empty") << "" << 4 << 10.0 << true;
        QTest::newRow("yes is not a number") << "yes" << 4 << 10.0 << true;
    }
    // Read through keys whose defaults are 4, 10 and yes, so that a fallback shows as the default.
    void storedTextConversions()
    {
        QFETCH(QString, stored);
        QFETCH(int, whole);
        QFETCH(double, decimal);
        QFETCH(bool, flag);
        TestHome home;
        WriteSetting(ApplicationTitle(), combo1.section(), combo1.key(), stored);
        WriteSetting(ApplicationTitle(), 文件最大值.section(), 文件最大值.key(), stored);
        WriteSetting(ApplicationTitle(), 提取网页信息时提示下载保存路径.section(), 提取网页信息时提示下载保存路径.key(),
                     stored);
        QCOMPARE(combo1.read(), whole);
        QCOMPARE(文件最大值.read(), decimal);
        QCOMPARE(提取网页信息时提示下载保存路径.read(), flag);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--settings-child") == 0)
        return runChild(QString::fromLocal8Bit(argv[2]));
    TestSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_settings.moc"
