#include "core/cache/CacheListModel.h"

#include "core/cache/CacheTexts.h"

#include <algorithm>
#include <numeric>

CacheListModel::CacheListModel(QObject *parent) : QAbstractTableModel(parent) {}

int CacheListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CacheListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CacheListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        role != Qt::DisplayRole)
        return {};
    const CacheRow &r = m_rows.at(index.row());
    switch (index.column()) {
    case Url:
        return r.text;
    case Type:
        return r.type;
    case Size:
        return r.size < 0 ? QString() : QString::number(r.size);
    case FilePath:
        return r.filePath;
    }
    return {};
}

QVariant CacheListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return CacheTexts::kColumns.at(section);
}

void CacheListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    applyOrder(SortedOrder(m_rows, column, order));
}

std::vector<int> CacheListModel::SortedOrder(const QList<CacheRow> &rows, int column, Qt::SortOrder order)
{
    auto key = [column](const CacheRow &r) -> const QString & {
        return column == Type ? r.type : column == FilePath ? r.filePath : r.text;
    };
    auto less = [&](int a, int b) {
        const CacheRow &x = rows.at(a), &y = rows.at(b);
        if (column == Size)
            return x.size < y.size;
        return key(x).localeAwareCompare(key(y)) < 0;
    };
    std::vector<int> position(std::size_t(rows.size()));
    std::iota(position.begin(), position.end(), 0);
    std::stable_sort(position.begin(), position.end(),
                     [&](int a, int b) { return order == Qt::AscendingOrder ? less(a, b) : less(b, a); });
    return position;
}

void CacheListModel::applyOrder(const std::vector<int> &order)
{
    if (order.size() != std::size_t(m_rows.size()))
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<CacheRow> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRowOf(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.append(m_rows.at(order[i]));
        newRowOf[std::size_t(order[i])] = int(i);
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after.append(index(newRowOf.at(std::size_t(i.row())), i.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CacheListModel::append(const QList<CacheRow> &rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
    m_rows.append(rows);
    endInsertRows();
}

void CacheListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}
