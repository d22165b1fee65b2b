// The download list: the model, the entry point, the queries and the re-queue operations.
#include "core/download/AddToDownloadList.h"
#include "core/download/BackgroundListSort.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadListQueries.h"
#include "core/download/ListTools.h"
#include "core/download/ReQueue.h"
#include "core/store/Settings.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <map>
#include <numeric>

namespace {
DownloadItem row(const QString &address, ItemState state, const QString &type = QStringLiteral("pdf"),
                 const QString &percent = {})
{
    DownloadItem item;
    item.address = address;
    item.name = address.section(QLatin1Char('/'), -1);
    item.type = type;
    item.state = state;
    item.percent = percent;
    return item;
}

void touch(const QString &path, const QByteArray &bytes = "x")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The queries recomputed by walking the list, to hold the model's running numbers against.
struct Walk {
    int states[5] = {};
    int notStarted = 0;
    int errorsAndPages = 0;
    explicit Walk(const DownloadListModel &list)
    {
        for (int r = 0; r < list.size(); ++r) {
            const DownloadItem &it = list.item(r);
            ++states[static_cast<int>(it.state)];
            notStarted += it.size.isEmpty() && it.downloaded.isEmpty() && it.percent.isEmpty();
            const QString t = it.type.toLower();
            errorsAndPages += t == QLatin1String("htm") || t == QLatin1String("html") || it.state == ItemState::Failed;
        }
    }
};
} // namespace

