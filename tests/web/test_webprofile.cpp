#include "web/WebProfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>

namespace {
// Sets an environment variable (unset for an empty value) until the end of the scope.
class ScopedEnv final
{
public:
    ScopedEnv(const char *name, const QString &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_previous(qgetenv(name))
    {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_previous);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    bool m_had;
    QByteArray m_previous;
};
} // namespace

class TestWebProfile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The browser cache goes to the platform's cache folder; a data folder named by PAPERHARVEST_HOME keeps it.
    // Stored pages, cookies and the rest of the profile stay in the data folder either way.
    void cacheFolder_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("cache"); // below the temporary folder
        QTest::addColumn<QString>("storage");
        QTest::newRow("per-user folders") << false << QStringLiteral("xdg-cache/PaperHarvest")
                                          << QStringLiteral("xdg-data/PaperHarvest/browser/storage");
        QTest::newRow("PAPERHARVEST_HOME")
            << true << QStringLiteral("home/browser/cache") << QStringLiteral("home/browser/storage");
    }

    void cacheFolder()
    {
        QFETCH(bool, portable);
        QFETCH(QString, cache);
        QFETCH(QString, storage);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const ScopedEnv cacheHome("XDG_CACHE_HOME", dir.filePath(QStringLiteral("xdg-cache")));
        const ScopedEnv dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("xdg-data")));
        const ScopedEnv home("PAPERHARVEST_HOME", portable ? dir.filePath(QStringLiteral("home")) : QString());

        QWebEngineProfile *profile = ProgramWebProfile();
        QCOMPARE(profile->cachePath(), dir.filePath(cache));
        QCOMPARE(profile->persistentStoragePath(), dir.filePath(storage));
        QVERIFY(QDir(dir.filePath(cache)).exists());
        // Nothing of the program lands in the cache folder the portable data folder does not use.
        if (portable)
            QVERIFY(!QDir(dir.filePath(QStringLiteral("xdg-cache/PaperHarvest"))).exists());
    }
};

QTEST_MAIN(TestWebProfile)
#include "test_webprofile.moc"
