#include "ModalAnswerer.h"
#include "core/analysis/AnalysisTexts.h"
#include "core/analysis/ProxyRotation.h"
#include "core/cache/CacheEntryRows.h"
#include "core/cache/CacheFolderWalk.h"
#include "core/cache/CacheListModel.h"
#include "core/cache/CachedResponse.h"
#include "core/store/Settings.h"
#include "gui/Form_Copy_Move/Form_Copy_Move.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/DownloadWindowHooks.h"
#include "gui/fIEcache/ClearBrowserCache.h"
#include "gui/fIEcache/fIEcache.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "support/CacheEntryFiles.h"
#include "support/FixtureHttpServer.h"
#include "support/TestEnvironment.h"
#include "web/WebProfile.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <memory>

namespace F = CacheEntryFiles;

namespace {
const QByteArray kCacheable = "public, max-age=86400";

// The addresses of the program's browser cache with the files that hold them, read straight from the disk.
QHash<QString, QString> cachedEntries()
{
    QHash<QString, QString> entries;
    for (const QString &path : CacheFolderWalk::all(ProgramWebProfile()->cachePath(), CacheFolderWalk::What::Files))
        if (const auto row = CacheEntryRow(path))
            entries.insert(row->text, row->filePath);
    return entries;
}

// True once the browser has finished writing the entries of all the addresses: an entry is listed from its first
// bytes on, but its body and headers only read back whole once the browser has closed it.
bool cachedWhole(const QStringList &addresses)
{
    const QHash<QString, QString> entries = cachedEntries();
    return std::all_of(addresses.cbegin(), addresses.cend(), [&](const QString &address) {
        return entries.contains(address) && ReadCachedResponse(entries.value(address)).has_value();
    });
}

QStringList rowTexts(const CacheListModel &list)
{
    QStringList texts;
    for (const CacheRow &row : list.rows())
        texts << row.text;
    return texts;
}

template <typename T> T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QString::fromUtf8(name));
}

// Runs a window command to its end, the event loop turning meanwhile.
template <typename T> T run(QCoro::Task<T> &&task)
{
    return QCoro::waitFor(std::move(task));
}
void run(QCoro::Task<> &&task)
{
    QCoro::waitFor(std::move(task));
}

int rowOf(const CacheListModel &list, const QString &text)
{
    return int(rowTexts(list).indexOf(text));
}

