#include "core/download/BackgroundListSort.h"

#include "core/download/DownloadListModel.h"
#include "core/download/ListTools.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <memory>

BackgroundListSort::BackgroundListSort(DownloadListModel &list, QObject *parent) : QObject(parent), m_list(list)
{
    const auto changed = [this] { ++m_generation; };
    connect(&list, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&list, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&list, &QAbstractItemModel::rowsMoved, this, changed);
    connect(&list, &QAbstractItemModel::layoutChanged, this, changed);
    connect(&list, &QAbstractItemModel::modelReset, this, changed);
}

void BackgroundListSort::sort(int column, bool descending)
{
    if (column < 0 || column >= DownloadListModel::ColumnCount)
        return;
    if (m_queue.empty() && m_list.size() < kBackgroundRows) {
        SortListByColumn(m_list, column, descending);
        Q_EMIT sorted();
        return;
    }
    m_queue.emplace_back(column, descending);
    if (m_queue.size() == 1)
        startWork();
}

void BackgroundListSort::startWork()
{
    const auto [column, descending] = m_queue.front();
    // The texts share their characters with the rows: the worker reads copies, the rows stay on this thread.
    const QList<QString> texts = SortTexts(m_list, column);
    const quint64 generation = m_generation;
    auto promise = std::make_shared<QPromise<QList<int>>>();
    auto *watcher = new QFutureWatcher<QList<int>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_generation && !m_list.isEmpty())
            return startWork();
        if (generation == m_generation)
            m_list.reorder(watcher->future().takeResult());
        m_queue.pop_front();
        if (!m_queue.empty())
            startWork();
        Q_EMIT sorted();
    });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, texts, column, descending] {
        promise->start();
        promise->addResult(SortedRowOrder(texts, column, descending));
        promise->finish();
    });
}
