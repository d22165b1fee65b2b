#include "core/cache/CacheDeletion.h"
#include "core/cache/CacheEntryRows.h"
#include "core/cache/CacheFolderWalk.h"
#include "core/cache/CacheListModel.h"
#include "core/cache/CacheLocations.h"
#include "core/cache/CachedResponse.h"
#include "core/cache/ContentDecoding.h"
#include "support/CacheEntryFiles.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace F = CacheEntryFiles;

namespace {
QStringList texts(const CacheListModel &model, int column)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, column).data().toString();
    return result;
}

// `input` through a command of another tool (an encoder); empty when it failed.
QByteArray through(const QStringList &command, const QByteArray &input)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QByteArray python(const char *expression, const QByteArray &input)
{
    return through({QStringLiteral("python3"), QStringLiteral("-c"),
                    QStringLiteral("import gzip,zlib,sys; d=sys.stdin.buffer.read(); sys.stdout.buffer.write(%1)")
                        .arg(QLatin1String(expression))},
                   input);
}

CacheRow entryRow(const QString &address, const QString &path)
{
    return {address, {}, 1, path};
}
} // namespace

// The cache window's rules on real files: rows from entry files, the walk, deletion and its limits, the user
// folders, the list model.
class TestCacheFiles final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rowsFromEntryFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("address"); // empty: no row
        QTest::addColumn<QString>("type");
        QTest::newRow("document") << F::name(1) << F::entry("1/0/_dk_http://h http://h http://h/d/paper.pdf")
                                  << QStringLiteral("http://h/d/paper.pdf") << QStringLiteral("pdf");
        QTest::newRow("no extension") << F::name(2) << F::entry("1/0/http://h/") << QStringLiteral("http://h/")
                                      << QString();
        QTest::newRow("second stream file")
            << F::name(3, "1") << F::entry("1/0/http://h/a.js") << QString() << QString();
        QTest::newRow("truncated") << F::name(4) << F::entry("1/0/http://h/a.js").left(30) << QString() << QString();
        QTest::newRow("garbled") << F::name(5) << QByteArray(200, 'x') << QString() << QString();
        QTest::newRow("empty file") << F::name(6) << QByteArray() << QString() << QString();
        QTest::newRow("index") << QStringLiteral("index") << F::entry("1/0/http://h/a.js") << QString() << QString();
    }
    void rowsFromEntryFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, address);
        QFETCH(QString, type);
        QTemporaryDir dir;
        const QString path = F::write(dir.path(), name, bytes);
        const std::optional<CacheRow> row = CacheEntryRow(path);
        QCOMPARE(row.has_value(), !address.isEmpty());
        if (!row)
            return;
        QCOMPARE(row->text, address);
        QCOMPARE(row->type, type);
        QCOMPARE(row->size, qint64(bytes.size()));
        QCOMPARE(row->filePath, path);
    }

    void userFileRow()
    {
        QTemporaryDir dir;
        const QString path = F::write(dir.filePath(QStringLiteral("a/b")), QStringLiteral("Notes.TXT"), "12345");
        QCOMPARE(UserCacheFileRow(path, QStringLiteral("alice")),
                 (CacheRow{QStringLiteral("用户:alice"), QStringLiteral("TXT"), 5, path}));
    }

    void walkNeitherListsNorEntersLinks()
    {
        QTemporaryDir cache, outside;
        F::write(outside.path(), QStringLiteral("secret"), "s");
        F::write(cache.filePath(QStringLiteral("d1/d2")), QStringLiteral("f2"), "x");
        F::write(cache.path(), QStringLiteral("f1"), "x");
        QVERIFY(QFile::link(outside.path(), cache.filePath(QStringLiteral("d1/away"))));
        QVERIFY(QFile::link(outside.filePath(QStringLiteral("secret")), cache.filePath(QStringLiteral("link"))));

        QStringList files = CacheFolderWalk::all(cache.path(), CacheFolderWalk::What::Files);
        files.sort();
        QCOMPARE(files,
                 QStringList({cache.filePath(QStringLiteral("d1/d2/f2")), cache.filePath(QStringLiteral("f1"))}));
        const QStringList folders = CacheFolderWalk::all(cache.path(), CacheFolderWalk::What::Folders);
        QCOMPARE(folders, QStringList({cache.filePath(QStringLiteral("d1")), cache.filePath(QStringLiteral("d1/d2"))}));

        // In batches: the same files, nothing twice.
        CacheFolderWalk walk(cache.path(), CacheFolderWalk::What::Files);
        QStringList stepwise;
        while (!walk.atEnd())
            stepwise += walk.next(1);
        stepwise.sort();
        QCOMPARE(stepwise, files);
    }

    void insideTheCacheFolders_data()
    {
        QTest::addColumn<QString>("relative"); // to the test folder holding "cache" and "elsewhere"
        QTest::addColumn<bool>("inside");
        QTest::newRow("entry file") << QStringLiteral("cache/Cache/0000000000000001_0") << true;
        QTest::newRow("file at the top") << QStringLiteral("cache/index") << true;
        QTest::newRow("the folder itself") << QStringLiteral("cache") << false;
        QTest::newRow("climbing out") << QStringLiteral("cache/Cache/../../elsewhere/file") << false;
        QTest::newRow("another folder") << QStringLiteral("elsewhere/file") << false;
        QTest::newRow("same name start") << QStringLiteral("cache2/file") << false;
        QTest::newRow("through a linked folder") << QStringLiteral("cache/away/file") << false;
        QTest::newRow("nothing") << QString() << false;
    }
    void insideTheCacheFolders()
    {
        QFETCH(QString, relative);
        QFETCH(bool, inside);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("cache/Cache")));
        QDir().mkpath(dir.filePath(QStringLiteral("cache2")));
        F::write(dir.filePath(QStringLiteral("elsewhere")), QStringLiteral("file"), "x");
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), dir.filePath(QStringLiteral("cache/away"))));
        const QString path = relative.isEmpty() ? QString() : dir.filePath(relative);
        QCOMPARE(LiesInsideCacheFolders(path, {dir.filePath(QStringLiteral("cache"))}), inside);
    }

    void deletingRows()
    {
        QTemporaryDir dir, elsewhere;
        const QString cache = dir.filePath(QStringLiteral("cache"));
        const QString user = dir.filePath(QStringLiteral("users/alice/cache"));
        const QString first = F::write(cache, F::name(7), F::entry("1/0/http://h/a.css"));
        F::write(cache, F::name(7, "1"), "x");
        F::write(cache, F::name(7, "s"), "x");
        const QString neighbour = F::write(cache, F::name(8), F::entry("1/0/http://h/b.css"));
        const QString readOnly = F::write(cache, F::name(9), F::entry("1/0/http://h/c.css"));
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
        const QString cookie = F::write(cache, F::name(10), F::entry("1/0/http://h/setCOOKIE.js"));
        const QString notes = F::write(user, QStringLiteral("notes.Txt"), "n");
        const QString userFile = F::write(user, QStringLiteral("data_1"), "d");
        const QString outside = F::write(elsewhere.path(), F::name(11), F::entry("1/0/http://h/x"));
        const QStringList roots{cache, user};

        QVERIFY(DeleteCacheRow(entryRow(QStringLiteral("http://h/a.css"), first), roots));
        for (const char *stream : {"0", "1", "s"})
            QVERIFY(!QFile::exists(QDir(cache).filePath(F::name(7, stream))));
        QVERIFY(QFile::exists(neighbour));
        QVERIFY(DeleteCacheRow(entryRow(QStringLiteral("http://h/c.css"), readOnly), roots));
        QVERIFY(!QFile::exists(readOnly));

        // Protected rows stay and count as handled.
        QVERIFY(DeleteCacheRow(entryRow(QStringLiteral("http://h/setCOOKIE.js"), cookie), roots));
        QVERIFY(QFile::exists(cookie));
        QVERIFY(DeleteCacheRow(UserCacheFileRow(notes, QStringLiteral("alice")), roots));
        QVERIFY(QFile::exists(notes));
        QVERIFY(DeleteCacheRow(UserCacheFileRow(userFile, QStringLiteral("alice")), roots));
        QVERIFY(!QFile::exists(userFile));

        // A row naming a file outside the cache folders is refused, and says so.
        QVERIFY(!DeleteCacheRow(entryRow(QStringLiteral("http://h/x"), outside), roots));
        QVERIFY(QFile::exists(outside));
        // In the cache the running browser uses, a file row takes the entry files but leaves the index.
        const QString liveIndex = F::write(cache + QStringLiteral("/index-dir"), QStringLiteral("the-real-index"), "i");
        const QString liveEntry = F::write(cache, F::name(12, "1"), "x");
        QVERIFY(DeleteCacheRow(UserCacheFileRow(liveIndex, QStringLiteral("me")), roots, cache));
        QVERIFY(QFile::exists(liveIndex));
        QVERIFY(DeleteCacheRow(UserCacheFileRow(liveEntry, QStringLiteral("me")), roots, cache));
        QVERIFY(!QFile::exists(liveEntry));
        QVERIFY(DeleteCacheRow(UserCacheFileRow(liveIndex, QStringLiteral("me")), roots));
        QVERIFY(!QFile::exists(liveIndex));
        // A row whose file is gone already has nothing left to do.
        QVERIFY(DeleteCacheRow(entryRow(QStringLiteral("http://h/gone"), QString()), roots));
    }

    void protectedRows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("isProtected");
        QTest::newRow("entry") << QStringLiteral("http://h/a.js") << QStringLiteral("js") << false;
        QTest::newRow("cookie entry, any case") << QStringLiteral("http://h/CooKie/x") << QString() << true;
        QTest::newRow("entry without address") << QString() << QString() << true;
        QTest::newRow("user file") << QStringLiteral("用户:bob") << QStringLiteral("js") << false;
        QTest::newRow("user text file, any case") << QStringLiteral("用户:bob") << QStringLiteral("tXt") << true;
        QTest::newRow("user file named cookie") << QStringLiteral("用户:cookie") << QString() << false;
    }
    void protectedRows()
    {
        QFETCH(QString, text);
        QFETCH(QString, type);
        QFETCH(bool, isProtected);
        QCOMPARE(IsProtectedCacheRow({text, type, 1, QStringLiteral("/x")}), isProtected);
    }

    void emptyFoldersGoChildrenFirst()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        for (const char *folder : {"a", "a/b", "a/b/c", "d", "e"})
            QDir().mkpath(QDir(root).filePath(QLatin1String(folder)));
        F::write(QDir(root).filePath(QStringLiteral("d")), QStringLiteral("keep"), "k");
        const QStringList folders = CacheFolderWalk::all(root, CacheFolderWalk::What::Folders);
        QCOMPARE(folders.size(), 5);
        RemoveEmptyFolders(QStringList{QString()} + folders);
        QCOMPARE(CacheFolderWalk::all(root, CacheFolderWalk::What::Folders), QStringList{QDir(root).filePath("d")});
        QVERIFY(QFileInfo(root).isDir());
    }

    void locations_data()
    {
        QTest::addColumn<QString>("ownCache");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("in the home") << QStringLiteral("/home/bob/.local/share/PaperHarvest/browser/cache")
                                     << QStringLiteral("/home/bob") << QStringLiteral("/home")
                                     << QStringLiteral("/.local/share/PaperHarvest/browser/cache");
        QTest::newRow("trailing separators") << QStringLiteral("/home/bob/x/cache/") << QStringLiteral("/home/bob/")
                                             << QStringLiteral("/home") << QStringLiteral("/x/cache");
        QTest::newRow("portable data folder")
            << QStringLiteral("/opt/ph/browser/cache") << QStringLiteral("/home/bob") << QString() << QString();
        QTest::newRow("name starts like the home")
            << QStringLiteral("/home/bobby/cache") << QStringLiteral("/home/bob") << QString() << QString();
        QTest::newRow("home is the file-system root")
            << QStringLiteral("/cache") << QStringLiteral("/") << QString() << QString();
    }
    void locations()
    {
        QFETCH(QString, ownCache);
        QFETCH(QString, home);
        QFETCH(QString, root);
        QFETCH(QString, suffix);
        const CacheLocations l = CacheLocations::derive(ownCache, home);
        QCOMPARE(l.profilesRoot, root);
        QCOMPARE(l.suffix, suffix);
    }

    void userCacheFolders()
    {
        QTemporaryDir dir;
        const QString suffix = QStringLiteral("/.local/share/PaperHarvest/browser/cache");
        for (const char *user : {"alice", "bob", "carol"})
            QDir().mkpath(dir.filePath(QLatin1String(user)));
        QDir().mkpath(dir.filePath(QStringLiteral("alice")) + suffix);
        QDir().mkpath(dir.filePath(QStringLiteral("carol")) + suffix);
        const CacheLocations l{{}, dir.path(), suffix, {}};
        const QStringList profiles = ProfileFolders(l);
        QCOMPARE(profiles.size(), 3);
        const QList<UserCacheFolder> found = FindUserCacheFolders(l, profiles);
        QCOMPARE(found.size(), 2);
        QCOMPARE(found.at(0).user, QStringLiteral("alice"));
        QCOMPARE(found.at(0).folder, dir.filePath(QStringLiteral("alice")) + suffix);
        QCOMPARE(found.at(1).user, QStringLiteral("carol"));
        QVERIFY(FindUserCacheFolders(CacheLocations{}, ProfileFolders(CacheLocations{})).isEmpty());

        // A portable data folder: no other user can be found, this user's own cache still is.
        const CacheLocations portable =
            CacheLocations::derive(dir.filePath(QStringLiteral("carol")) + suffix, QStringLiteral("/home/dave"));
        QVERIFY(ProfileFolders(portable).isEmpty());
        const QList<UserCacheFolder> own = FindUserCacheFolders(portable, {});
        QCOMPARE(own.size(), 1);
        QCOMPARE(own.at(0).user, QStringLiteral("dave"));
        QCOMPARE(own.at(0).folder, dir.filePath(QStringLiteral("carol")) + suffix);
    }

    void modelSortsSizesAsNumbers()
    {
        CacheListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.append(
            {{QStringLiteral("b"), {}, 10, QStringLiteral("/2")}, {QStringLiteral("a"), {}, 9, QStringLiteral("/1")}});
        model.append({{QStringLiteral("c"), {}, 100, QStringLiteral("/3")}, {QStringLiteral("d"), {}, -1, {}}});
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("SIZE(Byte)"));
        model.sort(CacheListModel::Size, Qt::AscendingOrder);
        QCOMPARE(texts(model, CacheListModel::Size), QStringList({{}, "9", "10", "100"}));
        model.sort(CacheListModel::Size, Qt::DescendingOrder);
        QCOMPARE(texts(model, CacheListModel::Size), QStringList({"100", "10", "9", {}}));
        model.sort(CacheListModel::Url, Qt::AscendingOrder);
        QCOMPARE(texts(model, CacheListModel::Url), QStringList({"a", "b", "c", "d"}));
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    // Content-Encoding as the cache keeps it, undone; what cannot be undone whole is refused, never half given.
    void decodingBodies_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<bool>("decodes");
        const QByteArray plain = QByteArray("缓存正文 body text\n").repeated(50);
        const QByteArray gzipped = python("gzip.compress(d)", plain);
        const QByteArray brotli = through({QStringLiteral("brotli"), QStringLiteral("-c")}, plain);
        QVERIFY(!gzipped.isEmpty());
        QTest::newRow("identity") << plain << "identity" << true;
        QTest::newRow("gzip") << gzipped << "gzip" << true;
        QTest::newRow("x-gzip, two members") << gzipped + python("gzip.compress(b'')", {}) << "x-gzip" << true;
        QTest::newRow("deflate as zlib") << python("zlib.compress(d)", plain) << "deflate" << true;
        QTest::newRow("deflate raw") << python("zlib.compress(d)[2:-4]", plain) << "Deflate" << true;
        if (!brotli.isEmpty()) {
            QTest::newRow("br") << brotli << "br" << true;
            // Brotli'ed first, then gzip'ed: undone in the other order.
            QTest::newRow("br, gzip") << python("gzip.compress(d)", brotli) << "br, gzip" << true;
        }
        QTest::newRow("gzip cut short") << gzipped.left(gzipped.size() / 2) << "gzip" << false;
        QTest::newRow("gzip garbled") << QByteArray("not compressed at all") << "gzip" << false;
        QTest::newRow("unknown coding") << gzipped << "compress" << false;
    }
    void decodingBodies()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, encoding);
        QFETCH(bool, decodes);
        const QByteArray plain = QByteArray("缓存正文 body text\n").repeated(50);
        const std::optional<QByteArray> decoded = ContentDecoding::decode(stored, encoding);
        QCOMPARE(decoded.has_value(), decodes);
        if (decodes)
            QCOMPARE(*decoded, plain);
        // A body that does not decode is handed on as it was stored.
        CachedResponse response;
        response.storedBody = stored;
        response.contentEncoding = encoding;
        QCOMPARE(response.body(), decodes ? plain : stored);
    }

    void copiedFileNames_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("mediaType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("name");
        QTest::newRow("media type over the address") << "http://h/view.php?id=7"
                                                     << "text/html" << QByteArray("<p>") << "view.html";
        QTest::newRow("no extension") << "http://h/img/pixel"
                                      << "image/png" << QByteArray() << "pixel.png";
        QTest::newRow("octet stream: detected")
            << "http://h/get?file=1"
            << "application/octet-stream" << QByteArray("%PDF-1.4\n%%EOF\n") << "get.pdf";
        QTest::newRow("nothing known: the address's own") << "http://h/data.xyz"
                                                          << "" << QByteArray("plain words") << "data.xyz";
        QTest::newRow("no file name: the host") << "https://xueshu.example.org/"
                                                << "text/html" << QByteArray() << "xueshu.example.org.html";
        QTest::newRow("escaped name") << "http://h/%E8%AE%BA%E6%96%87.pdf"
                                      << "application/pdf" << QByteArray() << QStringLiteral("论文.pdf");
        QTest::newRow("unsafe characters") << "http://h/a%3Cb%3E.css"
                                           << "text/css" << QByteArray() << "ab.css";
    }
    void copiedFileNames()
    {
        QFETCH(QString, address);
        QFETCH(QString, mediaType);
        QFETCH(QByteArray, body);
        QFETCH(QString, name);
        QCOMPARE(CachedFileName(address, mediaType, body), name);
    }

    // Files whose layout is not a whole entry (made-up ones, truncated ones) have no body to give: they are
    // handed on as they are, and their rows show the file's size.
    void stagingKeepsFilesOfUnknownLayout()
    {
        QTemporaryDir cache, staging;
        const QString entry = F::write(cache.path(), F::name(1), F::entry("1/0/http://h/a.css", "p{}"));
        const QString other = F::write(cache.path(), QStringLiteral("index"), "idx");
        QCOMPARE(StageCachedFiles({entry, other}, staging.path()), QStringList({entry, other}));
        QCOMPARE(CacheEntryRow(entry)->size, QFileInfo(entry).size());
    }
};

QTEST_GUILESS_MAIN(TestCacheFiles)
#include "test_cachefiles.moc"
