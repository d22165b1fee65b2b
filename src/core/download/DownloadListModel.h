#pragma once

#include "core/download/AddressIndex.h"
#include "core/download/DownloadItem.h"
#include "core/download/DownloadRowOrder.h"

#include <QAbstractTableModel>
#include <QList>
#include <array>
#include <functional>
#include <vector>

// The download list: one DownloadItem per row, in insertion order until the user sorts or shuffles it.
// Seven columns (name, type, size, downloaded, percent, folder, file check); the address is the row's unique key
// and the referrer and title stay hidden. The row's state is offered through StateRole; the view maps it to its image.
// Every change goes through this class, which keeps the per-state counts and the queries' numbers up to date,
// so the once-a-second statistics cost nothing however long the list is. Items stay in their slots while rows are
// removed, moved or reordered; only the row order and the address index change, so removing any set of rows,
// moving a row and reordering all cost time in proportion to the list's length, never more.
class DownloadListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadListModel)

public:
    enum Column {
        NameColumn = 0,
        TypeColumn,
        SizeColumn,
        DownloadedColumn,
        PercentColumn,
        FolderColumn,
        CheckColumn, // what opening the saved PDF told
        ColumnCount
    };
    enum Role {
        StateRole = Qt::UserRole + 1, // int: the ItemState value, 1 to 4
        AddressRole,
        ReferrerRole,
    };

    explicit DownloadListModel(QObject *parent = nullptr);
    ~DownloadListModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool removeRows(int row, int count, const QModelIndex &parent = {}) override;

    int size() const { return m_order.size(); }
    bool isEmpty() const { return size() == 0; }
    const DownloadItem &item(int row) const { return m_slots[static_cast<std::size_t>(m_order.slotAt(row))]; }
    bool isValidRow(int row) const { return row >= 0 && row < size(); }

    // Appends the item unless its address is already a key of the list; false when it was dropped.
    bool append(const DownloadItem &item);
    bool contains(const QString &address) const { return m_slotOfAddress.find(address, m_slots) >= 0; }
    // The row holding the address, -1 when none.
    int rowOf(const QString &address) const;

    // Applies `change` to the row and tells the views. A change that would give the row an address another
    // row already has is undone (addresses stay unique); false then.
    bool update(int row, const std::function<void(DownloadItem &)> &change);
    void setState(int row, ItemState state);
    void setName(int row, const QString &name);
    void setType(int row, const QString &type);
    void setSize(int row, const QString &size);
    void setDownloaded(int row, const QString &downloaded);
    void setPercent(int row, const QString &percent);
    void setFolder(int row, const QString &folder);
    void setCheck(int row, const QString &check);
    // Size, downloaded and percent emptied.
    void clearProgress(int row);

    void clear();
    // Removes the rows (any order, duplicates ignored).
    void removeRowList(QList<int> rows);
    // Takes the row out and appends it, fields unchanged (the shuffle's one step).
    void moveToEnd(int row);
    // Replaces the order of the rows by `order` (a permutation of 0..size()-1): new row i is old row order[i].
    void reorder(const QList<int> &order);

    // Rows in the state.
    int count(ItemState state) const { return m_stateCount[static_cast<std::size_t>(state)]; }
    // 统计未下载项数目: rows whose size, downloaded and percent are all empty.
    int notStartedCount() const { return m_notStarted; }
    // 检测是否下载列表完毕: every row Done or Failed (true for an empty list).
    bool isFinished() const { return count(ItemState::Waiting) == 0 && count(ItemState::Downloading) == 0; }
    // CountErrorsAndPages: rows of type htm/html (any state) plus Failed rows of any other type.
    int errorsAndPagesCount() const { return m_errorsAndPages; }
    // The text of status-bar panel 4: 总数:n 正在下载:n 等待:n 已完成:n 失败:n.
    QString statisticsText() const;

private:
    // Rows first to last leave; the address index is settled by the caller once the whole batch is gone.
    void removeRun(int first, int last);
    void count(const DownloadItem &item, int sign);
    void emitRowChanged(int row);

    std::vector<DownloadItem> m_slots; // by slot; a freed slot holds an empty item until an append reuses it
    std::vector<int> m_freeSlots;
    DownloadRowOrder m_order;
    AddressIndex m_slotOfAddress;
    QString m_previousFolder; // of the last row appended
    QString m_previousType;
    std::array<int, 5> m_stateCount{};
    int m_notStarted = 0;
    int m_errorsAndPages = 0;
};

// The statistics text for the numbers of all, downloading, waiting, done and failed rows.
QString StatisticsText(int total, int downloading, int waiting, int done, int failed);
