#include "../support/BenchSupport.h"
#include "core/download/DownloadListModel.h"
#include "core/download/ListTools.h"

#include <QList>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

// `count` rows as a harvest queues them; every fourth one finished.
std::vector<DownloadItem> makeItems(int count)
{
    std::vector<DownloadItem> items;
    items.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        DownloadItem item;
        item.address = QStringLiteral("http://www.example.edu/papers/%1/fulltext.pdf").arg(i, 8, 16, QLatin1Char('0'));
        item.name = QStringLiteral("论文%1 深度学习综述").arg((i * 7919) % count);
        item.type = QStringLiteral("pdf");
        item.folder = QStringLiteral("/home/u/下载/");
        item.referrer = QStringLiteral("http://xueshu.baidu.com/usercenter/paper/show?paperid=%1").arg(i);
        if (i % 4 == 3) {
            item.state = ItemState::Done;
            item.size = item.downloaded = QString::number(100000 + i);
            item.percent = QStringLiteral("100%");
        }
        items.push_back(item);
    }
    return items;
}

std::unique_ptr<DownloadListModel> makeList(int count)
{
    auto list = std::make_unique<DownloadListModel>();
    for (const DownloadItem &item : makeItems(count))
        list->append(item);
    return list;
}

// `change` timed on a fresh list, the list built and freed outside the timing.
template <typename Change> void onFreshList(benchmark::State &state, Change change)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto list = makeList(rows);
        EvictCaches();
        state.ResumeTiming();
        change(*list);
        benchmark::DoNotOptimize(list->size());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

void BM_Add(benchmark::State &state)
{
    const std::vector<DownloadItem> items = makeItems(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<DownloadListModel>();
        EvictCaches();
        state.ResumeTiming();
        for (const DownloadItem &item : items)
            list->append(item);
        benchmark::DoNotOptimize(list->size());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

void BM_RemoveEveryOtherRow(benchmark::State &state)
{
    onFreshList(state, [](DownloadListModel &list) {
        QList<int> rows;
        for (int r = 0; r < list.size(); r += 2)
            rows.append(r);
        list.removeRowList(rows);
    });
}

void BM_RemoveDone_Scattered(benchmark::State &state)
{
    onFreshList(state, [](DownloadListModel &list) { list.removeRowList(RowsInState(list, ItemState::Done)); });
}

void BM_RemoveEightBlocks(benchmark::State &state)
{
    onFreshList(state, [](DownloadListModel &list) {
        QList<int> rows;
        for (int r = 0; r < list.size(); ++r)
            if ((r * 16 / list.size()) % 2)
                rows.append(r);
        list.removeRowList(rows);
    });
}

void BM_SortName(benchmark::State &state)
{
    onFreshList(state, [](DownloadListModel &list) { SortListByColumn(list, DownloadListModel::NameColumn, false); });
}

void BM_SortSize(benchmark::State &state)
{
    onFreshList(state, [](DownloadListModel &list) { SortListByColumn(list, DownloadListModel::SizeColumn, true); });
}

// A hundred rows from the top taken out and appended: each one moves every row below it.
void BM_MoveToEnd_Hundred(benchmark::State &state)
{
    onFreshList(state, [](DownloadListModel &list) {
        for (int i = 0; i < 100; ++i)
            list.moveToEnd(0);
    });
}

} // namespace

BENCHMARK(BM_Add)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveEveryOtherRow)->Arg(10000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveDone_Scattered)->Arg(10000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveEightBlocks)->Arg(10000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortName)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortSize)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveToEnd_Hundred)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
