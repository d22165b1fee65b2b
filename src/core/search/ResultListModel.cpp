#include "core/search/ResultListModel.h"

#include "core/search/SearchTexts.h"
#include "core/util/CollatedOrder.h"
#include "core/util/ControlCharacters.h"
#include "core/util/OneBlockTexts.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QPromise>
#include <QThreadPool>
#include <algorithm>
#include <memory>

namespace {

// Up to this many separate stretches of rows are removed with one removal signal each (views keep their
// selection and scroll position); beyond it the list is rebuilt in one pass and views reset, so a rule that hits
// every other row of 100 000 stays linear.
constexpr std::size_t kSignalledStretches = 16;

const ResultRow &emptyRow()
{
    static const ResultRow row;
    return row;
}

} // namespace

ResultListModel::ResultListModel(QObject *parent) : QAbstractTableModel(parent) {}

int ResultListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ResultListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ResultListModel::field(const ResultRow &row, int column)
{
    switch (column) {
    case TitleColumn:
        return row.title;
    case StatusColumn:
        return row.status;
    case TypeColumn:
        return row.type;
    case FolderColumn:
        return row.saveFolder;
    case AuthorsColumn:
        return JoinedAuthors(row.citation->authors);
    case SourceColumn:
        return row.citation->source;
    case YearColumn:
        return row.citation->year;
    case CitationsColumn:
        return row.citation->citations;
    case AbstractColumn:
        return row.citation->abstract;
    default:
        return {};
    }
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ResultRow &r = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return field(r, index.column());
    case KeyRole:
        return r.key;
    case SourcePageRole:
        return r.sourcePage;
    default:
        return {};
    }
}

QString ResultListModel::columnTitle(int column)
{
    switch (column) {
    case TitleColumn:
        return SearchTexts::kTitleColumn;
    case StatusColumn:
        return SearchTexts::kStatusColumn;
    case TypeColumn:
        return SearchTexts::kTypeColumn;
    case FolderColumn:
        return SearchTexts::kFolderColumn;
    case AuthorsColumn:
        return SearchTexts::kAuthorsColumn;
    case SourceColumn:
        return SearchTexts::kSourceColumn;
    case YearColumn:
        return SearchTexts::kYearColumn;
    case CitationsColumn:
        return SearchTexts::kCitationsColumn;
    case AbstractColumn:
        return SearchTexts::kAbstractColumn;
    default:
        return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex &index) const
{
    // Titles are not edited in place: no ItemIsEditable.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

QHash<int, QByteArray> ResultListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractTableModel::roleNames();
    names.insert(KeyRole, "key");
    names.insert(SourcePageRole, "sourcePage");
    return names;
}

void ResultListModel::settleTexts(ResultRow &row)
{
    // Whatever page or file the title came from, it is shown, printed and made a file name: nothing in it may act.
    const QString title = RemoveControlCharacters(row.title);
    // The row's own texts side by side in one block: one allocation per row, and removing many rows frees them in
    // order instead of a scattered string per column. The page address, folder and status are shared by many rows
    // and stay shared.
    const QString key = row.key;
    CopyIntoOneBlock({{key, row.key}, {title, row.title}});
}

bool ResultListModel::加入LV1(const QString &title, const QString &link, const QString &sourcePage,
                              const QString &saveFolder, const QString &type, const Citation &citation)
{
    return addRow(
        {link, title, QString(), type.isEmpty() ? QStringLiteral("pdf") : type, saveFolder, sourcePage, citation});
}

bool ResultListModel::addRow(const ResultRow &row)
{
    if (containsKey(row.key))
        return false;
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.push_back(row);
    settleTexts(m_rows.back());
    m_index.append(row.key);
    endInsertRows();
    changed();
    return true;
}

int ResultListModel::addRows(QList<ResultRow> rows)
{
    // The rows stay in `rows` until the list takes them.
    return addRows(
        rows.size(), [&](qsizetype i) -> const QString & { return rows.at(i).key; },
        [&](qsizetype i) { return std::move(rows[i]); });
}

int ResultListModel::addRows(qsizetype count, const std::function<const QString &(qsizetype)> &keyOf,
                             const std::function<ResultRow(qsizetype)> &makeRow)
{
    // The key index takes each new key as it is met, as the row it will become, so a key repeated within the
    // records finds its first row there: one hash and one probe per row, no set of its own.
    const std::size_t base = m_rows.size();
    std::vector<qsizetype> accepted;
    accepted.reserve(std::size_t(count));
    const std::function<const QString &(std::size_t)> rowKey = [&](std::size_t row) -> const QString & {
        return row < base ? m_rows[row].key : keyOf(accepted[row - base]);
    };
    // The table is far larger than the caches: its slots are asked for a few keys ahead, so their reads overlap
    // instead of waiting one after the other.
    constexpr qsizetype kAhead = 8;
    std::vector<std::size_t> hashes;
    hashes.reserve(std::size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        hashes.push_back(ResultKeyIndex::hashOf(keyOf(i)));
    for (qsizetype i = 0; i < count; ++i) {
        if (i + kAhead < count)
            m_index.prefetch(hashes[std::size_t(i + kAhead)]);
        if (m_index.findOrAppend(keyOf(i), hashes[std::size_t(i)], rowKey) < 0)
            accepted.push_back(i);
    }
    if (accepted.empty())
        return 0;
    const int at = static_cast<int>(base);
    beginInsertRows({}, at, at + static_cast<int>(accepted.size()) - 1);
    for (const qsizetype i : accepted) {
        m_rows.push_back(makeRow(i));
        settleTexts(m_rows.back());
    }
    endInsertRows();
    changed();
    return static_cast<int>(accepted.size());
}

void ResultListModel::reserve(int more)
{
    if (more <= 0)
        return;
    m_rows.reserve(m_rows.size() + std::size_t(more));
    m_index.reserve(std::size_t(more));
}

const ResultRow &ResultListModel::row(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return emptyRow();
    return m_rows[static_cast<std::size_t>(row)];
}

void ResultListModel::setStatus(int row, const QString &status)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || m_rows[std::size_t(row)].status == status)
        return;
    m_rows[std::size_t(row)].status = status;
    const QModelIndex cell = index(row, StatusColumn);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole});
}

