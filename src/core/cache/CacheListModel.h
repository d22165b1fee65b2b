#pragma once

#include "core/cache/CacheRow.h"

#include <QAbstractTableModel>
#include <QList>
#include <vector>

// The cache window's main list. Rows arrive in batches while a view is built, so a large cache shows up step by
// step; sorting happens once per request and later rows are appended unsorted.
class CacheListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CacheListModel)
public:
    enum Column { Url, Type, Size, FilePath, ColumnCount };

    explicit CacheListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Sizes compare as numbers, the other columns as text.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The positions of `rows` in the order sort() gives them: sizes as numbers, the other columns as text; rows that
    // compare equal keep their order in both directions. It reads only what it is given, so a large list can be ordered
    // on a worker thread while the window goes on.
    static std::vector<int> SortedOrder(const QList<CacheRow> &rows, int column, Qt::SortOrder order);
    // Moves the rows into `order`, a permutation of their positions as SortedOrder gives it.
    void applyOrder(const std::vector<int> &order);

    const QList<CacheRow> &rows() const { return m_rows; }
    const CacheRow &row(int i) const { return m_rows.at(i); }
    void append(const QList<CacheRow> &rows);
    void clear();

private:
    QList<CacheRow> m_rows;
};
