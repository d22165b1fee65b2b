#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/search/HarvestRules.h"
#include "core/search/PageHarvest.h"
#include "core/search/ResultListModel.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/ScholarSite.h"
#include "web/WebEngineBrowser.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineProfile>
#include <memory>

using namespace std::chrono_literals;

namespace {

// The delay box and the walk's stop flag, as the pause sees them; counts how often the pause looked.
class FakePacing final : public PacingView
{
public:
    explicit FakePacing(const RunFlags &flags) : m_flags(flags)
    {
        connect(&flags, &RunFlags::changed, this, &PacingView::changed);
    }
    QString delayText() const override
    {
        ++looks;
        return delay;
    }
    bool collectIdle() const override { return m_flags.CollectIdle(); }
    bool analysisIdle() const override { return m_flags.AnalysisIdle(); }

    QString delay = QStringLiteral("0");
    mutable int looks = 0;

private:
    const RunFlags &m_flags;
};

const QString kFolder = QStringLiteral("/home/u/12345");

// The rows as the title and link rules make them: the citation fields have a test of their own.
QList<ResultRow> withoutCitations(QList<ResultRow> rows)
{
    for (ResultRow &r : rows)
        r.citation = {};
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Citation)

namespace QTest {
template <> inline char *toString(const Citation &c)
{
    return qstrdup(QStringLiteral("[%1] [%2] [%3] [%4] [%5]")
                       .arg(c.authors.join(u'|'), c.source, c.year, c.citations, c.abstract)
                       .toUtf8()
                       .constData());
}
} // namespace QTest

// Harvesting the fixture scholar site for real: Qt WebEngine offscreen, loopback HTTP.
class TestPageHarvest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FixtureHttpServer> m_server;
    std::unique_ptr<ScholarSite> m_site;
    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<WebEngineBrowser> m_browser;
    std::unique_ptr<ResultListModel> m_list;
    std::unique_ptr<RunFlags> m_flags;
    std::unique_ptr<FakePacing> m_pacing;

    bool load(const QString &url)
    {
        QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
        m_browser->navigate(url);
        return complete.wait(20000);
    }

    ResultRow row(const QString &id, const QString &title, const QString &source) const
    {
        return {m_site->resultLink(id), title, QString(), QStringLiteral("htm"), kFolder, source};
    }

    bool nextPage() { return QCoro::waitFor(下一页(*m_browser, *m_list, *m_flags, *m_pacing, kFolder)); }

    // The page walk as the main window runs it: turn pages until the last one or a stop, harvesting each.
    QCoro::Task<QList<bool>> walk()
    {
        QList<bool> turns;
        m_flags->setCollectIdle(false);
        while (!m_flags->CollectIdle()) {
            const bool turned = co_await 下一页(*m_browser, *m_list, *m_flags, *m_pacing, kFolder);
            turns.append(turned);
            if (!turned)
                break;
            co_await 采集本页结果(*m_browser, *m_list, kFolder);
        }
        co_await 采集本页结果(*m_browser, *m_list, kFolder);
        m_flags->setCollectIdle(true);
        co_return turns;
    }

    // One page turn in the background, so the test can move the clock meanwhile.
    QCoro::Task<> turnInBackground(bool &turned, bool &done)
    {
        turned = co_await 下一页(*m_browser, *m_list, *m_flags, *m_pacing, kFolder);
        done = true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<FixtureHttpServer>();
        m_site = std::make_unique<ScholarSite>(*m_server);
        m_site->useAsSearchService();
        m_profile = new QWebEngineProfile(this);
        QCOMPARE(ResultLinkPrefix(), m_site->base() + QLatin1Char('/'));
    }

    void init()
    {
        m_browser = std::make_unique<WebEngineBrowser>(m_profile);
        m_list = std::make_unique<ResultListModel>();
        m_flags = std::make_unique<RunFlags>();
        m_pacing = std::make_unique<FakePacing>(*m_flags);
    }

    void cleanup()
    {
        m_pacing.reset();
        m_flags.reset();
        m_list.reset();
        m_browser.reset();
        m_server->clearRequests();
    }

    void harvestGivesExactlyThePageRows_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("pn");
        QTest::addColumn<QStringList>("rows"); // id:title; "https:id:title" for an https result link;
                                               // "file:<name>:<type>:title" for a direct link