class TestDownloadList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelShapeAndRoles()
    {
        DownloadListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        DownloadItem item = row(QStringLiteral("http://h/a.pdf"), ItemState::Waiting);
        item.folder = QStringLiteral("/f/");
        item.referrer = QStringLiteral("http://h/page");
        QVERIFY(list.append(item));
        QCOMPARE(list.columnCount(), 7);
        const QStringList headers{"名称", "类型", "文件大小", "已下载数", "百分比", "保存路径", "文件检查"};
        for (int c = 0; c < 7; ++c)
            QCOMPARE(list.headerData(c, Qt::Horizontal).toString(), headers.at(c));
        QCOMPARE(list.data(list.index(0, 0)).toString(), QStringLiteral("a.pdf"));
        QCOMPARE(list.data(list.index(0, 5)).toString(), QStringLiteral("/f/"));
        QCOMPARE(list.data(list.index(0, 0), DownloadListModel::StateRole).toInt(), 1);
        QCOMPARE(list.data(list.index(0, 3), DownloadListModel::ReferrerRole).toString(), item.referrer);
        // The referrer is no column of its own.
        for (int c = 0; c < 6; ++c)
            QVERIFY(list.data(list.index(0, c)).toString() != item.referrer);
        QVERIFY(!(list.flags(list.index(0, 0)) & Qt::ItemIsEditable));

        // Changes, removals, moves and reorders keep the model consistent (the tester watches).
        for (int i = 0; i < 6; ++i)
            list.append(row(QStringLiteral("http://h/%1").arg(i), ItemState::Waiting));
        list.setState(2, ItemState::Done);
        list.moveToEnd(1);
        list.reorder({6, 5, 4, 3, 2, 1, 0});
        list.removeRowList({0, 2, 3});
        QCOMPARE(list.size(), 4);
        for (int r = 0; r < list.size(); ++r)
            QCOMPARE(list.rowOf(list.item(r).address), r);
        list.clear();
        QCOMPARE(list.size(), 0);
    }

    void addressesStayUnique()
    {
        TestHome home;
        DownloadListModel list;
        QVERIFY(加入下载列表(list, "http://h/a", "first", "pdf", "/f/", ""));
        QVERIFY(加入下载列表(list, "http://h/a", "second", "pdf", "/g/", ""));
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.item(0).name, QStringLiteral("first"));
        list.append(row("http://h/b", ItemState::Waiting));
        // An edit that would make two rows share an address is refused.
        QVERIFY(!list.update(1, [](DownloadItem &it) { it.address = QStringLiteral("http://h/a"); }));
        QCOMPARE(list.item(1).address, QStringLiteral("http://h/b"));
        QVERIFY(list.update(1, [](DownloadItem &it) { it.address = QStringLiteral("http://h/c"); }));
        QCOMPARE(list.rowOf("http://h/c"), 1);
        QVERIFY(!list.contains("http://h/b"));
    }

    void entryPoint_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("fromAddress");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<QString>("expectedFolder");
        const QString def = DefaultDownloadFolder();
        QTest::newRow("line breaks and spaces") << "http://h/x.pdf"
                                                << "  A\r\nB  c?  "
                                                << "/s/" << false << "AB c"
                                                << "/s/";
        QTest::newRow("empty folder takes the default") << "http://h/x.pdf"
                                                        << "T"
                                                        << "" << false << "T" << def;
        QTest::newRow("name from the address") << "http://h/dir/report.v2.pdf?x"
                                               << "ignored"
                                               << "/s/" << true << "report.v2"
                                               << "/s/";
    }
    void entryPoint()
    {
        TestHome home;
        QFETCH(QString, address);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(bool, fromAddress);
        QFETCH(QString, expectedName);
        QFETCH(QString, expectedFolder);
        DownloadListModel list;
        QVERIFY(加入下载列表(list, address, name, "pdf", folder, "ref", fromAddress));
        QCOMPARE(list.size(), 1);
        const DownloadItem &it = list.item(0);
        QCOMPARE(it.name, expectedName);
        QCOMPARE(it.folder, expectedFolder);
        QCOMPARE(it.type, QStringLiteral("pdf"));
        QCOMPARE(it.referrer, QStringLiteral("ref"));
        // The title handed over stays with the row: the PDF check compares the saved file with it.
        QCOMPARE(it.title, name);
        QCOMPARE(it.state, ItemState::Waiting);
        QVERIFY(it.size.isEmpty() && it.downloaded.isEmpty() && it.percent.isEmpty());
    }

    void entryPointUsesStoredFolder()
    {
        TestHome home;
        SettingKeys::下载文件保存路径.write(home.filePath("docs"));
        DownloadListModel list;
        加入下载列表(list, "http://h/a", "a", "pdf", "", "");
        QCOMPARE(list.item(0).folder, home.filePath("docs"));
    }

    void queriesAndStatistics()
    {
        DownloadListModel list;
        QVERIFY(检测是否下载列表完毕(list));
        QCOMPARE(UpdateStatistics(list), QStringLiteral("总数:0 正在下载:0 等待:0 已完成:0 失败:0"));
        list.append(row("http://h/1", ItemState::Waiting));
        list.append(row("http://h/2", ItemState::Downloading, "pdf", "37%"));
        list.append(row("http://h/3", ItemState::Done, "HTML", "100%"));
        list.append(row("http://h/4", ItemState::Failed, "pdf", "下载取消"));
        list.append(row("http://h/5", ItemState::Waiting, "htm"));
        list.append(row("http://h/6", ItemState::Failed, "htm"));
        QCOMPARE(UpdateStatistics(list), QStringLiteral("总数:6 正在下载:1 等待:2 已完成:1 失败:2"));
        QVERIFY(!检测是否下载列表完毕(list));
        QCOMPARE(统计未下载项数目(list), 3);
        // htm/html of any state (3, 5, 6) plus failed rows of other types (4).
        QCOMPARE(CountErrorsAndPages(list), 4);
        list.setState(0, ItemState::Done);
        list.setState(1, ItemState::Failed);
        list.setState(4, ItemState::Done);
        QVERIFY(检测是否下载列表完毕(list));
    }

    // Random appends, edits, scattered removals, moves to the end and sorts: the rows, their order, the address
    // index and the running numbers agree with a plain list given the same changes, and the model stays a correct
    // model at every signal (the tester stops the test at the first fault).
    void randomChangesMatchAReferenceList()
    {
        DownloadListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
        // Between two removed runs the views may ask anything, the address index included.
        int misplaced = 0;
        connect(&list, &QAbstractItemModel::rowsRemoved, &list, [&] {
            for (int r = 0; r < list.size(); ++r)
                misplaced += list.rowOf(list.item(r).address) != r;
        });
        QList<DownloadItem> reference;
        QRandomGenerator rng(42);
        const QStringList types{"pdf", "htm", "HTML", "xxx", ""};
        for (int step = 0; step < 2000; ++step) {
            const int op = rng.bounded(12);
            if (op < 4 || reference.isEmpty()) {
                const DownloadItem item = row(QStringLiteral("http://h/%1").arg(rng.bounded(300)),
                                              ItemState(rng.bounded(1, 5)), types.at(rng.bounded(types.size())));
                const bool fresh = std::none_of(reference.cbegin(), reference.cend(),
                                                [&](const DownloadItem &it) { return it.address == item.address; });
                QCOMPARE(list.append(item), fresh);
                if (fresh)
                    reference.append(item);
            } else if (op < 7) {
                const int r = rng.bounded(reference.size());
                const auto change = [state = ItemState(rng.bounded(1, 5)), type = types.at(rng.bounded(types.size())),
                                     percent = rng.bounded(2) ? QString() : QStringLiteral("5%"),
                                     size = rng.bounded(3) ? QString() : QStringLiteral("10")](DownloadItem &it) {
                    it.state = state;
                    it.type = type;
                    it.percent = percent;
                    it.size = size;
                };
                QVERIFY(list.update(r, change));
                change(reference[r]);
            } else if (op < 9) {
                // Any number of rows, in any order, some named twice.
                QList<int> rows;
                const int picks = rng.bounded(1, reference.size() + 1);
                for (int i = 0; i < picks; ++i)
                    rows.append(rng.bounded(reference.size()));
                list.removeRowList(rows);
                std::sort(rows.begin(), rows.end(), std::greater<>());
                rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
                for (int r : rows)
                    reference.removeAt(r);
            } else if (op == 9) {
                const int r = rng.bounded(reference.size());
                list.moveToEnd(r);
                reference.append(reference.takeAt(r));
            } else if (op == 10) {
                const bool descending = rng.bounded(2);
                SortListByColumn(list, DownloadListModel::NameColumn, descending);
                std::stable_sort(reference.begin(), reference.end(), [&](const DownloadItem &a, const DownloadItem &b) {
                    const int c = a.name.compare(b.name, Qt::CaseInsensitive);
                    return descending ? c > 0 : c < 0;
                });
            } else {
                QList<int> order(reference.size());
                std::iota(order.begin(), order.end(), 0);
                std::shuffle(order.begin(), order.end(), rng);
                list.reorder(order);
                QList<DownloadItem> shuffled;
                for (int from : order)
                    shuffled.append(reference.at(from));
                reference = shuffled;
            }

            QCOMPARE(list.size(), reference.size());
            for (int r = 0; r < reference.size(); ++r) {
                const DownloadItem &it = list.item(r);
                QCOMPARE(it.address, reference.at(r).address);
                QCOMPARE(it.state, reference.at(r).state);
                QCOMPARE(it.type, reference.at(r).type);
                QCOMPARE(it.percent, reference.at(r).percent);
                QCOMPARE(list.rowOf(it.address), r);
            }
            QCOMPARE(misplaced, 0);
            const Walk walk(list);
            for (int s = 1; s <= 4; ++s)
                QCOMPARE(list.count(ItemState(s)), walk.states[s]);
            QCOMPARE(list.notStartedCount(), walk.notStarted);
            QCOMPARE(list.errorsAndPagesCount(), walk.errorsAndPages);
        }
        QVERIFY(!list.contains(QStringLiteral("http://h/300")));
    }

    // The address index leaves dead entries in place, buries them when their slot comes back and drops them in
    // bulk; a slip there leaves a present address unfindable or a removed one found. Thousands of inserts and
    // removals against a plain map, slots reused at once, the table growing, settling and shrinking, dense enough
    // for long runs that wrap past its end.
    void addressIndexChurnMatchesAMap()
    {
        std::vector<DownloadItem> items(3000);
        AddressIndex index;
        std::map<QString, int> reference;
        std::vector<int> freeSlots;
        for (int slot = 2999; slot >= 0; --slot)
            freeSlots.push_back(slot);
        QRandomGenerator rng(7);
        for (int step = 0; step < 20000; ++step) {
            const QString address = QStringLiteral("http://h/%1").arg(rng.bounded(4000));
            const auto present = reference.find(address);
            QCOMPARE(index.find(address, items), present == reference.end() ? -1 : present->second);
            if (present != reference.end()) {
                // The item keeps its address: the index alone must know the slot is gone.
                index.remove(present->second);
                freeSlots.push_back(present->second);
                reference.erase(present);
            } else if (!freeSlots.empty()) {
                const int slot = freeSlots.back();
                freeSlots.pop_back();
                items[std::size_t(slot)].address = address;
                index.insert(address, slot);
                reference.emplace(address, slot);
            }
            if (step % 97 == 0)
                index.settle();
        }
        for (const auto &[address, slot] : reference)
            QCOMPARE(index.find(address, items), slot);
    }

    // A set of rows goes as one removal per run of adjacent rows, from the bottom up, so that a view keeps the
    // rows in between, their selection included.
    void removalAnnouncesEachRunBottomUp()
    {
        DownloadListModel list;
        for (int i = 0; i < 10; ++i)
            list.append(row(QStringLiteral("http://h/%1").arg(i), ItemState::Done));
        const QModelIndex kept = list.index(3, 0);
        const QPersistentModelIndex persistent(kept);
        QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
        list.removeRowList({9, 1, 5, 2, 7, 8, 2});
        QList<QPair<int, int>> runs;
        for (const QList<QVariant> &signal : removed)
            runs.append({signal.at(1).toInt(), signal.at(2).toInt()});
        QCOMPARE(runs, (QList<QPair<int, int>>{{7, 9}, {5, 5}, {1, 2}}));
        QCOMPARE(persistent.row(), 1);
        QCOMPARE(list.item(persistent.row()).address, QStringLiteral("http://h/3"));
        QStringList left;
        for (int r = 0; r < list.size(); ++r)
            left << list.item(r).name;
        QCOMPARE(left, (QStringList{"0", "3", "4", "6"}));
    }

    void reQueueFailed()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        DownloadListModel list;
        DownloadItem mine = row("http://h/mine", ItemState::Failed, "htm", "12%");
        mine.folder = folder;
        mine.size = mine.downloaded = QStringLiteral("100");
        DownloadItem never = row("http://h/never", ItemState::Failed, "pdf");
        never.folder = folder;
        DownloadItem done = row("http://h/done", ItemState::Done, "pdf", "100%");
        done.folder = folder;
        list.append(mine);
        list.append(never);
        list.append(done);
        touch(folder + "never.pdf"); // another document's file of the same name
        touch(folder + "done.pdf");

        QCOMPARE(ReQueueFailed(list), 2);
        QCOMPARE(list.item(0).state, ItemState::Waiting);
        QCOMPARE(list.item(0).type, QStringLiteral("xxx"));
        QVERIFY(list.item(0).size.isEmpty() && list.item(0).downloaded.isEmpty() && list.item(0).percent.isEmpty());
        QCOMPARE(list.item(1).state, ItemState::Waiting);
        QCOMPARE(list.item(1).type, QStringLiteral("pdf"));
        QVERIFY2(QFile::exists(folder + "never.pdf"), "a failed row must not delete a same-name file");
        QCOMPARE(list.item(2).state, ItemState::Done);
        QVERIFY(QFile::exists(folder + "done.pdf"));
    }

    // A row owns a file only if it wrote it: re-queueing a row settled as done without a transfer (a big file skipped,
    // a file of the same name counted as its own) leaves alone what carries its name, another row's document.
    void reQueueKeepsFilesTheRowDidNotWrite_data()
    {
        QTest::addColumn<QString>("percent");
        QTest::addColumn<bool>("owned");
        QTest::newRow("written") << "100%" << true;
        QTest::newRow("big file skipped") << "大文件，跳过" << false;
        QTest::newRow("existing file skipped") << "已存在，跳过" << false;
    }
    void reQueueKeepsFilesTheRowDidNotWrite()
    {
        QFETCH(QString, percent);
        QFETCH(bool, owned);
        QTemporaryDir dir;
        DownloadListModel list;
        DownloadItem item = row("http://h/待定", ItemState::Done, "pdf", percent);
        item.name = QStringLiteral("待定");
        item.folder = dir.path() + QLatin1Char('/');
        list.append(item);
        touch(dir.filePath(QStringLiteral("待定.pdf")));
        QCOMPARE(ReQueueRows(list, {0}), 1);
        QCOMPARE(list.item(0).state, ItemState::Waiting);
        QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("待定.pdf"))), !owned);
    }

    void reQueuePages_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("requeued");
        QTest::newRow("htm done") << "htm" << int(ItemState::Done) << true;
        QTest::newRow("HTML failed") << "HTML" << int(ItemState::Failed) << true;
        QTest::newRow("xml done") << "xml" << int(ItemState::Done) << true;
        QTest::newRow("htm waiting") << "htm" << int(ItemState::Waiting) << false;
        QTest::newRow("htm downloading") << "htm" << int(ItemState::Downloading) << false;
        QTest::newRow("pdf done") << "pdf" << int(ItemState::Done) << false;
    }
    void reQueuePages()
    {
        QFETCH(QString, type);
        QFETCH(int, state);
        QFETCH(bool, requeued);
        QTemporaryDir dir;
        DownloadListModel list;
        DownloadItem it = row("http://h/p", ItemState(state), type, "100%");
        it.folder = dir.path() + QLatin1Char('/');
        list.append(it);
        touch(ItemFilePath(it));
        QCOMPARE(ReQueuePages(list), requeued ? 1 : 0);
        QCOMPARE(list.item(0).state, requeued ? ItemState::Waiting : ItemState(state));
        QCOMPARE(list.item(0).type, requeued ? QStringLiteral("xxx") : type);
        // A Done row's file is its own download and goes; a failed row that wrote nothing keeps the file there.
        const bool removed = requeued && ItemState(state) == ItemState::Done;
        QCOMPARE(QFile::exists(ItemFilePath(it)), !removed);
    }

    void shuffleKeepsEveryRow()
    {
        DownloadListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i < 50; ++i) {
            DownloadItem it = row(QStringLiteral("http://h/%1").arg(i), ItemState(1 + i % 4));
            it.referrer = QStringLiteral("ref%1").arg(i);
            it.size = QString::number(i * 10);
            list.append(it);
        }
        QRandomGenerator rng(7);
        ShuffleList(list, rng);
        QCOMPARE(list.size(), 50);
        bool moved = false;
        QSet<QString> seen;
        for (int r = 0; r < 50; ++r) {
            const DownloadItem &it = list.item(r);
            const int i = it.address.section(QLatin1Char('/'), -1).toInt();
            seen.insert(it.address);
            QCOMPARE(it.referrer, QStringLiteral("ref%1").arg(i));
            QCOMPARE(it.size, QString::number(i * 10));
            QCOMPARE(it.state, ItemState(1 + i % 4));
            QCOMPARE(list.rowOf(it.address), r);
            moved |= i != r;
        }
        QCOMPARE(seen.size(), 50);
        QVERIFY(moved);
    }

    void sortByColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("size descending, numeric")
            << int(DownloadListModel::SizeColumn) << true << QStringList{"12345", "1234567", "未知", "99"}
            << QStringList{"未知", "1234567", "12345", "99"};
        QTest::newRow("size ascending") << int(DownloadListModel::SizeColumn) << false
                                        << QStringList{"12345", "1234567", "", "99"}
                                        << QStringList{"", "99", "12345", "1234567"};
        QTest::newRow("percent ascending keeps words")
            << int(DownloadListModel::PercentColumn) << false << QStringList{"100%", "9%", "大文件，跳过", "37%"}
            << QStringList{"9%", "37%", "100%", "大文件，跳过"};
        QTest::newRow("name, letter case ignored")
            << int(DownloadListModel::NameColumn) << false << QStringList{"beta", "Alpha", "gamma"}
            << QStringList{"Alpha", "beta", "gamma"};
        QTest::newRow("name, case ignored beyond ASCII and beyond the basic plane")
            << int(DownloadListModel::NameColumn) << false
            << QStringList{QStringLiteral("Ωmega"), QStringLiteral("𐐨b"), QStringLiteral("ωa"), QStringLiteral("𐐀a")}
            << QStringList{QStringLiteral("ωa"), QStringLiteral("Ωmega"), QStringLiteral("𐐀a"), QStringLiteral("𐐨b")};
        QTest::newRow("names alike beyond their first twelve letters")
            << int(DownloadListModel::NameColumn) << false
            << QStringList{"Proceedings of B", "proceedings of a", "Proceedings", "Proceedings of"}
            << QStringList{"Proceedings", "Proceedings of", "proceedings of a", "Proceedings of B"};
        QTest::newRow("descending keeps equal names in list order")
            << int(DownloadListModel::NameColumn) << true
            << QStringList{"b", "A", "Journal of Things 2", "B", "journal of things 2", "a"}
            << QStringList{"Journal of Things 2", "journal of things 2", "b", "B", "A", "a"};
        QTest::newRow("percent words, letter case ignored")
            << int(DownloadListModel::PercentColumn) << false << QStringList{"B", "10%", "a"}
            << QStringList{"10%", "a", "B"};
    }
    void sortByColumn()
    {
        QFETCH(int, column);
        QFETCH(bool, descending);
        QFETCH(QStringList, values);
        QFETCH(QStringList, sorted);
        DownloadListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i < values.size(); ++i) {
            list.append(row(QStringLiteral("http://h/%1").arg(i), ItemState::Done));
            list.update(i, [&](DownloadItem &it) {
                if (column == DownloadListModel::SizeColumn)
                    it.size = values.at(i);
                else if (column == DownloadListModel::PercentColumn)
                    it.percent = values.at(i);
                else
                    it.name = values.at(i);
            });
        }
        SortListByColumn(list, column, descending);
        QStringList shown;
        for (int r = 0; r < list.size(); ++r)
            shown << list.data(list.index(r, column)).toString();
        QCOMPARE(shown, sorted);
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
        const int n = BackgroundListSort::kBackgroundRows + 10;
        DownloadListModel list;
        DownloadListModel expected;
        for (int i = 0; i < n; ++i) {
            DownloadItem it = row(QStringLiteral("http://h/%1").arg(i), i % 3 ? ItemState::Waiting : ItemState::Done);
            it.name =
                QStringLiteral("%1%2").arg((i * 7919) % 1000).arg(i % 2 ? QStringLiteral("a") : QStringLiteral("B"));
            it.size = QString::number((i * 31) % 500);
            list.append(it);
            expected.append(it);
        }
        QPersistentModelIndex tracked = list.index(1, DownloadListModel::NameColumn);
        BackgroundListSort sort(list);
        QSignalSpy sorted(&sort, &BackgroundListSort::sorted);

        sort.sort(DownloadListModel::NameColumn, true);
        QVERIFY(sort.isSorting());
        QCOMPARE(list.item(0).address, expected.item(0).address);
        if (meanwhile == u"remove") {
            list.removeRowList(RowsInState(list, ItemState::Done));
            expected.removeRowList(RowsInState(expected, ItemState::Done));
        } else if (meanwhile == u"add") {
            // Arrived before the rows moved: sorted along with them.
            const DownloadItem added = row(QStringLiteral("http://h/500 added"), ItemState::Waiting);
            QVERIFY(list.append(added));
            QVERIFY(expected.append(added));
        }
        SortListByColumn(expected, DownloadListModel::NameColumn, true);
        int requests = 1;
        if (meanwhile == u"sort") {
            sort.sort(DownloadListModel::SizeColumn, false);
            SortListByColumn(expected, DownloadListModel::SizeColumn, false);
            requests = 2;
        }
        QTRY_VERIFY(!sort.isSorting());
        QCOMPARE(sorted.size(), requests);
        QCOMPARE(list.size(), expected.size());
        for (int r = 0; r < list.size(); ++r) {
            QCOMPARE(list.item(r).address, expected.item(r).address);
            QCOMPARE(list.rowOf(list.item(r).address), r);
        }
        QCOMPARE(list.item(tracked.row()).address, QStringLiteral("http://h/1"));
    }

    void reQueueSmallerThan()
    {
        QTemporaryDir dir;
        DownloadListModel list;
        const auto add = [&](const QString &name, const QString &size, const QString &downloaded) {
            DownloadItem it = row("http://h/" + name, ItemState::Done, "pdf", "100%");
            it.folder = dir.path() + QLatin1Char('/');
            it.size = size;
            it.downloaded = downloaded;
            list.append(it);
            touch(ItemFilePath(it));
        };
        add("small", "4,321", "4321");
        add("partial", "4321", "2000");
        add("big", "20000", "20000");
        QCOMPARE(ReQueueSmallerThan(list, 10000), 1);
        QCOMPARE(list.item(0).state, ItemState::Waiting);
        QVERIFY(!QFile::exists(dir.filePath("small.pdf")));
        QCOMPARE(list.item(1).state, ItemState::Done);
        QCOMPARE(list.item(2).state, ItemState::Done);
        QVERIFY(QFile::exists(dir.filePath("partial.pdf")));
    }

    void deleteFilesKeepsRows()
    {
        QTemporaryDir dir;
        DownloadListModel list;
        for (const auto &[name, state, type] :
             {std::tuple{"page", ItemState::Done, "html"}, std::tuple{"doc", ItemState::Done, "pdf"},
              std::tuple{"bad", ItemState::Failed, "pdf"}}) {
            DownloadItem it = row(QStringLiteral("http://h/") + name, state, type, "100%");
            it.folder = dir.path() + QLatin1Char('/');
            list.append(it);
            touch(ItemFilePath(it));
        }
        QCOMPARE(DeleteFilesOfPages(list), 1);
        QCOMPARE(DeleteFilesOfFailed(list), 1);
        QCOMPARE(list.size(), 3);
        QVERIFY(!QFile::exists(dir.filePath("page.html")));
        QVERIFY2(QFile::exists(dir.filePath("bad.pdf")), "a failed row owns no file: one under its name is another's");
        QVERIFY(QFile::exists(dir.filePath("doc.pdf")));
        QVERIFY(list.item(0).percent.isEmpty());
        QVERIFY(list.item(2).percent.isEmpty());
        QCOMPARE(list.item(1).percent, QStringLiteral("100%"));
    }

    void replaceInAddresses()
    {
        DownloadListModel list;
        for (const char *address : {"http://OLD.example/a", "http://old.example/b", "http://new.example/a"}) {
            DownloadItem it = row(QString::fromLatin1(address), ItemState::Waiting);
            it.referrer = QStringLiteral("http://Old.Example/page");
            list.append(it);
        }
        // Row 0 would become row 2's address: it keeps its own, the others change.
        QCOMPARE(ReplaceInAddresses(list, "old.example", "new.example"), 1);
        QCOMPARE(list.item(0).address, QStringLiteral("http://OLD.example/a"));
        QCOMPARE(list.item(1).address, QStringLiteral("http://new.example/b"));
        QCOMPARE(list.item(1).referrer, QStringLiteral("http://new.example/page"));
        QCOMPARE(list.rowOf("http://new.example/b"), 1);
    }

    void namesForExport()
    {
        DownloadListModel list;
        list.append(row("http://h/one", ItemState::Done));
        list.append(row("http://h/two", ItemState::Failed));
        list.append(row("http://h/three", ItemState::Waiting));
        QCOMPARE(NamesForExport(list, false), (QStringList{"one", "two", "three"}));
        QCOMPARE(NamesForExport(list, true), (QStringList{"two", "three"}));
    }
};

QTEST_GUILESS_MAIN(TestDownloadList)
#include "test_downloadlist.moc"
