#include "support/FixtureHttpServer.h"
#include "support/ScholarSite.h"
#include "support/TestEnvironment.h"
#include "web/PageScripts.h"
#include "web/WebEngineBrowser.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>
#include <csignal>
#include <memory>

using namespace std::chrono_literals;

// The browser for real: Qt WebEngine loading the fixture scholar site from a loopback server, offscreen.
class TestWebEngineBrowser : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FixtureHttpServer> m_server;
    std::unique_ptr<ScholarSite> m_site;
    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<WebEngineBrowser> m_browser;

    // Loads `url` and waits for the top-level completion.
    bool load(const QString &url)
    {
        QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
        m_browser->navigate(url);
        return complete.wait(20000);
    }

    template <typename T> T run(QCoro::Task<T> &&task) { return QCoro::waitFor(std::move(task)); }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<FixtureHttpServer>();
        m_site = std::make_unique<ScholarSite>(*m_server);
        // Off the record: nothing of one run reaches the disk or the next run.
        m_profile = new QWebEngineProfile(this);
        QVERIFY(m_profile->isOffTheRecord());
    }

    void init() { m_browser = std::make_unique<WebEngineBrowser>(m_profile); }
    void cleanup() { m_browser.reset(); }

    void snapshotReadsTheWholeDocument()
    {
        const QString url = m_site->searchUrl(QStringLiteral("深度学习"));
        QVERIFY(!m_browser->isBusy());
        QSignalSpy busy(m_browser.get(), &Browser::busyChanged);
        QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
        m_browser->navigate(url);
        QVERIFY(m_browser->isBusy()); // at once, before the page answered
        QVERIFY(complete.wait(20000));
        QVERIFY(!m_browser->isBusy());
        QCOMPARE(busy.last().at(0).toBool(), false);
        QCOMPARE(complete.count(), 1);
        QCOMPARE(complete.first().at(0).toString(), url);
        QCOMPARE(m_browser->title(), QStringLiteral("深度学习_百度学术"));

        const PageSnapshot s = run(m_browser->snapshot());
        QVERIFY(s.hasDocument);
        QCOMPARE(s.url, url);
        QVERIFY(s.outerHtml.startsWith(QStringLiteral("<html>")));
        QVERIFY(s.outerHtml.contains(QStringLiteral("卷积神经网络研究")));

        // The first result block: its first anchor is the title link, with the markup inside and "&amp;" decoded.
        auto first =
            std::find_if(s.divs.begin(), s.divs.end(), [](const PageDiv &d) { return d.className == u"sc_content"; });
        QVERIFY(first != s.divs.end());
        QVERIFY(first->firstAnchor.has_value());
        QCOMPARE(first->firstAnchor->innerHtml, QStringLiteral("<em>深度</em>学习综述"));
        QCOMPARE(first->firstAnchor->href, m_site->resultLink(QStringLiteral("d101")));
        // A block with no anchor at all.
        QVERIFY(std::any_of(s.divs.begin(), s.divs.end(), [](const PageDiv &d) {
            return d.className == u"sc_content" && !d.firstAnchor.has_value();
        }));
        QVERIFY(
            std::any_of(s.divs.begin(), s.divs.end(), [](const PageDiv &d) { return d.className == u" SC_Content "; }));

        // Anchors in document order, with text and class as the page has them.
        QVERIFY(s.anchors.size() >= 10);
        QCOMPARE(s.anchors.first().innerText, QStringLiteral("百度学术首页"));
        QCOMPARE(s.anchors.last().className, QStringLiteral("n"));
        QCOMPARE(s.anchors.last().innerText, QStringLiteral("下一页 >"));
        QVERIFY(
            s.anchors.last().href.startsWith(m_site->base() + QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&")));
    }

    void clickFollowsTheElement()
    {
        QVERIFY(load(m_site->searchUrl(QStringLiteral("深度学习"))));
        const PageSnapshot s = run(m_browser->snapshot());
        const int next = int(s.anchors.size()) - 1;

        QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
        QVERIFY(run(m_browser->click(ElementRef::byTag(QStringLiteral("A"), next))));
        QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 20000);
        QCOMPARE(m_browser->currentUrl(), s.anchors.at(next).href);
        // The page's own resources may follow it; the request to look at is the one for the clicked address.
        const QByteArray nextPath = QUrl(s.anchors.at(next).href).path(QUrl::FullyEncoded).toUtf8();
        const auto requests = m_server->requests();
        const auto followed = std::find_if(requests.rbegin(), requests.rend(), [&](const auto &r) {
            return r.pathOnly() == nextPath && r.path.contains("pn=10");
        });
        QVERIFY(followed != requests.rend());
        QCOMPARE(followed->header("Referer"), s.url.toUtf8());

        QVERIFY(!run(m_browser->click(ElementRef::byTag(QStringLiteral("a"), 500))));
        QVERIFY(!run(m_browser->click(ElementRef::byId(QStringLiteral("no-such-element")))));
        QVERIFY(!run(m_browser->click(ElementRef::byTag(QStringLiteral("a"), -1))));
    }

    void formElementsAreReadAndSet()
    {
        QVERIFY(load(m_site->pageUrl(QStringLiteral("login.htm"))));
        QList<PageInput> inputs = run(m_browser->inputs());
        QCOMPARE(inputs.size(), 3);
        QCOMPARE(inputs.at(0).name, QStringLiteral("Username"));
        QCOMPARE(inputs.at(1).type, QStringLiteral("password"));
        QCOMPARE(inputs.at(1).value, QStringLiteral("old"));
        QCOMPARE(inputs.at(2).id, QStringLiteral("submitip"));

        QVERIFY(run(m_browser->setValue(ElementRef::byTag(QStringLiteral("input"), 0), QStringLiteral("张三 \"x\""))));
        QVERIFY(run(m_browser->setValue(ElementRef::byId(QStringLiteral("pass")), QStringLiteral("secret"))));
        inputs = run(m_browser->inputs());
        QCOMPARE(inputs.at(0).value, QStringLiteral("张三 \"x\""));
        QCOMPARE(inputs.at(1).value, QStringLiteral("secret"));
        QVERIFY(run(m_browser->hasElement(ElementRef::byId(QStringLiteral("submitip")))));
        QVERIFY(!run(m_browser->hasElement(ElementRef::byId(QStringLiteral("submit")))));

        QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
        QVERIFY(run(m_browser->click(ElementRef::byId(QStringLiteral("submitip")))));
        QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 20000);
        QVERIFY(m_browser->currentUrl().contains(QStringLiteral("opened.htm?Username=")));
        QCOMPARE(m_server->requests().last().path,
                 QByteArray("/scholar/opened.htm?Username=%E5%BC%A0%E4%B8%89+%22x%22&Password=secret"));
    }

    void innerFramesDoNotCompleteTheDocument()
    {
        QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
        m_browser->navigate(m_site->pageUrl(QStringLiteral("frame.htm")));
        // Both inner frames (one of another origin, with a frame of its own) have loaded and reported.
        QTRY_VERIFY_WITH_TIMEOUT(m_browser->title().contains(QStringLiteral("nested-ready")) &&
                                     m_browser->title().contains(QStringLiteral("inner:")),
                                 20000);
        QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 20000);
        QCOMPARE(complete.first().at(0).toString(), m_site->pageUrl(QStringLiteral("frame.htm")));
        // One completion per top-level load, however many frames it had.
        QVERIFY(load(m_site->pageUrl(QStringLiteral("opened.htm"))));
        QCOMPARE(complete.count(), 2);
    }

    void newWindowsOpenInTheSamePage_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("clickId");
        QTest::newRow("link with a target") << QStringLiteral("blank_target.htm") << QStringLiteral("blank");
        QTest::newRow("script while loading") << QStringLiteral("popup.htm") << QString();
        QTest::newRow("script in a frame") << QStringLiteral("frame_popup.htm") << QString();
    }

    void newWindowsOpenInTheSamePage()
    {
        QFETCH(QString, page);
        QFETCH(QString, clickId);
        m_browser->setSilent(true);
        QSignalSpy requested(m_browser.get(), &Browser::newWindowRequested);
        QVERIFY(load(m_site->pageUrl(page)));
        if (!clickId.isEmpty())
            QVERIFY(run(m_browser->click(ElementRef::byId(clickId))));
        const QString opened = m_site->pageUrl(QStringLiteral("opened.htm"));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->currentUrl(), opened, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("新窗口页面"), 20000);
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.first().at(0).toString(), opened);
    }

    void closingIsRefused()
    {
        QVERIFY(load(m_site->pageUrl(QStringLiteral("blank_target.htm"))));
        QSignalSpy refused(m_browser.get(), &Browser::windowClosingRefused);
        QVERIFY(run(m_browser->click(ElementRef::byId(QStringLiteral("close")))));
        QTRY_COMPARE_WITH_TIMEOUT(refused.count(), 1, 20000);
        // The page is still there and still answers.
        const PageSnapshot s = run(m_browser->snapshot());
        QVERIFY(s.hasDocument);
        QCOMPARE(s.url, m_site->pageUrl(QStringLiteral("blank_target.htm")));
        QVERIFY(load(m_site->pageUrl(QStringLiteral("opened.htm"))));
    }

    void silentModeAnswersDialogsQuietly()
    {
        m_browser->setSilent(true);
        QVERIFY(m_browser->isSilent());
        QSignalSpy dialogs(m_browser.get(), &Browser::scriptDialogSuppressed);
        QSignalSpy title(m_browser.get(), &Browser::titleChanged);
        m_browser->navigate(m_site->pageUrl(QStringLiteral("popup.htm")));
        // The page went on after each dialog: confirm was answered "no", then its window.open ran.
        QTRY_VERIFY_WITH_TIMEOUT(
            std::any_of(title.begin(), title.end(),
                        [](const QList<QVariant> &a) { return a.at(0).toString() == u"alert,confirm=false,open"; }),
            20000);
        QCOMPARE(dialogs.count(), 2);
        QCOMPARE(dialogs.at(0).at(0).toString(), QStringLiteral("alert"));
        QCOMPARE(dialogs.at(0).at(1).toString(), QStringLiteral("来自页面的提示"));
        QCOMPARE(dialogs.at(1).at(0).toString(), QStringLiteral("confirm"));
    }

    void suppressionStatementsRunInEveryFrame()
    {
        const QStringList suppression{PageScripts::dialogSuppression()};
        m_browser->setFrameScripts(suppression);
        QCOMPARE(m_browser->frameScripts(), suppression);
        QSignalSpy dialogs(m_browser.get(), &Browser::scriptDialogSuppressed);
        QSignalSpy requested(m_browser.get(), &Browser::newWindowRequested);

        // The top page: alert and confirm do nothing, window.open is gone, so the page stays where it is.
        QVERIFY(load(m_site->pageUrl(QStringLiteral("popup.htm"))));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("alert,confirm=undefined,open-error"), 20000);

        // A page inside a frame gets the same treatment.
        QVERIFY(load(m_site->pageUrl(QStringLiteral("frame.htm"))));
        QTRY_VERIFY_WITH_TIMEOUT(m_browser->title().contains(QStringLiteral("inner:alert,confirm=undefined")), 20000);
        QVERIFY(load(m_site->pageUrl(QStringLiteral("frame_popup.htm"))));

        // Not one dialog reached the browser, not even in silent-off mode, and no window was asked for.
        QVERIFY(!m_browser->isSilent());
        QCOMPARE(dialogs.count(), 0);
        QCOMPARE(requested.count(), 0);
        QCOMPARE(m_browser->currentUrl(), m_site->pageUrl(QStringLiteral("frame_popup.htm")));

        // Cleared again, the next document has its dialogs back.
        m_browser->setFrameScripts({});
        m_browser->setSilent(true);
        QVERIFY(load(m_site->pageUrl(QStringLiteral("frame.htm"))));
        QTRY_VERIFY_WITH_TIMEOUT(m_browser->title().contains(QStringLiteral("inner:alert,confirm=false")), 20000);
        QVERIFY(dialogs.count() >= 2);
    }

    void aFailingStatementDoesNotStopTheOthers()
    {
        m_browser->setFrameScripts({QStringLiteral("window.first = 1;"), QStringLiteral("this is not javascript"),
                                    QStringLiteral("undefinedFunction();"), QStringLiteral("window.last = 2;")});
        QVERIFY(load(m_site->pageUrl(QStringLiteral("opened.htm"))));
        QCOMPARE(run(m_browser->runScript(QStringLiteral("window.first + window.last"))).toInt(), 3);
    }

    void scriptsRunInEveryFrameOnRequest()
    {
        QVERIFY(load(m_site->pageUrl(QStringLiteral("frame.htm"))));
        QTRY_VERIFY_WITH_TIMEOUT(m_browser->title().contains(QStringLiteral("nested-ready")), 20000);
        QCOMPARE(run(m_browser->runScript(QStringLiteral("window.received.length = 0; 6 * 7"))).toInt(), 42);

        m_browser->runScriptInAllFrames(
            QStringLiteral("top.postMessage('ran:' + location.host + location.pathname, '*');"));
        const QString host = m_site->base().mid(7);
        const QString other = m_site->altBase().mid(7);
        const QStringList expected = {
            QStringLiteral("ran:") + host + QStringLiteral("/scholar/frame.htm"),
            QStringLiteral("ran:") + host + QStringLiteral("/scholar/frame_inner.htm"),
            QStringLiteral("ran:") + other + QStringLiteral("/scholar/frame_nested.htm"),
            QStringLiteral("ran:") + other + QStringLiteral("/scholar/frame_other.htm"),
        };
        QTRY_COMPARE_WITH_TIMEOUT(
            run(m_browser->runScript(QStringLiteral("window.received.slice().sort().join('|')"))).toString(),
            expected.join(QLatin1Char('|')), 20000);

        // A statement that throws is just skipped; the page's own listeners never see the relay.
        m_browser->runScriptInAllFrames(QStringLiteral("throw new Error('x');"));
        QCOMPARE(run(m_browser->runScript(QStringLiteral("window.received.length"))).toInt(), 4);
        QVERIFY(!run(m_browser->runScript(QStringLiteral("nonsense("))).isValid());
    }

    void historyAndRefresh()
    {
        m_browser->back(); // nothing to go back to: ignored
        QVERIFY(load(m_site->searchUrl(QStringLiteral("机器翻译"))));
        QVERIFY(load(m_site->pageUrl(QStringLiteral("opened.htm"))));
        QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
        m_browser->back();
        QVERIFY(complete.wait(20000));
        QCOMPARE(m_browser->currentUrl(), m_site->searchUrl(QStringLiteral("机器翻译")));
        m_browser->forward();
        QVERIFY(complete.wait(20000));
        QCOMPARE(m_browser->currentUrl(), m_site->pageUrl(QStringLiteral("opened.htm")));
        m_browser->forward(); // nothing ahead: ignored

        const auto before = m_server->requestsFor(QStringLiteral("/scholar/opened.htm")).size();
        m_browser->refresh();
        QVERIFY(m_browser->isBusy());
        QVERIFY(complete.wait(20000));
        QCOMPARE(m_server->requestsFor(QStringLiteral("/scholar/opened.htm")).size(), before + 1);
    }

    void aPageThatNeverAnswersGivesNoDocument()
    {
        m_browser->setPageAnswerLimit(500ms);
        QVERIFY(load(m_site->pageUrl(QStringLiteral("busy_loop.htm"))));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("looping"), 20000);
        const PageSnapshot s = run(m_browser->snapshot());
        QVERIFY(!s.hasDocument);
        QVERIFY(s.divs.isEmpty());
        QVERIFY(!run(m_browser->click(ElementRef::byTag(QStringLiteral("a"), 0))));
    }

    // Every DIV of a deeply nested page gets its first link, in one reading well inside the answer limit (each DIV
    // reading its own subtree again took longer than the limit and read as no document).
    void deeplyNestedPageIsReadWhole()
    {
        constexpr int kDepth = 20000;
        // Not shown, so that the browser spends its time on reading the page rather than laying it out.
        QByteArray page = "<html><body><a href='/first'>first</a><div style='display:none'>";
        for (int i = 1; i < kDepth; ++i)
            page += "<div>";
        page += "<div class='sc_content'><a href='/deep'>deep</a><span class='sc_time'>2020</span></div>";
        for (int i = 0; i < kDepth; ++i)
            page += "</div>";
        page += "<a href='/last'>last</a></body></html>";
        m_server->route(QStringLiteral("/nested"), FixtureHttpServer::Response::html(page));
        QVERIFY(load(m_site->base() + QStringLiteral("/nested")));

        const PageSnapshot s = run(m_browser->snapshot());
        QVERIFY(s.hasDocument);
        QCOMPARE(s.divs.size(), kDepth + 1);
        QCOMPARE(s.anchors.size(), 3);
        QCOMPARE(s.anchors.at(1).innerText, QStringLiteral("deep"));
        // The parser nests only so deep and puts the rest side by side: a DIV holds the deep link or none.
        QVERIFY(std::all_of(s.divs.begin(), s.divs.end(), [](const PageDiv &d) {
            return !d.firstAnchor || d.firstAnchor->href.endsWith(QStringLiteral("/deep"));
        }));
        QVERIFY(s.divs.first().firstAnchor);
        QVERIFY(std::count_if(s.divs.begin(), s.divs.end(), [](const PageDiv &d) { return d.firstAnchor; }) > 100);
    }

    // A page larger than the program reads is not read (its size is told instead); the next page is read again.
    // A page far beyond what can be read is stopped while it loads, not parsed whole first: plain, or small and
    // compressed on the wire. Its snapshot says it is too large, and the next page reads as usual.
    void oversizePageIsNotRead_data()
    {
        QTest::addColumn<bool>("compressed");
        QTest::newRow("eight times the limit") << false;
        QTest::newRow("compressed, unpacking to 32 times the limit") << true;
    }
    void oversizePageIsNotRead()
    {
        QFETCH(bool, compressed);
        const qsizetype length = (compressed ? 32 : 8) * kPageReadLimit;
        const QByteArray page = "<html><body><p>" + QByteArray(length, 'x') + "</p></body></html>";
        FixtureHttpServer::Response answer = FixtureHttpServer::Response::html(page);
        if (compressed) {
            answer.body = qCompress(page, 9).mid(4); // a zlib stream, as "deflate" means on the web
            answer.withHeader("Content-Encoding", "deflate");
        }
        m_server->route(QStringLiteral("/huge"), answer);
        QVERIFY(load(m_site->base() + QStringLiteral("/huge")));
        const PageSnapshot huge = run(m_browser->snapshot());
        QVERIFY(!huge.hasDocument);
        QVERIFY(huge.outerHtml.isEmpty());
        // Stopped soon after the limit, long before the end of the page.
        QVERIFY2(huge.oversize > kPageReadLimit && huge.oversize < 2 * kPageReadLimit,
                 qPrintable(QString::number(huge.oversize)));

        QVERIFY(load(m_site->searchUrl(QStringLiteral("机器翻译"))));
        const PageSnapshot next = run(m_browser->snapshot());
        QVERIFY(next.hasDocument);
        QCOMPARE(next.oversize, 0);
    }

    // A page process that dies (out of memory, say) is a page that did not arrive, not an empty one.
    void aKilledPageProcessIsAFailedLoad()
    {
        QVERIFY(load(m_site->searchUrl(QStringLiteral("机器翻译"))));
        QVERIFY(m_browser->lastLoad().failure.isEmpty());
        QSignalSpy ended(m_browser->page(), &QWebEnginePage::renderProcessTerminated);
        QVERIFY(m_browser->page()->renderProcessPid() > 0);
        QCOMPARE(::kill(pid_t(m_browser->page()->renderProcessPid()), SIGKILL), 0);
        QVERIFY(ended.wait(20000));
        QVERIFY(m_browser->lastLoad().failure.contains(QStringLiteral("killed")));
        QVERIFY(!run(m_browser->snapshot()).hasDocument);
    }

    void worksInsideAView()
    {
        QWebEngineView view;
        view.setPage(m_browser->page());
        view.resize(800, 600);
        view.show();
        QVERIFY(load(m_site->searchUrl(QStringLiteral("机器翻译"))));
        const PageSnapshot s = run(m_browser->snapshot());
        QVERIFY(s.hasDocument);
        QCOMPARE(
            std::count_if(s.divs.begin(), s.divs.end(), [](const PageDiv &d) { return d.className == u"sc_content"; }),
            2);
        view.setPage(nullptr);
    }

    void theProgramProfileLivesInTheDataFolder();
};

void TestWebEngineBrowser::theProgramProfileLivesInTheDataFolder()
{
    TestHome home;
    WebEngineBrowser browser; // the program's own profile
    QVERIFY(!browser.page()->profile()->isOffTheRecord());
    QCOMPARE(browser.page()->profile()->cachePath(), home.filePath(QStringLiteral("browser/cache")));
}

QTEST_MAIN(TestWebEngineBrowser)
#include "test_webenginebrowser.moc"
