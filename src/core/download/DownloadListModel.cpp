#include "core/download/DownloadListModel.h"

#include "core/download/DownloadTexts.h"
#include "core/store/VisitedDownloads.h"
#include "core/util/OneBlockTexts.h"

#include <algorithm>

namespace {
// The previous row's copy when the text is the same, else the text, which becomes the one to share next.
const QString &sharedWithPreviousRow(const QString &text, QString &previous)
{
    if (text != previous)
        previous = text;
    return previous;
}

bool notStarted(const DownloadItem &item)
{
    return item.size.isEmpty() && item.downloaded.isEmpty() && item.percent.isEmpty();
}

bool errorOrPage(const DownloadItem &item)
{
    return IsPageType(item.type) || item.state == ItemState::Failed;
}

std::size_t stateIndex(ItemState state)
{
    const int value = static_cast<int>(state);
    return value >= 1 && value <= 4 ? static_cast<std::size_t>(value) : 0;
}
} // namespace

QString StatisticsText(int total, int downloading, int waiting, int done, int failed)
{
    return DownloadTexts::kStatistics.arg(total).arg(downloading).arg(waiting).arg(done).arg(failed);
}

DownloadListModel::DownloadListModel(QObject *parent) : QAbstractTableModel(parent) {}

DownloadListModel::~DownloadListModel() = default;

int DownloadListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

int DownloadListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DownloadListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.parent().isValid() || !isValidRow(index.row()) || index.column() < 0 ||
        index.column() >= ColumnCount)
        return {};
    const DownloadItem &row = item(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case NameColumn:
            return row.name;
        case TypeColumn:
            return row.type;
        case SizeColumn:
            return row.size;
        case DownloadedColumn:
            return row.downloaded;
        case PercentColumn:
            return row.percent;
        case FolderColumn:
            return row.folder;
        case CheckColumn:
            return row.check;
        default:
            return {};
        }
    case StateRole:
        return static_cast<int>(row.state);
    case AddressRole:
        return row.address;
    case ReferrerRole:
        return row.referrer;
    default:
        return {};
    }
}

QVariant DownloadListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return DownloadTexts::kNameColumn;
    case TypeColumn:
        return DownloadTexts::kTypeColumn;
    case SizeColumn:
        return DownloadTexts::kSizeColumn;
    case DownloadedColumn:
        return DownloadTexts::kDownloadedColumn;
    case PercentColumn:
        return DownloadTexts::kPercentColumn;
    case FolderColumn:
        return DownloadTexts::kFolderColumn;
    case CheckColumn:
        return DownloadTexts::kCheckColumn;
    default:
        return {};
    }
}

Qt::ItemFlags DownloadListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Rows are never edited in place.
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

int DownloadListModel::rowOf(const QString &address) const
{
    const int slot = m_slotOfAddress.find(address, m_slots);
    return slot < 0 ? -1 : m_order.rowOf(slot);
}

bool DownloadListModel::append(const DownloadItem &item)
{
    const std::uint32_t hash = AddressIndex::hash(item.address);
    if (m_slotOfAddress.find(item.address, hash, m_slots) >= 0)
        return false;
    DownloadItem stored;
    // Rows arrive in batches for one folder and mostly one type: they share one copy of each.
    stored.folder = sharedWithPreviousRow(item.folder, m_previousFolder);
    stored.type = sharedWithPreviousRow(item.type, m_previousType);
    stored.state = item.state;
    CopyIntoOneBlock({{item.address, stored.address},
                      {item.name, stored.name},
                      {item.size, stored.size},
                      {item.downloaded, stored.downloaded},
                      {item.percent, stored.percent},
                      {item.referrer, stored.referrer},
                      {item.title, stored.title},
                      {item.check, stored.check}});
    const int row = size();
    beginInsertRows({}, row, row);
    int slot = 0;
    if (m_freeSlots.empty()) {
        slot = static_cast<int>(m_slots.size());
        m_slots.push_back(std::move(stored));
    } else {
        slot = m_freeSlots.back();
        m_freeSlots.pop_back();
        m_slots[static_cast<std::size_t>(slot)] = std::move(stored);
    }
    const DownloadItem &added = m_slots[static_cast<std::size_t>(slot)];
    m_order.append(slot);
    m_slotOfAddress.insert(hash, slot);
    count(added, +1);
    endInsertRows();
    return true;
}

bool DownloadListModel::update(int row, const std::function<void(DownloadItem &)> &change)
{
    if (!isValidRow(row))
        return false;
    const int slot = m_order.slotAt(row);
    DownloadItem &old = m_slots[static_cast<std::size_t>(slot)];
    DownloadItem changed = old;
    change(changed);
    if (changed.address != old.address) {
        if (contains(changed.address))
            return false;
        m_slotOfAddress.remove(slot);
        m_slotOfAddress.insert(changed.address, slot);
    }
    count(old, -1);
    count(changed, +1);
    const bool settled =
        changed.state != old.state && (changed.state == ItemState::Done || changed.state == ItemState::Failed);
    old = std::move(changed);
    emitRowChanged(row);
    // Every engine ends its rows here, so this is the one place a failed download takes back its visited address.
    if (settled)
        SettleVisitedDownload(old.address, old.state == ItemState::Done);
    return true;
}

