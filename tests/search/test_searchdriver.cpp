#include "core/net/Browser.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/search/QueryAddress.h"
#include "core/search/SearchDriver.h"
#include "core/search/SearchTexts.h"
#include "core/search/SearchWindow.h"
#include "core/search/ServicePageCheck.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QCoroTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// A browser whose pages complete on the next turn of the event loop, or never when `stall` is set.
class FakeBrowser final : public Browser
{
public:
    QStringList navigations;
    bool stall = false;

    void navigate(const QString &address) override
    {
        navigations << address;
        m_url = address;
        setBusy(true);
        Q_EMIT navigateComplete(address);
        if (!stall)
            QTimer::singleShot(0, this, [this, address] {
                setBusy(false);
                Q_EMIT documentComplete(address);
            });
    }
    void refresh() override {}
    void back() override {}
    void forward() override {}
    bool isBusy() const override { return m_busy; }
    void setSilent(bool on) override { m_silent = on; }
    bool isSilent() const override { return m_silent; }
    QString currentUrl() const override { return m_url; }
    QString title() const override { return {}; }
    PageLoad lastLoad() const override { return {m_url, 0, {}}; }
    // A page turn shows result page `page` (1-based) of the current search.
    void showResultPage(int page) { m_url = m_url.section(QLatin1Char('#'), 0, 0) + QStringLiteral("#%1").arg(page); }
    QCoro::Task<PageSnapshot> snapshot() override { co_return PageSnapshot{}; }
    QCoro::Task<QList<PageInput>> inputs() override { co_return {}; }
    QCoro::Task<bool> hasElement(ElementRef) override { co_return false; }
    QCoro::Task<bool> click(ElementRef) override { co_return false; }
    QCoro::Task<bool> setValue(ElementRef, const QString &) override { co_return false; }
    void setFrameScripts(const QStringList &) override {}
    QStringList frameScripts() const override { return {}; }
    QCoro::Task<QVariant> runScript(const QString &) override { co_return QVariant(); }
    void runScriptInAllFrames(const QString &) override {}

private:
    void setBusy(bool busy)
    {
        m_busy = busy;
        Q_EMIT busyChanged(busy);
    }
    QString m_url;
    bool m_busy = false;
    bool m_silent = false;
};

class NoPause final : public PacingView
{
public:
    QString delayText() const override { return QStringLiteral("0"); }
    bool collectIdle() const override { return false; }
    bool analysisIdle() const override { return false; }
};

// A window whose every search has `pagesPerSearch` result pages; it records what the driver did to it.
class FakeWindow final : public SearchWindow
{
public:
    QString keywords;
    int type = 0;
    int year = 0;
    int pagesPerSearch = 3;
    NoPause pacing;
    QList<bool> batchButton;
    QList<bool> walkButton;
    int saveTargetQuestions = 0;
    int harvests = 0;
    // Keyword box text seen at each page turn.
    QStringList boxAtPageTurn;
    QList<ServicePageState> serviceProblems;
    QStringList walkedBefore;
    FakeBrowser *browser = nullptr;
    // The page a turn from the last page leads to (a next-page link pointing backwards); 0: no such link.
    int lastPageLinksBackTo = 0;
    // Runs at each page turn, before it returns (1-based turn number).
    std::function<void(int)> onPageTurn;

    QString keywordText() const override { return keywords; }
    void setKeywordText(const QString &text) override { keywords = text; }
    int typeIndex() const override { return type; }
    int yearIndex() const override { return year; }
    void showBatchRunning(bool running) override { batchButton << running; }
    void showWalkRunning(bool running) override { walkButton << running; }
    void askSaveTarget() override { ++saveTargetQuestions; }
    void autoSizeListColumns() override {}
    QCoro::Task<> harvestPage() override
    {
        ++harvests;
        co_return;
    }
    // The batch mode's answer: the run ends at a page that is not a result page.
    bool waitForService(const ServicePageVerdict &verdict, const QString &, const QString &) override
    {
        serviceProblems << verdict.state;
        return false;
    }
    void serviceRetrying(const ServicePageVerdict &, const QString &, const QString &, std::chrono::milliseconds,
                         int) override
    {}
    void serviceWaitEnded() override {}
    const PacingView &walkPacing() const override { return pacing; }
    void pageWalkedBefore(const QString &address) override { walkedBefore << address; }
    // A new search starts on its first result page.
    void searchOpened() { m_pageOfSearch = 1; }
    QCoro::Task<bool> nextPage() override
    {
        ++m_turns;
        boxAtPageTurn << keywords;
        if (onPageTurn)
            onPageTurn(m_turns);
        co_await QCoro::sleepFor(std::chrono::milliseconds(1));
        if (m_pageOfSearch >= pagesPerSearch && lastPageLinksBackTo > 0)
            m_pageOfSearch = lastPageLinksBackTo - 1;
        const bool turned = m_pageOfSearch < pagesPerSearch;
        if (turned)
            browser->showResultPage(++m_pageOfSearch);
        co_return turned;
    }

private:
    int m_turns = 0;
    int m_pageOfSearch = 1;
};

