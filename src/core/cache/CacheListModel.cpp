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
    auto key = [column](const CacheRow &r) {
        switch (column) {
        case Type:
            return r.type;
        case FilePath:
            return r.filePath;
        default:
            return r.text;
        }
    };
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> position(m_rows.size());
    std::iota(position.begin(), position.end(), 0);
    auto less = [&](int a, int b) {
        const CacheRow &x = m_rows.at(a), &y = m_rows.at(b);
        if (column == Size)
            return x.size < y.size;
        return key(x).localeAwareCompare(key(y)) < 0;
    };
    std::stable_sort(position.begin(), position.end(),
                     [&](int a, int b) { return order == Qt::AscendingOrder ? less(a, b) : less(b, a); });
    QList<CacheRow> sorted;
    sorted.reserve(m_rows.size());
    QList<int> newRowOf(m_rows.size());
    for (int i = 0; i < position.size(); ++i) {
        sorted.append(m_rows.at(position.at(i)));
        newRowOf[position.at(i)] = i;
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after.append(index(newRowOf.at(i.row()), i.column()));
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