void ResultListModel::setType(int row, const QString &type)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || m_rows[std::size_t(row)].type == type)
        return;
    m_rows[std::size_t(row)].type = type;
    const QModelIndex cell = index(row, TypeColumn);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole});
}

void ResultListModel::setPdfFacts(int row, const QString &doi, int pages)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    ResultRow &target = m_rows[std::size_t(row)];
    Citation citation = *target.citation;
    citation.doi = doi;
    citation.pages = pages;
    target.citation = std::move(citation);
}

int ResultListModel::removeIf(const std::function<bool(const ResultRow &)> &rule)
{
    // Which rows go, as stretches [first, last] from top to bottom.
    std::vector<std::pair<int, int>> stretches;
    int removed = 0;
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        if (!rule(m_rows[std::size_t(i)]))
            continue;
        ++removed;
        if (!stretches.empty() && stretches.back().second == i - 1)
            stretches.back().second = i;
        else
            stretches.emplace_back(i, i);
    }
    if (removed == 0)
        return 0;
    changed();

    // The key index goes first: it asks for memory, and asking while the removed rows' memory is being given back
    // makes the allocator sort every block freed so far into its bins. Nothing looks rows up by key while the
    // list announces its removals.
    m_index.removeStretches(stretches);
    if (stretches.size() <= kSignalledStretches) {
        // Bottom up, so the stretches above keep their row numbers.
        for (auto it = stretches.rbegin(); it != stretches.rend(); ++it) {
            const auto [first, last] = *it;
            beginRemoveRows({}, first, last);
            m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
            endRemoveRows();
        }
        return removed;
    }

    beginResetModel();
    // Compact in place, keeping the order.
    std::size_t write = std::size_t(stretches.front().first);
    std::size_t next = write;
    for (const auto &[first, last] : stretches) {
        for (; next < std::size_t(first); ++next)
            m_rows[write++] = std::move(m_rows[next]);
        next = std::size_t(last) + 1;
    }
    for (; next < m_rows.size(); ++next)
        m_rows[write++] = std::move(m_rows[next]);
    m_rows.erase(m_rows.begin() + std::ptrdiff_t(write), m_rows.end());
    endResetModel();
    return removed;
}

int ResultListModel::removeRowsAt(const QList<int> &rows)
{
    std::vector<char> marked(m_rows.size(), 0);
    bool any = false;
    for (int r : rows) {
        if (r >= 0 && r < static_cast<int>(m_rows.size())) {
            marked[std::size_t(r)] = 1;
            any = true;
        }
    }
    if (!any)
        return 0;
    // The rule sees rows in order, top to bottom, exactly once each.
    std::size_t at = 0;
    return removeIf([&](const ResultRow &) { return marked[at++] != 0; });
}

int ResultListModel::removeStatusGroup(const QString &group)
{
    return removeIf([&](const ResultRow &r) { return QStringView(r.status).left(2) == group; });
}