struct Rig {
    RecordingPrompt prompt;
    FakeBrowser browser;
    RunFlags flags;
    FakeWindow window;
    SearchDriver driver{browser, flags, window};
    Rig()
    {
        window.browser = &browser;
        QObject::connect(&browser, &Browser::navigateComplete, [this] { window.searchOpened(); });
    }
};

QString query(const QString &keyword)
{
    return QueryAddress(keyword, 0, 0);
}
} // namespace

class TestSearchDriver final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The reasons the program words itself come in each view's language: English in the batch's lines, Chinese in
    // the windows; what the service or the browser said stays as it came.
    void reasonsInEachViewsWords_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("batch");
        QTest::addColumn<QString>("windows");
        QTest::newRow("no answer") << "no answer"
                                   << "no answer within 30 s"
                                   << "30 秒内没有应答";
        QTest::newRow("too large") << "too large"
                                   << "40.0 MiB of text; the limit is 8 MiB"
                                   << "网页文字 40.0 MiB，超过读取上限 8 MiB";
        QTest::newRow("HTTP status") << "refused"
                                     << "HTTP 429"
                                     << "HTTP 429";
        QTest::newRow("browser's words") << "unreachable"
                                         << "Connection refused"
                                         << "Connection refused";
    }
    void reasonsInEachViewsWords()
    {
        QFETCH(QString, kind);
        QFETCH(QString, batch);
        QFETCH(QString, windows);
        const QString base = QStringLiteral("https://xueshu.baidu.com");
        PageLoad load;
        load.url = base + QStringLiteral("/s?wd=x");
        PageSnapshot page;
        page.hasDocument = true;
        ServicePageVerdict verdict;
        if (kind == QLatin1String("no answer")) {
            verdict = NoAnswerVerdict(30);
        } else {
            if (kind == QLatin1String("too large"))
                page.oversize = 40 * 1024 * 1024;
            else if (kind == QLatin1String("refused"))
                load.httpStatus = 429;
            else
                load.failure = QStringLiteral("Connection refused");
            verdict = JudgeServiceSnapshot(load, QString(), page, base);
        }
        QVERIFY(!verdict.usable());
        QCOMPARE(verdict.reason, batch);
        QCOMPARE(ServiceReasonForWindows(verdict), windows);
    }

    void queryAddress_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("query");
        QTest::newRow("journal since 2016")
            << "深度学习" << 1 << 2 << "wd=%C9%EE%B6%C8%D1%A7%CF%B0&filter=sc_type%3D{1}sc_year%3D{2016%2C%2B}";
        QTest::newRow("all types since 2015") << "x" << 0 << 3 << "wd=x&filter=sc_year%3D{2015%2C%2B}";
        QTest::newRow("patent, all years") << "x" << 5 << 0 << "wd=x&filter=sc_type%3D{5}";
        QTest::newRow("since 2017") << "x" << 0 << 1 << "wd=x&filter=sc_year%3D{2017%2C%2B}";
        QTest::newRow("trimmed, no filters") << "  x y  " << 0 << 0 << "wd=x y";
        QTest::newRow("ampersand and hash cannot start a parameter") << "a&b#c" << 0 << 0 << "wd=a%26b%23c";
        QTest::newRow("indices out of range count as all") << "x" << 9 << -1 << "wd=x";
    }
    void queryAddress()
    {
        QFETCH(QString, keyword);
        QFETCH(int, type);
        QFETCH(int, year);
        QFETCH(QString, query);
        QCOMPARE(QueryAddress(keyword, type, year), SearchAddressPrefix() + query);
        QVERIFY(SearchAddressPrefix().endsWith(QLatin1String("/s?")));
    }

    void remainingKeywords_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("rest");
        QTest::newRow("first of two") << "a\r\nb" << 0 << "\nb";
        QTest::newRow("last") << "a\r\nb" << 1 << "";
        QTest::newRow("blank lines dropped, trimmed") << "a\n \n  b  \n\nc" << 0 << "\nb\nc";
        QTest::newRow("lone LF and CR") << "a\nb\rc" << 0 << "\nb\nc";
    }
    void remainingKeywords()
    {
        QFETCH(QString, box);
        QFETCH(int, current);
        QFETCH(QString, rest);
        QCOMPARE(SearchDriver::remainingKeywords(SearchDriver::keywordLines(box), current), rest);
    }

    // Lines a, (empty), b: two searches, each walked to its end; the box loses each keyword as it starts.
    void batchWalksEveryKeyword()
    {
        Rig rig;
        rig.window.keywords = QStringLiteral("a\r\n\r\nb");
        QSignalSpy finished(&rig.driver, &SearchDriver::batchFinished);
        rig.driver.clickBatch();
        QVERIFY(rig.driver.batchRunning());
        QVERIFY(!rig.flags.BatchIdle());
        QVERIFY(finished.wait());

        const QStringList expected{query(QStringLiteral("a")), QStringLiteral("about:blank"),
                                   query(QStringLiteral("b")), QStringLiteral("about:blank")};
        QCOMPARE(rig.browser.navigations, expected);
        QCOMPARE(rig.window.saveTargetQuestions, 1);
        // Three page turns per search: a's pages see "\nb" in the box, b's an empty box.
        QCOMPARE(rig.window.boxAtPageTurn, QStringList({"\nb", "\nb", "\nb", "", "", ""}));
        QCOMPARE(rig.window.keywords, QString());
        QCOMPARE(rig.window.batchButton, QList<bool>({true, false}));
        QCOMPARE(rig.window.walkButton, QList<bool>({true, false, true, false}));
        QVERIFY(rig.flags.allIdle());
        QVERIFY(!rig.driver.batchRunning());
        QVERIFY(rig.prompt.entries.isEmpty());
    }

    // The window can show which keyword and which page the walk reads, and that it is over.
    void walkReportsItsPosition()
    {
        Rig rig;
        rig.window.keywords = QStringLiteral("a\nb");
        QSignalSpy position(&rig.driver, &SearchDriver::walkPosition);
        QSignalSpy finished(&rig.driver, &SearchDriver::batchFinished);
        rig.driver.clickBatch();
        QVERIFY(finished.wait());
        QList<QPair<QString, int>> seen;
        for (const QList<QVariant> &args : position)
            seen.append({args.at(0).toString(), args.at(1).toInt()});
        const QList<QPair<QString, int>> expected{{"a", 1}, {"a", 2}, {"a", 3}, {"a", 0},
                                                  {"b", 1}, {"b", 2}, {"b", 3}, {"b", 0}};
        QCOMPARE(seen, expected);

        // A walk of the user's own has no keyword.
        position.clear();
        QSignalSpy walked(&rig.driver, &SearchDriver::walkFinished);
        rig.driver.clickWalk();
        QVERIFY(walked.wait());
        QCOMPARE(position.first(), QList<QVariant>({QString(), 1}));
        QCOMPARE(position.last(), QList<QVariant>({QString(), 0}));
    }

    // A next-page link that leads back to a page walked before ends the walk there, with a word to the window.
    void walkEndsAtAPageWalkedBefore()
    {
        Rig rig;
        rig.window.keywords = QStringLiteral("a");
        rig.window.lastPageLinksBackTo = 2;
        QSignalSpy finished(&rig.driver, &SearchDriver::batchFinished);
        rig.driver.clickBatch();
        QVERIFY(finished.wait());
        QCOMPARE(rig.window.walkedBefore, QStringList{query(QStringLiteral("a")) + QStringLiteral("#2")});
        // Turns to pages 2 and 3, then the one back to page 2.
        QCOMPARE(rig.window.boxAtPageTurn.size(), 3);
        QVERIFY(rig.flags.allIdle());
    }

    void blankBoxOpensNoPage_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("empty") << "";
        QTest::newRow("blank lines") << " \r\n\t\r\n";
    }
    void blankBoxOpensNoPage()
    {
        QFETCH(QString, box);
        Rig rig;
        rig.window.keywords = box;
        QSignalSpy finished(&rig.driver, &SearchDriver::batchFinished);
        rig.driver.clickBatch();
        QVERIFY(finished.count() == 1 || finished.wait());
        QVERIFY(rig.browser.navigations.isEmpty());
        QCOMPARE(rig.window.batchButton, QList<bool>({true, false}));
        QVERIFY(rig.flags.allIdle());
        QCOMPARE(rig.prompt.texts(), QStringList{SearchTexts::kNoKeyword});
    }

    // Stopping the batch during a keyword's walk ends walk and batch; later keywords stay in the box.
    void stopDuringWalk()
    {
        Rig rig;
        rig.window.keywords = QStringLiteral("a\r\nb\r\nc");
        rig.window.onPageTurn = [&](int turn) {
            if (turn == 2)
                rig.driver.clickBatch();
        };
        QSignalSpy finished(&rig.driver, &SearchDriver::batchFinished);
        rig.driver.clickBatch();
        QVERIFY(finished.wait());
        QCOMPARE(rig.browser.navigations.first(), query(QStringLiteral("a")));
        QVERIFY(!rig.browser.navigations.contains(query(QStringLiteral("b"))));
        QCOMPARE(rig.window.keywords, QStringLiteral("\nb\nc"));
        QVERIFY(rig.flags.allIdle());
        QVERIFY(!rig.driver.walkRunning());
    }

    // The walk button during a batch stops only that keyword's walk; the batch goes on with the next keyword.
    void stopWalkOnlyDuringBatch()
    {
        Rig rig;
        rig.window.keywords = QStringLiteral("a\r\nb");
        rig.window.onPageTurn = [&](int turn) {
            if (turn == 1) {
                QVERIFY(rig.driver.walkRunning());
                rig.driver.clickWalk();
            }
        };
        QSignalSpy finished(&rig.driver, &SearchDriver::batchFinished);
        rig.driver.clickBatch();
        QVERIFY(finished.wait());
        QVERIFY(rig.browser.navigations.contains(query(QStringLiteral("b"))));
        // a's walk ended after its first turn; b's walked its three.
        QCOMPARE(rig.window.boxAtPageTurn.count(QStringLiteral("\nb")), 1);
        QCOMPARE(rig.window.boxAtPageTurn.count(QString()), 3);
    }

    // What a busy window refuses, and that a refusal changes nothing.
    void refusals_data()
    {
        QTest::addColumn<bool>("collectIdle");
        QTest::addColumn<bool>("analysisIdle");
        QTest::addColumn<bool>("batchIdle");
        QTest::addColumn<bool>("batchRefused");
        QTest::addColumn<bool>("walkRefused");
        QTest::newRow("analysis runs") << true << false << true << true << true;
        QTest::newRow("walk runs elsewhere") << false << true << true << true << false;
        QTest::newRow("batch flag busy") << true << true << false << true << false;
    }
    void refusals()
    {
        QFETCH(bool, collectIdle);
        QFETCH(bool, analysisIdle);
        QFETCH(bool, batchIdle);
        QFETCH(bool, batchRefused);
        QFETCH(bool, walkRefused);
        {
            Rig rig;
            rig.window.keywords = QStringLiteral("a");
            rig.flags.setCollectIdle(collectIdle);
            rig.flags.setAnalysisIdle(analysisIdle);
            rig.flags.setBatchIdle(batchIdle);
            rig.driver.clickBatch();
            QCOMPARE(rig.driver.batchRunning(), !batchRefused);
            if (batchRefused) {
                QCOMPARE(rig.prompt.texts(), QStringList{SearchTexts::kBusyRefusal});
                QCOMPARE(rig.prompt.entries.first().icon, Prompt::Icon::Critical);
                QVERIFY(rig.window.batchButton.isEmpty());
                QCOMPARE(rig.window.keywords, QStringLiteral("a"));
                QCOMPARE(rig.flags.CollectIdle(), collectIdle);
                QCOMPARE(rig.flags.AnalysisIdle(), analysisIdle);
                QCOMPARE(rig.flags.BatchIdle(), batchIdle);
            }
        }
        {
            Rig rig;
            rig.window.pagesPerSearch = 1;
            rig.flags.setCollectIdle(collectIdle);
            rig.flags.setAnalysisIdle(analysisIdle);
            rig.flags.setBatchIdle(batchIdle);
            rig.driver.clickWalk();
            QCOMPARE(rig.driver.walkRunning(), !walkRefused);
            if (walkRefused) {
                QCOMPARE(rig.prompt.texts(), QStringList{SearchTexts::kBusyRefusal});
                QVERIFY(rig.window.walkButton.isEmpty());
                QCOMPARE(rig.window.saveTargetQuestions, 0);
            } else {
                QSignalSpy finished(&rig.driver, &SearchDriver::walkFinished);
                QVERIFY(finished.wait());
            }
        }
    }

    // A walk outside a batch asks for the save target; harvest once asks too and harvests once.
    void walkAndHarvestOnceAsk()
    {
        Rig rig;
        QSignalSpy finished(&rig.driver, &SearchDriver::walkFinished);
        rig.driver.clickWalk();
        QVERIFY(finished.wait());
        QCOMPARE(rig.window.saveTargetQuestions, 1);
        QCOMPARE(rig.window.boxAtPageTurn.size(), 3);
        QVERIFY(rig.flags.CollectIdle());

        const int before = rig.window.harvests;
        rig.driver.harvestOnce();
        QCOMPARE(rig.window.saveTargetQuestions, 2);
        QCOMPARE(rig.window.harvests, before + 1);
    }

    // A query page that never completes is given up after 30 seconds; outside a batch the wait returns at once.
    // In a batch the service then counts as unreachable: nothing is walked.
    void stalledQueryPage()
    {
        ManualClock clock;
        Rig rig;
        rig.browser.stall = true;
        bool returned = false;
        [](SearchDriver &d, bool &r) -> QCoro::Task<> {
            co_await d.打开百度搜索网页(QStringLiteral("http://127.0.0.1:9/"));
            r = true;
        }(rig.driver, returned);
        QTRY_VERIFY(returned);
        QVERIFY(rig.flags.PageLoading());

        rig.window.keywords = QStringLiteral("a");
        rig.window.pagesPerSearch = 1;
        QSignalSpy finished(&rig.driver, &SearchDriver::batchFinished);
        rig.driver.clickBatch();
        QTRY_COMPARE(rig.browser.navigations.size(), 2);
        QVERIFY(clock.advance(SearchDriver::kQueryPageWait - std::chrono::milliseconds(1)));
        QVERIFY(staysQuiet(finished));
        QVERIFY(rig.window.boxAtPageTurn.isEmpty());
        QVERIFY(clock.advanceUntil([&] { return !finished.isEmpty(); }, std::chrono::seconds(1), 120));
        QCOMPARE(rig.window.serviceProblems, QList<ServicePageState>{ServicePageState::Unreachable});
        QVERIFY(rig.window.boxAtPageTurn.isEmpty());
    }

    // Stopping while the query page loads ends the batch without walking (or asking again).
    void stopWhileQueryPageLoads()
    {
        Rig rig;
        rig.browser.stall = true;
        rig.window.keywords = QStringLiteral("a\r\nb");
        QSignalSpy finished(&rig.driver, &SearchDriver::batchFinished);
        rig.driver.clickBatch();
        QTRY_COMPARE(rig.browser.navigations.size(), 1);
        rig.driver.clickBatch();
        QVERIFY(finished.count() == 1 || finished.wait());
        QVERIFY(rig.window.boxAtPageTurn.isEmpty());
        QCOMPARE(rig.window.saveTargetQuestions, 1);
        QCOMPARE(rig.window.keywords, QStringLiteral("\nb"));
        QVERIFY(rig.flags.allIdle());
    }
};

QTEST_GUILESS_MAIN(TestSearchDriver)
#include "test_searchdriver.moc"