void DownloadListModel::setState(int row, ItemState state)
{
    update(row, [state](DownloadItem &item) { item.state = state; });
}

void DownloadListModel::setName(int row, const QString &name)
{
    update(row, [&name](DownloadItem &item) { item.name = name; });
}

void DownloadListModel::setType(int row, const QString &type)
{
    update(row, [&type](DownloadItem &item) { item.type = type; });
}

void DownloadListModel::setSize(int row, const QString &size)
{
    update(row, [&size](DownloadItem &item) { item.size = size; });
}

void DownloadListModel::setDownloaded(int row, const QString &downloaded)
{
    update(row, [&downloaded](DownloadItem &item) { item.downloaded = downloaded; });
}

void DownloadListModel::setPercent(int row, const QString &percent)
{
    update(row, [&percent](DownloadItem &item) { item.percent = percent; });
}

void DownloadListModel::setFolder(int row, const QString &folder)
{
    update(row, [&folder](DownloadItem &item) { item.folder = folder; });
}

void DownloadListModel::setCheck(int row, const QString &check)
{
    update(row, [&check](DownloadItem &item) { item.check = check; });
}

void DownloadListModel::clearProgress(int row)
{
    update(row, [](DownloadItem &item) {
        item.size.clear();
        item.downloaded.clear();
        item.percent.clear();
    });
}

bool DownloadListModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row + count > size())
        return false;
    removeRun(row, row + count - 1);
    m_slotOfAddress.settle();
    return true;
}

void DownloadListModel::removeRun(int first, int last)
{
    beginRemoveRows({}, first, last);
    for (int r = first; r <= last; ++r) {
        const int slot = m_order.slotAt(r);
        DownloadItem &gone = m_slots[static_cast<std::size_t>(slot)];
        this->count(gone, -1);
        m_slotOfAddress.remove(slot);
        gone = DownloadItem();
        m_freeSlots.push_back(slot);
    }
    m_order.remove(first, last);
    endRemoveRows();
}

void DownloadListModel::clear()
{
    if (isEmpty())
        return;
    beginResetModel();
    m_slots.clear();
    m_freeSlots.clear();
    m_order.clear();
    m_slotOfAddress.clear();
    m_previousFolder.clear();
    m_previousType.clear();
    m_stateCount = {};
    m_notStarted = 0;
    m_errorsAndPages = 0;
    endResetModel();
}

void DownloadListModel::removeRowList(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Grown once before the rows' memory is freed: growing it between the frees makes the allocator sort every
    // block freed so far into its bins, at each doubling.
    const std::size_t freeSlotsAfter = m_freeSlots.size() + static_cast<std::size_t>(rows.size());
    if (freeSlotsAfter > m_freeSlots.capacity())
        m_freeSlots.reserve(std::max(freeSlotsAfter, 2 * m_freeSlots.capacity()));
    // From the bottom up, in runs of adjacent rows, so every removal keeps the remaining numbers valid; the row
    // order then moves each row at most twice in all.
    int i = static_cast<int>(rows.size()) - 1;
    while (i >= 0) {
        const int last = rows.at(i);
        int first = last;
        while (i > 0 && rows.at(i - 1) == first - 1) {
            --i;
            first = rows.at(i);
        }
        --i;
        if (isValidRow(first) && isValidRow(last))
            removeRun(first, last);
    }
    m_slotOfAddress.settle();
}

void DownloadListModel::moveToEnd(int row)
{
    if (!isValidRow(row) || row == size() - 1)
        return;
    beginMoveRows({}, row, row, {}, size());
    m_order.moveToEnd(row);
    endMoveRows();
}

void DownloadListModel::reorder(const QList<int> &order)
{
    if (order.size() != size())
        return;
    QList<bool> seen(order.size(), false);
    for (int from : order) {
        if (from < 0 || from >= size() || seen[from])
            return;
        seen[from] = true;
    }
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> newRowOf(order.size());
    for (int i = 0; i < order.size(); ++i)
        newRowOf[order.at(i)] = i;
    m_order.reorder(order);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(this->index(newRowOf.at(index.row()), index.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString DownloadListModel::statisticsText() const
{
    return StatisticsText(size(), count(ItemState::Downloading), count(ItemState::Waiting), count(ItemState::Done),
                          count(ItemState::Failed));
}

void DownloadListModel::count(const DownloadItem &item, int sign)
{
    m_stateCount[stateIndex(item.state)] += sign;
    if (notStarted(item))
        m_notStarted += sign;
    if (errorOrPage(item))
        m_errorsAndPages += sign;
}

void DownloadListModel::emitRowChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
