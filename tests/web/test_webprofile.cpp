#include "web/WebProfile.h"

#include "support/ScopedEnvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>

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
        const ScopedEnvironment cacheHome("XDG_CACHE_HOME", dir.filePath(QStringLiteral("xdg-cache")).toUtf8());
        const ScopedEnvironment dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("xdg-data")).toUtf8());
        const ScopedEnvironment home("PAPERHARVEST_HOME",
                                     portable ? dir.filePath(QStringLiteral("home")).toUtf8() : QByteArray());

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
