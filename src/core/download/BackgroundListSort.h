#pragma once

#include <QObject>
#include <deque>
#include <utility>

class DownloadListModel;

// The download window's header sort: for a list of kBackgroundRows rows or more the new order is worked out on a
// worker thread while the window goes on answering, then the rows take it at once and sorted() follows. Rows
// added, removed or moved meanwhile make it start over from the list as it is then; a cell that changes meanwhile
// changes as it would after a sort done at once. Sorts asked for meanwhile follow in turn, each from the order the
// one before left. Shorter lists sort at once (and sorted() follows too).
class BackgroundListSort final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundListSort)
    Q_PROPERTY(bool sorting READ isSorting)
public:
    static constexpr int kBackgroundRows = 20'000;

    explicit BackgroundListSort(DownloadListModel &list, QObject *parent = nullptr);

    void sort(int column, bool descending);
    bool isSorting() const { return !m_queue.empty(); }

Q_SIGNALS:
    void sorted();

private:
    void startWork();

    DownloadListModel &m_list;
    // Bumped by every change to the rows' number or order.
    quint64 m_generation = 0;
    // The sorts asked for and not yet done, the first under way.
    std::deque<std::pair<int, bool>> m_queue;
};
