#include "../support/BenchSupport.h"
#include "core/search/ResultListModel.h"

#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

const QStringList kStatuses = {QStringLiteral("成功"),           QStringLiteral("失败"),  QString(),
                               QStringLiteral("跳过(文件存在)"), QStringLiteral("无pdf"), QStringLiteral("失败(下载)")};

// A title like the service's: a few Chinese words with an English term now and then.
QString title(QRandomGenerator &rng)
{
    static const QStringList words = {QStringLiteral("深度"), QStringLiteral("学习"),     QStringLiteral("神经"),
                                      QStringLiteral("网络"), QStringLiteral("图像"),     QStringLiteral("识别"),
                                      QStringLiteral("机器"), QStringLiteral("翻译"),     QStringLiteral("知识"),
                                      QStringLiteral("图谱"), QStringLiteral("Learning"), QStringLiteral("CNN"),
                                      QStringLiteral("研究"), QStringLiteral("综述"),     QStringLiteral("方法")};
    QString t;
    const int n = 3 + int(rng.bounded(6));
    for (int i = 0; i < n; ++i)
        t += words.at(int(rng.bounded(words.size())));
    return t;
}

// `count` rows as a harvest makes them; `statusOf(i)` gives row i's status. The ten results of a page share its
// address, as the harvest hands them over.
template <typename StatusOf> std::vector<ResultRow> makeRows(int count, StatusOf statusOf)
{
    std::vector<ResultRow> rows;
    rows.reserve(std::size_t(count));
    QRandomGenerator rng(42);
    QString page;
    for (int i = 0; i < count; ++i) {
        if (i % 10 == 0)
            page = QStringLiteral("http://xueshu.baidu.com/s?wd=x&pn=%1").arg(i);
        rows.push_back({QStringLiteral("http://xueshu.baidu.com/usercenter/paper/show?paperid=%1&site=xueshu_se")
                            .arg(i, 8, 16, QLatin1Char('0')),
                        title(rng), statusOf(i), QStringLiteral("htm"), QStringLiteral("/home/u/12345"), page});
    }
    return rows;
}

template <typename StatusOf> std::unique_ptr<ResultListModel> makeList(int count, StatusOf statusOf)
{
    auto list = std::make_unique<ResultListModel>();
    for (const ResultRow &row : makeRows(count, statusOf))
        list->addRow(row);
    return list;
}

std::unique_ptr<ResultListModel> mixedList(int rows)
{
    return makeList(rows, [](int i) { return kStatuses.at(i % kStatuses.size()); });
}

// Removal with the fixture rebuilt outside the timing.
template <typename Make, typename Remove> void removal(benchmark::State &state, Make make, Remove remove)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto list = make(rows);
        EvictCaches();
        state.ResumeTiming();
        benchmark::DoNotOptimize(remove(*list));
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

void BM_Add(benchmark::State &state)
{
    const std::vector<ResultRow> rows =
        makeRows(int(state.range(0)), [](int i) { return kStatuses.at(i % kStatuses.size()); });
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<ResultListModel>();
        EvictCaches();
        state.ResumeTiming();
        for (const ResultRow &row : rows)
            list->加入LV1(row.title, row.key, row.sourcePage, row.saveFolder, row.type);
        benchmark::DoNotOptimize(list->rowCount());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

void BM_RemoveSuccess_Scattered(benchmark::State &state)
{
    removal(state, mixedList, [](ResultListModel &l) { return l.removeStatusGroup(QStringLiteral("成功")); });
}

void BM_RemoveSkip_FewStretches(benchmark::State &state)
{
    // Skipped rows in eight blocks: removed with row signals, one stretch at a time.
    removal(
        state,
        [](int rows) {
            return makeList(rows, [rows](int i) {
                return (i * 16 / rows) % 2 ? QStringLiteral("跳过(曾经下载)") : QStringLiteral("成功");
            });
        },
        [](ResultListModel &l) { return l.removeStatusGroup(QStringLiteral("跳过")); });
}

void BM_RemoveTitleNotContaining(benchmark::State &state)
{
    removal(state, mixedList,
            [](ResultListModel &l) { return l.removeTitleMatching(QStringLiteral("learning"), false); });
}

void BM_RemoveSelected_EveryTenth(benchmark::State &state)
{
    removal(state, mixedList, [](ResultListModel &l) {
        QList<int> selected;
        for (int r = 0; r < l.rowCount(); r += 10)
            selected.append(r);
        return l.removeRowsAt(selected);
    });
}

// The sort a header click asks for, done at once: a long list's header click does the same work on a worker.
int sortAsHeaderClick(ResultListModel &l, int column)
{
    const Qt::SortOrder next = l.sortOrder() == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    l.sort(column, next);
    return int(next);
}

void BM_SortTitle(benchmark::State &state)
{
    removal(state, mixedList, [](ResultListModel &l) { return sortAsHeaderClick(l, ResultListModel::TitleColumn); });
}

void BM_SortStatus(benchmark::State &state)
{
    removal(state, mixedList, [](ResultListModel &l) { return sortAsHeaderClick(l, ResultListModel::StatusColumn); });
}

} // namespace

BENCHMARK(BM_Add)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveSuccess_Scattered)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveSkip_FewStretches)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveTitleNotContaining)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveSelected_EveryTenth)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortTitle)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortStatus)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
