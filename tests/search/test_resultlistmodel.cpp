#include "core/run/RunFlags.h"
#include "core/search/ResultListCommands.h"
#include "core/search/ResultListModel.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

namespace {

QStringList column(const ResultListModel &m, int col)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.index(r, col).data().toString();
    return out;
}

// Rows with fresh keys and the given titles and statuses.
void fill(ResultListModel &m, const QStringList &titles, const QStringList &statuses = {})
{
    static int next = 0;
    for (int i = 0; i < titles.size(); ++i) {
        QVERIFY(m.addRow({QStringLiteral("http://s/k%1").arg(++next), titles.at(i), statuses.value(i),
                          QStringLiteral("htm"), QStringLiteral("/save"), QStringLiteral("http://s/page")}));
    }
}

} // namespace

class TestResultListModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ResultListModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

private Q_SLOTS:
    void init()
    {
        m_model = std::make_unique<ResultListModel>();
        m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
    }

    // Many rows at once (an import): keys already in the list and repeats within the rows are refused, the first
    // of each kept, the order kept, titles cleaned as one by one.
    void addingManyRowsAtOnce()
    {
        ResultListModel &m = *m_model;
        QVERIFY(m.addRow({QStringLiteral("http://k/1"), QStringLiteral("old"), {}, {}, {}, {}}));
        QList<ResultRow> rows;
        for (const auto &[key, title] : QList<QPair<QString, QString>>{{"http://k/2", "first"},
                                                                       {"http://k/1", "again"},
                                                                       {"http://k/3", "three\x1b"},
                                                                       {"http://k/2", "second"},
                                                                       {"HTTP://K/2", "capitals"}})
            rows.append({key, title, {}, {}, {}, {}});
        QCOMPARE(m.addRows(rows), 3);
        QStringList seen;
        for (const ResultRow &r : m.rows())
            seen << r.key + QLatin1Char('=') + r.title;
        QCOMPARE(seen, (QStringList{"http://k/1=old", "http://k/2=first", "http://k/3=three", "HTTP://K/2=capitals"}));
        QCOMPARE(m.addRows(rows), 0);
        for (int r = 0; r < m.rowCount(); ++r)
            QCOMPARE(m.rowOf(m.row(r).key), r);
    }

    // Rows made on the way in from records of another kind: a row is made only for a record the list takes,
    // once, in the records' order; refused ones (a key in the list, a repeat) are never made.
    void rowsMadeOnlyForTakenRecords()
    {
        ResultListModel &m = *m_model;
        QVERIFY(m.addRow({QStringLiteral("http://k/1"), QStringLiteral("old"), {}, {}, {}, {}}));
        const QStringList keys{"http://k/2", "http://k/1", "http://k/3", "http://k/2"};
        QList<qsizetype> made;
        const int added = m.addRows(
            keys.size(), [&](qsizetype i) -> const QString & { return keys.at(i); },
            [&](qsizetype i) {
                made.append(i);
                return ResultRow{keys.at(i), QStringLiteral("t%1\x07").arg(i), {}, {}, {}, {}};
            });
        QCOMPARE(added, 2);
        QCOMPARE(made, (QList<qsizetype>{0, 2}));
        QCOMPARE(m.rowCount(), 3);
        QCOMPARE(m.row(1).title, QStringLiteral("t0"));
        QCOMPARE(m.row(2).title, QStringLiteral("t2"));
        QCOMPARE(m.rowOf(QStringLiteral("http://k/3")), 2);
    }

    // An import in batches into a list that made room ahead, fewer rows arriving than room was made for and
    // more than that in the end: every batch repeats half of the one before, and each key is found where it went.
    void addingBatchesIntoReservedRoom()
    {
        ResultListModel &m = *m_model;
        m.reserve(1500);
        int added = 0;
        for (int batch = 0; batch < 4; ++batch) {
            QList<ResultRow> rows;
            for (int i = batch * 500; i < batch * 500 + 1000; ++i)
                rows.append({QStringLiteral("http://b/%1").arg(i), QStringLiteral("t%1").arg(i), {}, {}, {}, {}});
            added += m.addRows(rows);
        }
        QCOMPARE(added, 2500);
        QCOMPARE(m.rowCount(), 2500);
        for (int r = 0; r < m.rowCount(); ++r) {
            QCOMPARE(m.row(r).key, QStringLiteral("http://b/%1").arg(r));
            QCOMPARE(m.rowOf(m.row(r).key), r);
        }
        QCOMPARE(m.rowOf(QStringLiteral("http://b/2500")), -1);
    }

    void addingRowsKeepsKeysUnique()
    {
        ResultListModel &m = *m_model;
        QCOMPARE(m.columnCount(), 9);
        QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QStringLiteral("标题"));
        QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("分析状态      "));
        QCOMPARE(m.headerData(2, Qt::Horizontal).toString(), QStringLiteral("类型  "));
        QCOMPARE(m.headerData(3, Qt::Horizontal).toString(), QStringLiteral("保存路径"));

        QVERIFY(m.加入LV1(QStringLiteral("深度学习"), QStringLiteral("http://s/a?x=1&y=2"),
                          QStringLiteral("http://s/page1"), QStringLiteral("/home/u/12345"), QString()));
        QVERIFY(m.加入LV1(QStringLiteral("第二篇"), QStringLiteral("http://s/b"), QString(), QStringLiteral("/f"),
                          QStringLiteral("htm")));
        // The same key again: refused, and the first row keeps its title, page, folder and type.
        QVERIFY(!m.加入LV1(QStringLiteral("别的标题"), QStringLiteral("http://s/a?x=1&y=2"),
                           QStringLiteral("http://s/page2"), QStringLiteral("/other"), QStringLiteral("htm")));
        // Keys are compared exactly: letter case makes another link.
        QVERIFY(m.加入LV1(QStringLiteral("大写"), QStringLiteral("HTTP://S/B"), QString(), QStringLiteral("/f"),
                          QStringLiteral("htm")));

        QCOMPARE(m.rowCount(), 3);
        const ResultRow expected{
            QStringLiteral("http://s/a?x=1&y=2"), QStringLiteral("深度学习"),      QString(), QStringLiteral("pdf"),
            QStringLiteral("/home/u/12345"),      QStringLiteral("http://s/page1")};
        QCOMPARE(m.row(0), expected);
        QCOMPARE(column(m, 0),
                 (QStringList{QStringLiteral("深度学习"), QStringLiteral("第二篇"), QStringLiteral("大写")}));
        QCOMPARE(m.index(0, 2).data().toString(), QStringLiteral("pdf"));
        QCOMPARE(m.index(0, 3).data().toString(), QStringLiteral("/home/u/12345"));
        QCOMPARE(m.index(0, 1).data(ResultListModel::KeyRole).toString(), expected.key);
        QCOMPARE(m.index(0, 0).data(ResultListModel::SourcePageRole).toString(), expected.sourcePage);
        QCOMPARE(m.rowOf(QStringLiteral("http://s/b")), 1);
        QCOMPARE(m.rowOf(QStringLiteral("http://s/none")), -1);
        QVERIFY(!(m.flags(m.index(0, 0)) & Qt::ItemIsEditable));
        QCOMPARE(m.row(99), ResultRow());

        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        m.setStatus(1, QStringLiteral("成功"));
        m.setType(1, QStringLiteral("pdf"));
        m.setStatus(7, QStringLiteral("成功")); // out of range: ignored
        QCOMPARE(changed.count(), 2);
        QCOMPARE(m.row(1).status, QStringLiteral("成功"));
        QCOMPARE(m.row(1).type, QStringLiteral("pdf"));
    }

    void removalRules_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<int>("rule"); // 0 成功, 1 跳过, 2 title contains, 3 title does not contain, 4 失败
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("left"); // titles left, in order

        const QStringList abcd{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
        QTest::newRow("success, order kept")
            << abcd << QStringList{QStringLiteral("成功"), QStringLiteral("失败"), QStringLiteral("成功"), QString()}
            << 0 << QString() << QStringList{QStringLiteral("b"), QStringLiteral("d")};
        QTest::newRow("adjacent matches both go") << abcd
                                                  << QStringList{QStringLiteral("失败"), QStringLiteral("成功"),
                                                                 QStringLiteral("成功"), QStringLiteral("成功")}
                                                  << 0 << QString() << QStringList{QStringLiteral("a")};
        QTest::newRow("both skip words") << abcd
                                         << QStringList{QStringLiteral("跳过(曾经下载)"), QStringLiteral("无pdf"),
                                                        QStringLiteral("跳过(文件存在)"), QStringLiteral("正在分析")}
                                         << 1 << QString() << QStringList{QStringLiteral("b"), QStringLiteral("d")};
        QTest::newRow("failure group: 失败 and 失败(下载)")
            << abcd
            << QStringList{QStringLiteral("失败(下载)"), QStringLiteral("失败"), QStringLiteral("成功"), QString()} << 4
            << QString() << QStringList{QStringLiteral("c"), QStringLiteral("d")};
        QTest::newRow("title contains, case ignored")
            << QStringList{QStringLiteral("Deep LEARNING"), QStringLiteral("深度学习"),
                           QStringLiteral("learning to rank")}
            << QStringList() << 2 << QStringLiteral("learning") << QStringList{QStringLiteral("深度学习")};
        QTest::newRow("title does not contain, case ignored")
            << QStringList{QStringLiteral("Deep LEARNING"), QStringLiteral("深度学习"),
                           QStringLiteral("learning to rank")}
            << QStringList() << 3 << QStringLiteral("learning")
            << QStringList{QStringLiteral("Deep LEARNING"), QStringLiteral("learning to rank")};
    }

    void removalRules()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, statuses);
        QFETCH(int, rule);
        QFETCH(QString, text);
        QFETCH(QStringList, left);

        ResultListModel &m = *m_model;
        fill(m, titles, statuses);
        int removed = 0;
        switch (rule) {
        case 0:
            removed = m.removeStatusGroup(QStringLiteral("成功"));
            break;
        case 1:
            removed = m.removeStatusGroup(QStringLiteral("跳过"));
            break;
        case 2:
            removed = m.removeTitleMatching(text, true);
            break;
        case 3:
            removed = m.removeTitleMatching(text, false);
            break;
        case 4:
            removed = m.removeStatusGroup(QStringLiteral("失败"));
            break;
        }
        QCOMPARE(removed, titles.size() - left.size());
        QCOMPARE(column(m, 0), left);
        // Every key still finds its row.
        for (int r = 0; r < m.rowCount(); ++r)
            QCOMPARE(m.rowOf(m.row(r).key), r);
    }

    void manyScatteredRemovalsStayConsistent()
    {
        // Every other row of a long list: the path that rebuilds the list in one pass.
        ResultListModel &m = *m_model;
        QStringList titles, statuses;
        for (int i = 0; i < 200; ++i) {
            titles << QString::number(i);
            statuses << (i % 2 ? QStringLiteral("成功") : QString());
        }
        fill(m, titles, statuses);
        QCOMPARE(m.removeStatusGroup(QStringLiteral("成功")), 100);
        QCOMPARE(m.rowCount(), 100);
        for (int r = 0; r < m.rowCount(); ++r) {
            QCOMPARE(m.row(r).title, QString::number(2 * r));
            QCOMPARE(m.rowOf(m.row(r).key), r);
        }

        // A few stretches: removed with row signals, so a persistent index below them moves up.
        QPersistentModelIndex last = m.index(99, 0);
        QCOMPARE(m.removeRowsAt({0, 1, 2, 50, 51, 98, 500, -1}), 6);
        QVERIFY(last.isValid());
        QCOMPARE(last.row(), 93);
        QCOMPARE(last.data().toString(), QStringLiteral("198"));
        for (int r = 0; r < m.rowCount(); ++r)
            QCOMPARE(m.rowOf(m.row(r).key), r);
    }

    // Rounds of removals of every size (down to a few rows of hundreds, where the index is made smaller), sorts
    // and additions: every key left finds its row and no removed key is found.
    void keysFollowRemovalsSortsAndAdditions()
    {
        ResultListModel &m = *m_model;
        QRandomGenerator rng(11);
        QSet<QString> removedKeys;
        const auto addRows = [&](int count) {
            QStringList titles;
            for (int i = 0; i < count; ++i)
                titles << QString::number(rng.bounded(100000));
            fill(m, titles);
        };
        addRows(600);
        for (const int keepPercent : {50, 90, 10, 97, 1, 60}) {
            QList<int> gone;
            for (int r = 0; r < m.rowCount(); ++r) {
                if (int(rng.bounded(100)) >= keepPercent) {
                    gone << r;
                    removedKeys.insert(m.row(r).key);
                }
            }
            QCOMPARE(m.removeRowsAt(gone), gone.size());
            m.sort(ResultListModel::TitleColumn, rng.bounded(2) ? Qt::AscendingOrder : Qt::DescendingOrder);
            for (int r = 0; r < m.rowCount(); ++r)
                QCOMPARE(m.rowOf(m.row(r).key), r);
            QCOMPARE(std::count_if(removedKeys.cbegin(), removedKeys.cend(),
                                   [&](const QString &key) { return m.containsKey(key); }),
                     0);
            addRows(int(rng.bounded(100)));
        }
    }

    void sortingAlternatesAndAppendsLaterRows()
    {
        ResultListModel &m = *m_model;
        fill(m, {QStringLiteral("b"), QStringLiteral("C"), QStringLiteral("a")},
             {QStringLiteral("失败"), QString(), QStringLiteral("成功")});
        m.setType(0, QStringLiteral("pdf"));
        m.setType(1, QStringLiteral("caj"));
        m.setType(2, QStringLiteral("doc"));
        QPersistentModelIndex rowA = m.index(2, 0);

        QCOMPARE(m.sortByHeader(0), Qt::DescendingOrder);
        QCOMPARE(column(m, 0), (QStringList{QStringLiteral("C"), QStringLiteral("b"), QStringLiteral("a")}));
        QCOMPARE(rowA.row(), 2);
        QCOMPARE(m.sortByHeader(0), Qt::AscendingOrder);
        QCOMPARE(column(m, 0), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("C")}));
        QCOMPARE(rowA.row(), 0);
        QCOMPARE(rowA.data().toString(), QStringLiteral("a"));

        // Header 1 descending, then header 3: ascending, whatever column was sorted before.
        m.sortByHeader(0);
        QCOMPARE(m.sortOrder(), Qt::DescendingOrder);
        QCOMPARE(m.sortByHeader(2), Qt::AscendingOrder);
        QCOMPARE(column(m, 2), (QStringList{QStringLiteral("caj"), QStringLiteral("doc"), QStringLiteral("pdf")}));
        QCOMPARE(m.sortColumn(), 2);

        // The list does not stay sorted.
        fill(m, {QStringLiteral("0 added later")});
        QCOMPARE(m.row(3).title, QStringLiteral("0 added later"));
        for (int r = 0; r < m.rowCount(); ++r)
            QCOMPARE(m.rowOf(m.row(r).key), r);
    }

    // A long list is ordered on a worker: its rows stay put until sorted(), then stand as the same sorts done at
    // once leave them, also when rows go or come meanwhile or another sort is asked for before the first lands.
    void longListSortsInTheBackground_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("nothing") << QString();
        QTest::newRow("done rows removed") << QStringLiteral("remove");
        QTest::newRow("a row added") << QStringLiteral("add");
        QTest::newRow("a second sort") << QStringLiteral("sort");
    }
    void longListSortsInTheBackground()
    {
        QFETCH(QString, meanwhile);
        const int n = int(ResultListModel::kBackgroundSortRows) + 10;
        QList<ResultRow> rows;
        for (int i = 0; i < n; ++i)
            rows.append(
                {QStringLiteral("http://s/b%1").arg(i),
                 QStringLiteral("%1%2").arg((i * 7919) % 1000).arg(i % 2 ? QStringLiteral("a") : QStringLiteral("B")),
                 i % 3 == 0 ? QStringLiteral("成功") : (i % 3 == 1 ? QStringLiteral("失败") : QString()),
                 QStringLiteral("pdf"), QStringLiteral("/save"), QString()});
        const ResultRow added{QStringLiteral("http://s/added"),
                              QStringLiteral("500 added"),
                              {},
                              QStringLiteral("pdf"),
                              QStringLiteral("/save"),
                              QString()};
        ResultListModel &m = *m_model;
        ResultListModel expected;
        m.addRows(rows);
        expected.addRows(rows);
        QPersistentModelIndex tracked = m.index(1, ResultListModel::TitleColumn);
        QSignalSpy sorted(&m, &ResultListModel::sorted);

        QCOMPARE(m.sortByHeader(ResultListModel::TitleColumn), Qt::DescendingOrder);
        QVERIFY(m.isSorting());
        QCOMPARE(m.row(0).key, rows.first().key);
        QCOMPARE(m.sortOrder(), Qt::DescendingOrder);
        if (meanwhile == u"remove") {
            QVERIFY(m.removeStatusGroup(QStringLiteral("成功")) > 0);
            expected.removeStatusGroup(QStringLiteral("成功"));
        } else if (meanwhile == u"add") {
            // Arrived before the rows moved: sorted along with them.
            QVERIFY(m.addRow(added));
            QVERIFY(expected.addRow(added));
        }
        expected.sort(ResultListModel::TitleColumn, Qt::DescendingOrder);
        int requests = 1;
        if (meanwhile == u"sort") {
            m.sortInBackground(ResultListModel::StatusColumn, Qt::AscendingOrder);
            expected.sort(ResultListModel::StatusColumn, Qt::AscendingOrder);
            QCOMPARE(m.sortColumn(), int(ResultListModel::StatusColumn));
            requests = 2;
        }
        QTRY_VERIFY(!m.isSorting());
        QCOMPARE(sorted.size(), requests);
        QCOMPARE(m.rowCount(), expected.rowCount());
        for (int r = 0; r < m.rowCount(); ++r) {
            QCOMPARE(m.row(r).key, expected.row(r).key);
            QCOMPARE(m.rowOf(m.row(r).key), r);
        }
        // A removal of many stretches resets the views, which let go of their indexes; otherwise they follow.
        if (meanwhile != u"remove")
            QCOMPARE(m.row(tracked.row()).key, rows.at(1).key);
    }

    // Texts the collation finds equal (the same text, or letters differing in case only) keep their present order,
    // whichever way the list is sorted.
    void sortKeepsTheOrderOfEqualTexts_data()
    {
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<QStringList>("expected");
        const QStringList statuses{"成功", "失败", "成功", "", "失败(下载)", "成功"};
        const QStringList numbered{"1", "2", "3", "4", "5", "6"};
        QTest::newRow("same status, ascending") << int(ResultListModel::StatusColumn) << int(Qt::AscendingOrder)
                                                << numbered << statuses << QStringList{"4", "1", "3", "6", "2", "5"};
        QTest::newRow("same status, descending") << int(ResultListModel::StatusColumn) << int(Qt::DescendingOrder)
                                                 << numbered << statuses << QStringList{"5", "2", "1", "3", "6", "4"};
        const QStringList letters{"b", "a", "B", "A"};
        QTest::newRow("case only, ascending") << int(ResultListModel::TitleColumn) << int(Qt::AscendingOrder) << letters
                                              << QStringList() << QStringList{"a", "A", "b", "B"};
        QTest::newRow("case only, descending") << int(ResultListModel::TitleColumn) << int(Qt::DescendingOrder)
                                               << letters << QStringList() << QStringList{"b", "B", "a", "A"};
    }
    void sortKeepsTheOrderOfEqualTexts()
    {
        QFETCH(int, sortColumn);
        QFETCH(int, order);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, statuses);
        QFETCH(QStringList, expected);
        ResultListModel &m = *m_model;
        fill(m, titles, statuses);
        m.sort(sortColumn, Qt::SortOrder(order));
        QCOMPARE(column(m, ResultListModel::TitleColumn), expected);
        for (int r = 0; r < m.rowCount(); ++r)
            QCOMPARE(m.rowOf(m.row(r).key), r);
    }

    void chineseSortsByPronunciation()
    {
        ResultListModel &m = *m_model;
        fill(m, {QStringLiteral("张"), QStringLiteral("阿"), QStringLiteral("李")});
        m.sort(0, Qt::AscendingOrder);
        QCOMPARE(column(m, 0), (QStringList{QStringLiteral("阿"), QStringLiteral("李"), QStringLiteral("张")}));
    }

    void commandsRespectTheRunFlags()
    {
        RecordingPrompt prompt;
        RunFlags flags;
        ResultListModel &m = *m_model;
        ResultListCommands commands(m, flags);
        fill(m, {QStringLiteral("Deep LEARNING"), QStringLiteral("深度学习"), QStringLiteral("x")},
             {QStringLiteral("成功"), QStringLiteral("跳过(文件存在)"), QString()});

        // While an analysis runs nothing is removed.
        flags.setAnalysisIdle(false);
        QVERIFY(!commands.清除分析成功项());
        QVERIFY(!commands.清除选中项({0}));
        QVERIFY(!commands.清除标题含指定字符项());
        QVERIFY(!commands.清空全部());
        QCOMPARE(m.rowCount(), 3);
        QCOMPARE(prompt.texts(), QStringList(4, QStringLiteral("正在分析，不能清除！")));
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);
        prompt.entries.clear();

        // A page walk may run: removals go ahead; sorting waits until every run has ended.
        flags.setAnalysisIdle(true);
        flags.setCollectIdle(false);
        QVERIFY(!commands.sortByHeader(0));
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("正在工作，请稍后再试！")});
        QCOMPARE(m.sortColumn(), -1);
        QVERIFY(commands.清除分析跳过项());
        QCOMPARE(column(m, 0), (QStringList{QStringLiteral("Deep LEARNING"), QStringLiteral("x")}));
        fill(m, {QStringLiteral("walk adds a row")});
        QCOMPARE(m.row(2).title, QStringLiteral("walk adds a row"));
        flags.setCollectIdle(true);

        // Title rules ask for the text; nothing or a cancelled box removes nothing.
        prompt.entries.clear();
        prompt.inputs = {QString(), std::nullopt, QStringLiteral("LEARN")};
        QVERIFY(!commands.清除标题不含指定字符项());
        QVERIFY(!commands.清除标题不含指定字符项());
        QCOMPARE(m.rowCount(), 3);
        QVERIFY(commands.清除标题不含指定字符项());
        QCOMPARE(column(m, 0), QStringList{QStringLiteral("Deep LEARNING")});
        QCOMPARE(prompt.texts(), QStringList(3, QStringLiteral("请输入指定字符：")));

        QVERIFY(commands.清除分析成功项());
        QCOMPARE(m.rowCount(), 0);
        // An empty list: the question is still asked, nothing changes.
        prompt.inputs = {QStringLiteral("a")};
        QVERIFY(!commands.清除标题含指定字符项());

        // Clear all only after a yes.
        fill(m, {QStringLiteral("1"), QStringLiteral("2")});
        prompt.entries.clear();
        prompt.answers = {false, true};
        QVERIFY(!commands.清空全部());
        QCOMPARE(m.rowCount(), 2);
        QVERIFY(commands.清空全部());
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(prompt.texts(), QStringList(2, QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？")));
        fill(m, {QStringLiteral("again")});

        QVERIFY(commands.sortByHeader(0));
        QCOMPARE(m.sortOrder(), Qt::DescendingOrder);
        QVERIFY(commands.清除选中项({0}));
        QCOMPARE(m.rowCount(), 0);
    }

    // The file the download made: the title's saved name, not the raw title.
    void savedFilePathUsesTheSavedName_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("separator in the title") << "a/b"
                                                << "pdf"
                                                << "/home/u/12345"
                                                << "/home/u/12345/ab.pdf";
        QTest::newRow("folder with its separator") << "t"
                                                   << "caj"
                                                   << "/d/"
                                                   << "/d/t.caj";
        QTest::newRow("question mark at the end") << " What ? "
                                                  << "pdf"
                                                  << "/d"
                                                  << "/d/What.pdf";
        QTest::newRow("no title") << ""
                                  << "pdf"
                                  << "/d"
                                  << "";
        QTest::newRow("title that leaves no name") << "???"
                                                   << "pdf"
                                                   << "/d"
                                                   << "";
    }
    void savedFilePathUsesTheSavedName()
    {
        QFETCH(QString, title);
        QFETCH(QString, type);
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(SavedFilePath({{}, title, {}, type, folder, {}}), path);
    }

    // Rows from any source lose the characters that would act on a terminal or disguise a file name.
    void addedTitlesLoseControlCharacters()
    {
        ResultListModel m;
        QVERIFY(m.addRow(
            {QStringLiteral("http://s/a"), QStringLiteral("\x1b[2Jx\u202eyz\n"), {}, QStringLiteral("pdf"), {}, {}}));
        QVERIFY(m.加入LV1(QStringLiteral("t\x07\u2067"), QStringLiteral("http://s/b"), {}, {}, {}));
        QCOMPARE(m.row(0).title, QStringLiteral("[2Jxyz"));
        QCOMPARE(m.row(1).title, QStringLiteral("t"));
    }
};

QTEST_GUILESS_MAIN(TestResultListModel)
#include "test_resultlistmodel.moc"