        QTest::newRow("first result page")
            << QStringLiteral("深度学习") << 0
            << QStringList{QStringLiteral("d101:深度学习综述"), QStringLiteral("d102:基于深度学习的图像识别"),
                           QStringLiteral("d103:卷积神经网络研究")};
        QTest::newRow("second result page")
            << QStringLiteral("深度学习") << 10
            << QStringList{QStringLiteral("d104:循环神经网络"), QStringLiteral("d101:深度学习综述（第二次出现）"),
                           QStringLiteral("d105:长短期记忆网络")};
        QTest::newRow("last result page")
            << QStringLiteral("深度学习") << 20 << QStringList{QStringLiteral("d106:注意力机制")};
        QTest::newRow("another keyword") << QStringLiteral("机器翻译") << 0
                                         << QStringList{QStringLiteral("d201:神经机器翻译"),
                                                        QStringLiteral("d202:统计机器翻译")};
        QTest::newRow("no results") << QStringLiteral("无结果") << 0 << QStringList();
        // The service answers on https and writes its links protocol-relative: either scheme is one of its results.
        QTest::newRow("https and protocol-relative links")
            << QStringLiteral("协议链接") << 0
            << QStringList{QStringLiteral("d201:协议相对链接"), QStringLiteral("https:d202:安全链接")};
        QTest::newRow("single document with queryShow")
            << QStringLiteral("知识图谱") << 0 << QStringList{QStringLiteral("file:KG_FULL.PDF:pdf:知识图谱")};
        QTest::newRow("single document, two query words")
            << QStringLiteral("知识 图谱") << 0 << QStringList{QStringLiteral("file:KG_FULL.PDF:pdf:知识")};
        QTest::newRow("single document without queryShow") << QStringLiteral("无查询词") << 0 << QStringList();
    }

    void harvestGivesExactlyThePageRows()
    {
        QFETCH(QString, keyword);
        QFETCH(int, pn);
        QFETCH(QStringList, rows);

        const QString url = m_site->searchUrl(keyword, pn);
        QVERIFY(load(url));
        QCoro::waitFor(采集本页结果(*m_browser, *m_list, kFolder));

        QList<ResultRow> expected;
        for (const QString &r : rows) {
            const QStringList f = r.split(QLatin1Char(':'));
            if (f.first() == u"file")
                expected.append({m_site->base() + QStringLiteral("/files/") + f.at(1), f.at(3), QString(), f.at(2),
                                 kFolder, QString()});
            else if (f.first() == u"https")
                expected.append({m_site->resultLink(f.at(1)).replace(QStringLiteral("http:"), QStringLiteral("https:")),
                                 f.at(2), QString(), QStringLiteral("htm"), kFolder, url});
            else
                expected.append(row(f.at(0), f.at(1), url));
        }
        QCOMPARE(withoutCitations(m_list->rows()), expected);

        // Harvesting the same page again adds nothing.
        QCoro::waitFor(采集本页结果(*m_browser, *m_list, kFolder));
        QCOMPARE(m_list->rowCount(), expected.size());
    }

    // The citation parts of each result block, read through the page snapshot; blocks without them stay empty.
    void harvestCitations()
    {
        QVERIFY(load(m_site->pageUrl(QStringLiteral("cited.htm"))));
        QCoro::waitFor(采集本页结果(*m_browser, *m_list, kFolder));
        QCOMPARE(m_list->rowCount(), 3);
        const Citation full = m_list->row(0).citation;
        // Every author link counts, with click data or without; the source is the journal, not the databases
        // that hold a version; line breaks of the abstract part its words instead of gluing them.
        QCOMPARE(full.authors,
                 (QStringList{QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("Smith, J.")}));
        QCOMPARE(full.source, QStringLiteral("软件学报"));
        QCOMPARE(full.year, QStringLiteral("2019"));
        QCOMPARE(full.citations, QStringLiteral("1234"));
        QCOMPARE(full.abstract, QStringLiteral("本文回顾了 深度学习的发展。 First line. Second line."));
        // The list keeps the title as the page marks it up, without the search words' emphasis.
        QCOMPARE(m_list->row(0).title, QStringLiteral("深度学习综述：CO<sub>2</sub> 与 <i>DNA</i>"));
        QVERIFY(m_list->row(1).citation.isEmpty());
        QCOMPARE(m_list->row(2).citation, (Citation{{}, {}, QStringLiteral("2007"), {}, {}}));
        QCOMPARE(m_list->data(m_list->index(0, ResultListModel::AuthorsColumn)).toString(),
                 QStringLiteral("张三; 李四; Smith, J."));
        QCOMPARE(m_list->data(m_list->index(0, ResultListModel::CitationsColumn)).toString(), QStringLiteral("1234"));
    }

    void citationFromParts_data()
    {
        QTest::addColumn<QStringList>("authors");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("citations");
        QTest::addColumn<Citation>("expected");
        QTest::newRow("nothing") << QStringList() << QString() << QString() << QString() << Citation{};
        QTest::newRow("decorations go") << QStringList{QStringLiteral(" 王五， "), QStringLiteral("、赵六")}
                                        << QStringLiteral("- 《软件学报》") << QStringLiteral("发表于2016年")
                                        << QStringLiteral("被引量：12")
                                        << Citation{{QStringLiteral("王五"), QStringLiteral("赵六")},
                                                    QStringLiteral("软件学报"),
                                                    QStringLiteral("2016"),
                                                    QStringLiteral("12"),
                                                    {}};
        QTest::newRow("no year in a longer number, controls dropped")
            << QStringList{QStringLiteral("A\x1b]0;x\x07")} << QStringLiteral("IEEE\u202e") << QStringLiteral("120190")
            << QStringLiteral("无") << Citation{{QStringLiteral("A]0;x")}, QStringLiteral("IEEE"), {}, {}, {}};
    }
    void citationFromParts()
    {
        QFETCH(QStringList, authors);
        QFETCH(QString, source);
        QFETCH(QString, year);
        QFETCH(QString, citations);
        QFETCH(Citation, expected);
        QMap<QString, QStringList> parts;
        if (!authors.isEmpty())
            parts[QStringLiteral("authors")] = authors;
        parts[QStringLiteral("source")] = {source};
        parts[QStringLiteral("year")] = {year};
        parts[QStringLiteral("citations")] = {citations};
        QCOMPARE(CitationFromParts(parts), expected);
    }

    void walkOverThreePages()
    {
        ManualClock clock;
        m_pacing->delay = QStringLiteral("1");
        const QString first = m_site->searchUrl(QStringLiteral("深度学习"));
        QVERIFY(load(first));
        QList<bool> turns;
        bool done = false;
        const auto walking = [&]() -> QCoro::Task<> {
            turns = co_await walk();
            done = true;
        };
        auto walked = walking();
        // The pages load on real time; each pause after a turn, seen as a look at the delay box, gets its second.
        int looksSeen = 0;
        while (!done) {
            QVERIFY(QTest::qWaitFor([&] { return done || m_pacing->looks > looksSeen; }, 20000));
            if (m_pacing->looks > looksSeen) {
                looksSeen = m_pacing->looks;
                QVERIFY(clock.advance(std::chrono::seconds(1)));
            }
        }

        QCOMPARE(turns, (QList<bool>{true, true, false}));
        const QString second =
            m_site->base() + QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8");
        const QString third =
            m_site->base() + QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=20&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8");
        const QList<ResultRow> expected{
            row(QStringLiteral("d101"), QStringLiteral("深度学习综述"), first),
            row(QStringLiteral("d102"), QStringLiteral("基于深度学习的图像识别"), first),
            row(QStringLiteral("d103"), QStringLiteral("卷积神经网络研究"), first),
            row(QStringLiteral("d104"), QStringLiteral("循环神经网络"), second),
            row(QStringLiteral("d105"), QStringLiteral("长短期记忆网络"), second),
            row(QStringLiteral("d106"), QStringLiteral("注意力机制"), third),
        };
        QCOMPARE(withoutCitations(m_list->rows()), expected);
        QCOMPARE(m_browser->currentUrl(), third);
        QVERIFY(!m_flags->PageLoading());
        // The decoy next-page link (another class) was never followed; each turn took the pause.
        for (const auto &r : m_server->requests())
            QVERIFY2(!r.path.contains("pn=90"), r.path.constData());
        QVERIFY(m_pacing->looks >= 2);
    }

    void lastPageHarvestsAndEnds()
    {
        QVERIFY(load(m_site->searchUrl(QStringLiteral("机器翻译"))));
        QVERIFY(!nextPage());
        QCOMPARE(m_list->rowCount(), 2);
        QCOMPARE(m_pacing->looks, 0);
        QVERIFY(!m_flags->PageLoading());
    }

    void stopDuringThePageTurnWait()
    {
        // The next page never answers; stop is pressed once its request has gone out.
        const QString stalled =
            QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8");
        FixtureHttpServer::Response never;
        never.headerDelayMs = -1;
        m_server->route(stalled, never);
        auto stopOnRequest = connect(m_server.get(), &FixtureHttpServer::requestReceived, this,
                                     [&](const FixtureHttpServer::Request &r) {
                                         if (r.path == stalled.toUtf8())
                                             m_flags->setCollectIdle(true);
                                     });
        const QString first = m_site->searchUrl(QStringLiteral("深度学习"));
        QVERIFY(load(first));
        m_flags->setCollectIdle(false);
        m_list->加入LV1(QStringLiteral("earlier"), QStringLiteral("http://s/earlier"), {}, kFolder, {});

        QVERIFY(!nextPage());
        // The page shown then was harvested; no pause was taken, nothing was invented.
        QCOMPARE(m_list->rowCount(), 4);
        QCOMPARE(m_list->row(1).sourcePage, first);
        QCOMPARE(m_pacing->looks, 0);
        QVERIFY(m_flags->CollectIdle());
        disconnect(stopOnRequest);
        m_server->removeRoute(stalled);
        m_server->closeAllConnections();
    }

    void pageTurnLimitGoesOnWithWhateverIsShown()
    {
        const QString stalled =
            QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8");
        FixtureHttpServer::Response never;
        never.headerDelayMs = -1;
        m_server->route(stalled, never);
        QVERIFY(load(m_site->searchUrl(QStringLiteral("深度学习"))));
        ManualClock clock;
        m_flags->setCollectIdle(false);

        bool turned = false;
        bool done = false;
        auto turning = turnInBackground(turned, done);
        // The limit runs from the click; the request for the next page shows the click was made.
        const auto clicked = [&] {
            const auto requests = m_server->requests();
            return std::any_of(requests.cbegin(), requests.cend(),
                               [&](const FixtureHttpServer::Request &r) { return r.path == stalled.toUtf8(); });
        };
        QTRY_VERIFY(clicked());
        // The click's own answer from the page is in: what is left to wait for is the page-turn limit alone.
        QTRY_VERIFY(ClockTimer::msToNextSingleShot() > WebEngineBrowser::kPageAnswerLimit.count());
        QVERIFY(clock.advance(kPageTurnLimit - std::chrono::milliseconds(1)));
        QVERIFY(!QTest::qWaitFor([&] { return done; }, 200));
        QVERIFY(clock.advance(std::chrono::milliseconds(1)));
        QTRY_VERIFY(done);
        QVERIFY(turned); // as if the page had been turned
        QVERIFY(m_pacing->looks >= 1);
        QVERIFY(m_flags->PageLoading()); // the completion never came
        QCOMPARE(m_list->rowCount(), 3);
        m_server->removeRoute(stalled);
        m_server->closeAllConnections();
    }

    void noDocumentMeansNothingHappens()
    {
        m_browser->setPageAnswerLimit(300ms);
        QVERIFY(load(m_site->pageUrl(QStringLiteral("busy_loop.htm"))));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("looping"), 20000);
        QVERIFY(!nextPage());
        QCoro::waitFor(采集本页结果(*m_browser, *m_list, kFolder));
        QCOMPARE(m_list->rowCount(), 0);
        QVERIFY(!m_flags->PageLoading());
    }

    // innerHTML is markup: references decoded once, nothing that could steer a terminal or flip a name survives.
    void resultTitle_data()
    {
        QTest::addColumn<QString>("innerHtml");
        QTest::addColumn<QString>("title");
        QTest::newRow("emphasis removed, trimmed")
            << QStringLiteral("  <EM>深度</em>学习 ") << QStringLiteral("深度学习");
        QTest::newRow("references") << QStringLiteral("A &amp; B &lt;c&gt;&nbsp;&#x4E2D;")
                                    << QStringLiteral("A & B <c> 中");
        QTest::newRow("an escaped tag stays text")
            << QStringLiteral("&lt;em&gt;x&amp;amp;") << QStringLiteral("<em>x&amp;");
        QTest::newRow("terminal controls, raw and as references")
            << QStringLiteral("\x1b]0;owned\x07T&#27;[2J&#x9b;x") << QStringLiteral("]0;ownedT[2Jx");
        QTest::newRow("bidi override") << QStringLiteral("report&#x202E;fdp.exe\u2066")
                                       << QStringLiteral("reportfdp.exe");
        QTest::newRow("line breaks of the markup")
            << QStringLiteral("Deep\n    learning") << QStringLiteral("Deep    learning");
        QTest::newRow("blank reference at the end") << QStringLiteral("Title&nbsp;") << QStringLiteral("Title");
    }

    void resultTitle()
    {
        QFETCH(QString, innerHtml);
        QFETCH(QString, title);
        QCOMPARE(ResultTitle(innerHtml), title);
    }

    void queryShowTitle_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("quoted word and comma")
            << QStringLiteral("x = { queryShow : \"深度学习\", qid : 1 }") << QStringLiteral("深度学习");
        QTest::newRow("letter case ignored") << QStringLiteral("QUERYSHOW : \"abc\", id") << QStringLiteral("abc");
        QTest::newRow("two words give the first")
            << QStringLiteral("queryShow : \"深度 学习\",") << QStringLiteral("深度");
        QTest::newRow("nothing after the word") << QStringLiteral("queryShow : \"深度学习\"") << QString();
        QTest::newRow("no marker") << QStringLiteral("queryShow: \"深度学习\", x") << QString();
    }

    void queryShowTitle()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);
        QCOMPARE(QueryShowTitle(text), title);
    }
};

QTEST_MAIN(TestPageHarvest)
#include "test_pageharvest.moc"