int ResultListModel::removeTitleMatching(const QString &text, bool contains)
{
    if (text.isEmpty())
        return 0;
    return removeIf([&](const ResultRow &r) { return r.title.contains(text, Qt::CaseInsensitive) == contains; });
}

void ResultListModel::clearAll()
{
    if (m_rows.empty())
        return;
    changed();
    beginResetModel();
    m_rows.clear();
    m_index.clear();
    endResetModel();
}

void ResultListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_order = order;
    m_sortColumn = column;
    const std::size_t n = m_rows.size();
    if (n < 2)
        return;

    applyOrder(collatedOrder(column, order));
}

std::vector<int> ResultListModel::collatedOrder(int column, Qt::SortOrder order) const
{
    return CollatedOrder(
        int(m_rows.size()), [&](int row) { return field(m_rows[std::size_t(row)], column); },
        order == Qt::DescendingOrder);
}

void ResultListModel::applyOrder(const std::vector<int> &newOrder)
{
    const std::size_t n = m_rows.size();
    changed();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(n);
    for (std::size_t i = 0; i < n; ++i)
        newRowOf[std::size_t(newOrder[i])] = static_cast<int>(i);
    // In place, one cycle of the permutation at a time: a second array of rows would be fresh memory the system
    // hands over page by page. The rows a cycle reaches next are asked for a few steps ahead, so that their
    // reads from memory overlap instead of waiting one after the other.
    constexpr int kAhead = 8;
    const auto prefetchRow = [&](std::size_t row) {
        const auto *bytes = reinterpret_cast<const char *>(&m_rows[row]);
        for (std::size_t offset = 0; offset < sizeof(ResultRow); offset += 64)
            __builtin_prefetch(bytes + offset, 1);
    };
    std::vector<bool> placed(n, false);
    for (std::size_t start = 0; start < n; ++start) {
        if (placed[start])
            continue;
        std::size_t ahead = start;
        for (int i = 0; i < kAhead && (i == 0 || ahead != start); ++i) {
            ahead = std::size_t(newOrder[ahead]);
            prefetchRow(ahead);
        }
        ResultRow first = std::move(m_rows[start]);
        std::size_t to = start;
        for (auto from = std::size_t(newOrder[to]); from != start; from = std::size_t(newOrder[to])) {
            if (ahead != start) {
                ahead = std::size_t(newOrder[ahead]);
                prefetchRow(ahead);
            }
            m_rows[to] = std::move(m_rows[from]);
            placed[to] = true;
            to = from;
        }
        m_rows[to] = std::move(first);
        placed[to] = true;
    }
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex &old : persistent)
        moved.append(index(newRowOf[std::size_t(old.row())], old.column()));
    changePersistentIndexList(persistent, moved);
    m_index.reorder(newRowOf);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultListModel::sortInBackground(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    if (m_sortQueue.empty() && m_rows.size() < kBackgroundSortRows) {
        sort(column, order);
        Q_EMIT sorted();
        return;
    }
    // The next header click goes on from this order, whether or not the rows have moved yet.
    m_order = order;
    m_sortColumn = column;
    m_sortQueue.emplace_back(column, order);
    if (m_sortQueue.size() == 1)
        startSortWork();
}

void ResultListModel::startSortWork()
{
    const auto [column, order] = m_sortQueue.front();
    // The worker orders copies of the column's texts (they share their characters with the rows, so taking them
    // costs a count each); the rows themselves are only touched here, on the list's own thread.
    auto texts = std::make_shared<std::vector<QString>>();
    texts->reserve(m_rows.size());
    for (const ResultRow &r : m_rows)
        texts->push_back(field(r, column));
    const bool descending = order == Qt::DescendingOrder;
    const quint64 generation = m_generation;
    auto promise = std::make_shared<QPromise<std::vector<int>>>();
    auto *watcher = new QFutureWatcher<std::vector<int>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        // Rows came, went or changed while the worker ordered them: the order is worked out again.
        if (generation == m_generation)
            applyOrder(watcher->future().takeResult());
        else if (!m_rows.empty())
            return startSortWork();
        m_sortQueue.pop_front();
        if (!m_sortQueue.empty())
            startSortWork();
        Q_EMIT sorted();
    });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, texts, descending] {
        promise->start();
        promise->addResult(CollatedOrder(
            int(texts->size()), [&](int row) { return texts->at(std::size_t(row)); }, descending));
        promise->finish();
    });
}

Qt::SortOrder ResultListModel::sortByHeader(int column)
{
    const Qt::SortOrder next = m_order == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    sortInBackground(column, next);
    return next;
}