// Records the addresses the program hands to the desktop.
class UrlRecorder final : public QObject
{
    Q_OBJECT
public:
    UrlRecorder()
    {
        for (const char *scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
    }
    ~UrlRecorder() override
    {
        for (const char *scheme : {"http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> urls;
public Q_SLOTS:
    void openUrl(const QUrl &url) { urls.append(url); }
};
} // namespace

// The browser-cache window over a real browser profile filled by loading fixture pages, over made-up user folders
// and large made-up caches; the cache clearing; the main window's menu entries.
class TestIECache final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<FixtureHttpServer> m_server;

    QString address(const char *path) const { return m_server->url(QString::fromLatin1(path)).toString(); }

    // Loads the fixture pages in a real page of the program's profile and waits until their responses are on disk.
    void fillProfileCache()
    {
        QWebEnginePage page(ProgramWebProfile());
        for (const char *path : {"/page.html", "/other.html"}) {
            QSignalSpy finished(&page, &QWebEnginePage::loadFinished);
            page.load(m_server->url(QString::fromLatin1(path)));
            QVERIFY(finished.wait(30000));
            QVERIFY(finished.first().first().toBool());
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            cachedEntries().contains(address("/page.html")) && cachedEntries().contains(address("/style.css")) &&
                cachedEntries().contains(address("/setCookie.js")) && cachedEntries().contains(address("/other.html")),
            30000);
    }

    bool leftAfterClearing() const
    {
        const QStringList left = cachedEntries().keys();
        return left.isEmpty() || left == QStringList{address("/setCookie.js")};
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_home = std::make_unique<TestHome>();
        m_server = std::make_unique<FixtureHttpServer>();
        auto cacheable = [](FixtureHttpServer::Response r) { return r.withHeader("Cache-Control", kCacheable); };
        m_server->route("/page.html", cacheable(FixtureHttpServer::Response::html(
                                          "<html><head><link rel=stylesheet href=/style.css>"
                                          "<script src=/setCookie.js></script></head><body>cached</body></html>")));
        m_server->route("/other.html", cacheable(FixtureHttpServer::Response::html("<p>other</p>")));
        m_server->route("/style.css", cacheable(FixtureHttpServer::Response::text("p{color:red}", "text/css")));
        m_server->route("/setCookie.js",
                        cacheable(FixtureHttpServer::Response::text("var x=1;", "application/javascript")));
    }

    void cleanupTestCase()
    {
        m_server.reset();
        m_home.reset();
    }

    void myCacheViewListsAndDeletes()
    {
        fillProfileCache();
        const QHash<QString, QString> before = cachedEntries();
        fIEcache window;
        window.show();
        auto *label1 = child<QLabel>(&window, "Label1");
        QCOMPARE(label1->text(), QStringLiteral("000"));
        QCOMPARE(window.windowTitle(), QStringLiteral("IE浏览器Cookie 缓存和历史列表"));

        run(window.Command1_Click());
        QCOMPARE(window.viewTag(), QStringLiteral("我的缓存"));
        const CacheListModel &list = window.list();
        QCOMPARE(label1->text(), QStringLiteral("共有%1 个文件").arg(list.rowCount()));
        const int css = rowOf(list, address("/style.css"));
        QVERIFY(css >= 0);
        const CacheRow row = list.row(css);
        QCOMPARE(row.type, QStringLiteral("css"));
        QCOMPARE(row.filePath, before.value(address("/style.css")));
        // The size of the body the page got, not of the file that holds it with the key and the headers.
        QCOMPARE(row.size, qint64(QByteArrayLiteral("p{color:red}").size()));
        QVERIFY(row.filePath.startsWith(ProgramWebProfile()->cachePath()));

        // One selected row: its entry goes, the others stay.
        window.listView()->selectionModel()->select(list.index(css, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(run(window.Command2_Click()), 0);
        QVERIFY(!QFile::exists(row.filePath));
        QCOMPARE(rowOf(list, address("/style.css")), -1);
        QVERIFY(rowOf(list, address("/page.html")) >= 0);
        QVERIFY(rowOf(list, address("/other.html")) >= 0);

        // All: only the entry whose address mentions cookies is left, on disk and in the rebuilt view.
        QCOMPARE(run(window.Command3_Click()), 0);
        QCOMPARE(rowTexts(list), QStringList{address("/setCookie.js")});
        QCOMPARE(label1->text(), QStringLiteral("共有1 个文件"));
        QCOMPARE(cachedEntries().keys(), QStringList{address("/setCookie.js")});
        QVERIFY(!QFile::exists(before.value(address("/page.html"))));
    }

    void clearingFromBothWindowsEmptiesTheCache()
    {
        RecordingPrompt prompt;
        // The main window's entry.
        fillProfileCache();
        {
            fWebSearch main;
            main.findChild<QAction *>(QStringLiteral("menu清空IE浏览器缓存"))->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(prompt.texts(), QStringList{QStringLiteral("IE缓存清空完毕！")}, 30000);
            QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Information);
        }
        // The window's deletion keeps the entry named after cookies, the browser's own clearing (which never touches
        // the cookie store) may already have taken it; nothing else is left either way.
        QVERIFY(leftAfterClearing());

        // The download window's entry reaches the same clearing through the hook the start-up window installs. The
        // pages load and are cached again first: clearing must leave the browser working.
        fillProfileCache();
        {
            fCover cover;
            QVERIFY(DownloadWindowHooks::instance().clearBrowserCache);
            DownloadWindowHooks::instance().clearBrowserCache();
            QTRY_COMPARE_WITH_TIMEOUT(prompt.entries.size(), 2, 30000);
            QCOMPARE(prompt.texts().last(), QStringLiteral("IE缓存清空完毕！"));
        }
        QVERIFY(!DownloadWindowHooks::instance().clearBrowserCache);
        QVERIFY(leftAfterClearing());
    }

    void allUsersViewOverUserFolders()
    {
        QTemporaryDir homes, outside;
        const QString suffix = QStringLiteral("/.local/share/PaperHarvest/browser/cache");
        const QString alice = homes.filePath(QStringLiteral("alice")) + suffix;
        const QString carol = homes.filePath(QStringLiteral("carol")) + suffix;
        QDir().mkpath(homes.filePath(QStringLiteral("bob")));
        F::write(alice + QStringLiteral("/Cache/index-dir"), QStringLiteral("the-real-index"), "i");
        F::write(alice + QStringLiteral("/Cache"), F::name(1), F::entry("1/0/http://h/a.pdf", "0123456789"));
        F::write(alice, QStringLiteral("readme.TXT"), "t");
        QDir().mkpath(alice + QStringLiteral("/Cache/empty/deeper"));
        const QString secret = F::write(outside.path(), QStringLiteral("secret"), "s");
        QVERIFY(QFile::link(secret, alice + QStringLiteral("/planted")));
        QVERIFY(QFile::link(outside.path(), alice + QStringLiteral("/Cache/away")));
        F::write(carol, F::name(2), F::entry("1/0/http://h/b.js"));

        fIEcache window(CacheLocations{{}, homes.path(), suffix, {}});
        run(window.Command7_Click());
        QCOMPARE(window.viewTag(), QStringLiteral("所有缓存"));
        auto *users = static_cast<QStandardItemModel *>(child<QTreeView>(&window, "ListView2")->model());
        QCOMPARE(users->rowCount(), 2);
        QCOMPARE(users->item(0, 0)->text(), QStringLiteral("alice"));
        QCOMPARE(users->item(0, 1)->text(), alice);
        QCOMPARE(users->item(1, 0)->text(), QStringLiteral("carol"));
        QCOMPARE(child<QTreeView>(&window, "ListView3")->model()->rowCount(), 4); // Cache, index-dir, empty, deeper

        QStringList rows = rowTexts(window.list());
        rows.sort();
        QCOMPARE(rows, QStringList({"用户:alice", "用户:alice", "用户:alice", "用户:carol"}));
        QCOMPARE(child<QLabel>(&window, "Label1")->text(), QStringLiteral("共有4 个文件"));

        QCOMPARE(run(window.Command3_Click()), 0);
        // The text file stays; links and what they point to are untouched; emptied folders go, the roots stay.
        QCOMPARE(rowTexts(window.list()), QStringList{QStringLiteral("用户:alice")});
        QCOMPARE(window.list().row(0).filePath, alice + QStringLiteral("/readme.TXT"));
        QVERIFY(QFile::exists(secret));
        QVERIFY(QFileInfo(alice + QStringLiteral("/planted")).isSymLink());
        QVERIFY(!QFileInfo::exists(alice + QStringLiteral("/Cache/empty")));
        QVERIFY(!QFileInfo::exists(alice + QStringLiteral("/Cache/index-dir")));
        QVERIFY(QFileInfo(carol).isDir());
    }

    void largeCacheListsInSlices()
    {
        QTemporaryDir cache;
        const int entries = 3 * fIEcache::kSliceSize + 5;
        for (int n = 0; n < entries; ++n)
            F::write(cache.path(), F::name(n), F::entry("1/0/http://h/" + QByteArray::number(n) + ".js"));
        fIEcache window(CacheLocations{cache.path(), {}, {}, {}});
        QSignalSpy batches(&window.list(), &QAbstractItemModel::rowsInserted);
        bool otherEventsRanMeanwhile = false;
        QTimer::singleShot(0, &window, [&] { otherEventsRanMeanwhile = window.isBusy(); });
        QSignalSpy busy(&window, &fIEcache::busyChanged);
        window.Command1_Click();
        QVERIFY(window.isBusy());
        QVERIFY(!child<QPushButton>(&window, "Command3")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);
        QVERIFY(otherEventsRanMeanwhile);
        QVERIFY(batches.size() >= 4);
        QCOMPARE(window.list().rowCount(), entries);
        QVERIFY(child<QPushButton>(&window, "Command3")->isEnabled());

        // Deleting them all runs in slices as well and leaves the folder empty.
        QCOMPARE(run(window.Command3_Click()), 0);
        QCOMPARE(window.list().rowCount(), 0);
        QCOMPARE(child<QLabel>(&window, "Label1")->text(), QStringLiteral("共有0 个文件"));
        QVERIFY(QDir(cache.path()).isEmpty());
    }

    // The window goes (as the main window's modal one does when its exec ends) while it lists or deletes in slices:
    // the run ends at its next slice and touches nothing of it.
    void destroyedInTheMiddleOfARun_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::newRow("listing") << false;
        QTest::newRow("deleting") << true;
    }
    void destroyedInTheMiddleOfARun()
    {
        QFETCH(bool, deleting);
        QTemporaryDir cache;
        const int entries = 3 * fIEcache::kSliceSize + 5;
        for (int n = 0; n < entries; ++n)
            F::write(cache.path(), F::name(n), F::entry("1/0/http://h/" + QByteArray::number(n) + ".js"));
        auto window = std::make_unique<fIEcache>(CacheLocations{cache.path(), {}, {}, {}});
        if (deleting) {
            run(window->Command1_Click());
            window->Command3_Click();
        } else {
            window->Command1_Click();
        }
        QVERIFY(window->isBusy());
        window.reset();
        // The slices the run would have taken next come and go.
        bool later = false;
        QTimer::singleShot(0, this, [&later] { QTimer::singleShot(0, [&later] { later = true; }); });
        QTRY_VERIFY(later);
        if (deleting)
            QVERIFY(QDir(cache.path()).count() > 2);
    }

    void sizeHeaderFlipsBetweenNumericOrders()
    {
        QTemporaryDir cache;
        // Entry files of 99, 100 and 1000 bytes: as text "100" < "1000" < "99".
        const QByteArray key = "1/0/http://h/a";
        for (int size : {100, 99, 1000})
            F::write(cache.path(), F::name(size), F::entry(key, QByteArray(size - 24 - key.size(), 'x')));
        fIEcache window(CacheLocations{cache.path(), {}, {}, {}});
        run(window.Command1_Click());
        auto sizes = [&] {
            QStringList s;
            for (int r = 0; r < window.list().rowCount(); ++r)
                s << window.list().index(r, CacheListModel::Size).data().toString();
            return s;
        };
        QHeaderView *header = window.listView()->header();
        // The list starts ascending, so the first click sorts descending, the next ascending.
        Q_EMIT header->sectionClicked(CacheListModel::Size);
        QCOMPARE(sizes(), QStringList({"1000", "100", "99"}));
        Q_EMIT header->sectionClicked(CacheListModel::Size);
        QCOMPARE(sizes(), QStringList({"99", "100", "1000"}));
        // One direction for the whole list: another column continues the alternation.
        Q_EMIT header->sectionClicked(CacheListModel::FilePath);
        // File names end in 3e8, 064 and 063 for 1000, 100 and 99 bytes.
        QCOMPARE(sizes(), QStringList({"1000", "100", "99"}));
    }

    // A list too long to order at once is ordered on a worker: the commands wait meanwhile and the rows stay as
    // they are, then take the whole order at once; a window closed meanwhile is left alone by the worker's result.
    void longListSortsInTheBackground_data()
    {
        QTest::addColumn<bool>("closeMeanwhile");
        QTest::newRow("sorted") << false;
        QTest::newRow("closed meanwhile") << true;
    }
    void longListSortsInTheBackground()
    {
        QFETCH(bool, closeMeanwhile);
        QTemporaryDir cache;
        auto window = std::make_unique<fIEcache>(CacheLocations{cache.path(), {}, {}, {}});
        const int count = fIEcache::kBackgroundSortRows + 5;
        QList<CacheRow> rows;
        for (int i = 0; i < count; ++i)
            rows.append(CacheRow{QStringLiteral("http://h/%1").arg(i), {}, qint64(i) * 7919 % count, {}});
        window->list().append(rows);
        auto *delete1 = child<QPushButton>(window.get(), "Command2");
        // The workers are held until the window has been looked at (or closed), so the order cannot be ready early.
        QThreadPool &pool = *QThreadPool::globalInstance();
        QSemaphore held;
        for (int i = 0; i < pool.maxThreadCount(); ++i)
            pool.start([&held] { held.acquire(); });

        Q_EMIT window->listView()->header()->sectionClicked(CacheListModel::Size);
        QVERIFY(window->isBusy());
        QVERIFY(!delete1->isEnabled());
        QCOMPARE(window->list().rows(), rows);
        QSignalSpy busy(window.get(), &fIEcache::busyChanged);
        if (closeMeanwhile)
            window.reset();
        held.release(pool.maxThreadCount());
        if (closeMeanwhile) {
            pool.waitForDone();
            QCoreApplication::sendPostedEvents();
            return;
        }
        QVERIFY(busy.wait(30000));
        QVERIFY(!window->isBusy());
        QVERIFY(delete1->isEnabled());
        const QList<CacheRow> &sorted = window->list().rows();
        QCOMPARE(sorted.size(), count);
        QCOMPARE(sorted.first().size, count - 1);
        QVERIFY(std::is_sorted(sorted.cbegin(), sorted.cend(),
                               [](const CacheRow &a, const CacheRow &b) { return a.size > b.size; }));
    }

    // "复制选中..." hands the copy tool what the pages got: each entry's body, decoded per its Content-Encoding and
    // named after its address with the extension of its media type, or of its detected type.
    void copySelectedHandsTheBodiesToTheCopyTool()
    {
        QTemporaryDir cache;
        F::write(cache.path(), F::name(1), F::entry("1/0/http://h/a"));
        fIEcache empty(CacheLocations{cache.path(), {}, {}, {}});
        QString caption;
        QMap<QString, QByteArray> handed; // file name -> content, read while the tool is open
        QTimer watcher;
        watcher.setInterval(10);
        connect(&watcher, &QTimer::timeout, &empty, [&] {
            if (auto *tool = qobject_cast<Form_Copy_Move *>(QApplication::activeModalWidget())) {
                caption = tool->windowTitle();
                for (const QString &path : tool->fileList()) {
                    QFile file(path);
                    QVERIFY(file.open(QIODevice::ReadOnly));
                    handed.insert(QFileInfo(path).fileName(), file.readAll());
                }
                tool->close();
            }
        });
        watcher.start();

        // Before any view, nothing is selected: the tool opens all the same, with no file.
        empty.Command6_Click();
        QCOMPARE(caption, QStringLiteral("复制文件：0 个文件..."));
        QVERIFY(handed.isEmpty());

        // Bodies compressed by tools of their own; the browser caches them as they came over the wire.
        const QByteArray text = QByteArray("这是缓存里的一段说明文字。\n").repeated(40);
        const QByteArray css = QByteArray("p { color: red; margin: 0 }\n").repeated(30);
        const QByteArray script = QByteArray("console.log('cached');\n").repeated(30);
        const QByteArray pdf = "%PDF-1.4\n1 0 obj<<>>endobj\ntrailer<<>>\n%%EOF\n";
        const QByteArray png = QByteArray::fromBase64(
            "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==");
        auto encoded = [](const QStringList &command, const QByteArray &input) {
            QProcess process;
            process.start(command.first(), command.mid(1));
            process.write(input);
            process.closeWriteChannel();
            process.waitForFinished(30000);
            return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
        };
        const QString python = QStringLiteral("python3");
        const QByteArray gzipped = encoded(
            {python, "-c", "import gzip,sys; sys.stdout.buffer.write(gzip.compress(sys.stdin.buffer.read()))"}, text);
        const QByteArray deflated = encoded(
            {python, "-c", "import zlib,sys; sys.stdout.buffer.write(zlib.compress(sys.stdin.buffer.read()))"}, css);
        const QByteArray brotli = encoded({"brotli", "-c"}, script);
        if (brotli.isEmpty())
            QSKIP("the brotli encoder is not installed (package brotli)");
        QVERIFY(!gzipped.isEmpty() && !deflated.isEmpty());

        FixtureHttpServer server;
        auto cacheable = [](FixtureHttpServer::Response r, const QByteArray &encoding = {}) {
            r.withHeader("Cache-Control", kCacheable);
            if (!encoding.isEmpty())
                r.withHeader("Content-Encoding", encoding);
            return r;
        };
        server.route("/copy.html", cacheable(FixtureHttpServer::Response::html(
                                       "<html><head><link rel=stylesheet href=/styles/site.css>"
                                       "<script src=/scripts/app></script></head><body><img src=/img/pixel>"
                                       "<script>fetch('/notes/readme.txt');fetch('/files/data.bin');</script>"
                                       "</body></html>")));
        server.route("/img/pixel", cacheable(FixtureHttpServer::Response::text(png, "image/png")));
        server.route("/notes/readme.txt",
                     cacheable(FixtureHttpServer::Response::text(gzipped, "text/plain; charset=utf-8"), "gzip"));
        server.route("/styles/site.css", cacheable(FixtureHttpServer::Response::text(deflated, "text/css"), "deflate"));
        server.route("/scripts/app",
                     cacheable(FixtureHttpServer::Response::text(brotli, "application/javascript"), "br"));
        server.route("/files/data.bin", cacheable(FixtureHttpServer::Response::text(pdf, "application/octet-stream")));
        const QStringList paths{"/img/pixel", "/notes/readme.txt", "/styles/site.css", "/scripts/app",
                                "/files/data.bin"};
        {
            QWebEnginePage page(ProgramWebProfile());
            QSignalSpy finished(&page, &QWebEnginePage::loadFinished);
            page.load(server.url(QStringLiteral("/copy.html")));
            QVERIFY(finished.wait(30000));
            QVERIFY(finished.first().first().toBool());
            QStringList addresses;
            for (const QString &path : paths)
                addresses << server.urlText(path);
            QTRY_VERIFY_WITH_TIMEOUT(cachedWhole(addresses), 30000);
        }

        fIEcache window;
        run(window.Command1_Click());
        const QMap<QString, QByteArray> expected{
            {"pixel.png", png}, {"readme.txt", text}, {"site.css", css}, {"app.js", script}, {"data.pdf", pdf}};
        for (const QString &path : paths) {
            const int row = rowOf(window.list(), server.urlText(path));
            QVERIFY2(row >= 0, qPrintable(path));
            window.listView()->selectionModel()->select(window.list().index(row, 0),
                                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        // The size column tells what the copy gives.
        qint64 sizes = 0;
        for (const CacheRow &row : window.list().rows())
            if (paths.contains(QUrl(row.text).path()))
                sizes += row.size;
        qint64 expectedSizes = 0;
        for (const QByteArray &body : expected)
            expectedSizes += body.size();
        QCOMPARE(sizes, expectedSizes);

        window.Command6_Click();
        QCOMPARE(caption, QStringLiteral("复制文件：5 个文件..."));
        QCOMPARE(handed.keys(), expected.keys());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QVERIFY2(handed.value(it.key()) == it.value(), qPrintable(it.key()));
    }

    void deletingBeforeAnyViewRebuildsNothing()
    {
        QTemporaryDir cache;
        const QString a = F::write(cache.path(), F::name(1), F::entry("1/0/http://h/a"));
        fIEcache window(CacheLocations{cache.path(), {}, {}, {}});
        QCOMPARE(run(window.Command2_Click()), 0);
        QCOMPARE(run(window.Command3_Click()), 0);
        QCOMPARE(window.list().rowCount(), 0);
        QVERIFY(window.viewTag().isEmpty());
        QCOMPARE(child<QLabel>(&window, "Label1")->text(), QStringLiteral("000"));
        QVERIFY(QFile::exists(a));
    }

    void mainWindowMenusOpenWhatTheyName()
    {
        fWebSearch main;
        main.show();
        auto trigger = [&](const char *name) { main.findChild<QAction *>(QString::fromUtf8(name))->trigger(); };
        {
            ModalAnswerer close(QStringLiteral("fIEcache"), QStringLiteral("Command4"));
            trigger("menu查看IE浏览器缓存");
            QCOMPARE(close.answered, 1);
        }
        {
            // Cancelled or not, without the proxy list panel 3 names no proxy afterwards.
            auto *panel3 = child<QLabel>(&main, "StatusPanel3");
            panel3->setText(QStringLiteral("目前IP代理：1.2.3.4:80"));
            ModalAnswerer cancel(QStringLiteral("fOption"), QStringLiteral("Command2"));
            trigger("menu设置");
            QCOMPARE(cancel.answered, 1);
            QVERIFY(!main.proxy().UseProxyList());
            QCOMPARE(panel3->text(), AnalysisTexts::kNoProxy);
        }
        {
            ModalAnswerer ok(QStringLiteral("frmAbout"), QStringLiteral("cmdOK"));
            trigger("menu关于");
            QCOMPARE(ok.answered, 1);
        }
        UrlRecorder recorder;
        trigger("menu软件主页");
        trigger("menu技术支持网站");
        QCOMPARE(recorder.urls.size(), 2);
        for (const QUrl &url : recorder.urls)
            QVERIFY2(url.scheme().startsWith(QLatin1String("http")), qPrintable(url.toString()));
    }
};

QTEST_MAIN(TestIECache)
#include "test_iecache.moc"
