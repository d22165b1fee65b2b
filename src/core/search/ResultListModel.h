#pragma once

#include "core/search/ResultKeyIndex.h"
#include "core/search/ResultRow.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <deque>
#include <functional>
#include <vector>

// The result list: every collected result once (the key is unique), in insertion order until the user sorts it
// once; rows added later are appended. Four columns (标题, 分析状态, 类型, 保存路径); the key and the source page are
// reachable through roles and row(). Nothing is editable in place. Built for lists of 100 000 rows: lookups by key
// go through a hash, removals and sorting are single passes.
class ResultListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultListModel)
public:
    // The first four columns are the list's own; the citation columns after them are optional (the window
    // hides them until the user picks them).
    enum Column {
        TitleColumn,
        StatusColumn,
        TypeColumn,
        FolderColumn,
        AuthorsColumn,
        SourceColumn,
        YearColumn,
        CitationsColumn,
        AbstractColumn,
        ColumnCount
    };
    static constexpr int kFirstCitationColumn = AuthorsColumn;
    enum Role { KeyRole = Qt::UserRole + 1, SourcePageRole };

    explicit ResultListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Adds a harvested result: type "pdf" when none is given, empty status. A link already in the list is refused
    // silently (false) and the existing row stays as it was.
    bool 加入LV1(const QString &title, const QString &link, const QString &sourcePage, const QString &saveFolder,
                 const QString &type, const Citation &citation = {});
    // Adds a row as given (imports keep their status), its title without control characters (ControlCharacters.h).
    // False when the key is already in the list.
    bool addRow(const ResultRow &row);
    // addRow for many rows with one insertion signal, so an import of 100 000 rows does not lay the list out
    // 100 000 times. Rows whose key is already in the list, or earlier in `rows`, are refused. Returns how many
    // were added.
    int addRows(QList<ResultRow> rows);
    // addRows for rows that arrive as other records (a list file's): `count` of them, `keyOf(i)` the key of the
    // i-th, `makeRow(i)` the i-th as a row, asked once for each one taken, in order. Each row is made straight into
    // the list, without a list of rows in between.
    int addRows(qsizetype count, const std::function<const QString &(qsizetype)> &keyOf,
                const std::function<ResultRow(qsizetype)> &makeRow);
    // Room for `more` rows beyond the present ones: an import that knows its size asks once, instead of the list
    // moving every row it holds each time it outgrows its storage.
    void reserve(int more);

    // 0-based rows; row() of an index out of range is an empty row.
    const ResultRow &row(int row) const;
    QList<ResultRow> rows() const { return QList<ResultRow>(m_rows.begin(), m_rows.end()); }
    bool containsKey(const QString &key) const { return rowOf(key) >= 0; }
    // The row holding `key`, or -1.
    int rowOf(const QString &key) const { return m_index.find(key, m_rows); }

    void setStatus(int row, const QString &status);
    void setType(int row, const QString &type);
    // What the row's saved PDF told of itself (Citation::doi, Citation::pages); no column shows them, the exports
    // carry them.
    void setPdfFacts(int row, const QString &doi, int pages);

    // Removal rules. Each walks the list once and returns how many rows went.
    int removeRowsAt(const QList<int> &rows);
    // Rows whose status begins with `group` ("成功", "跳过", "失败").
    int removeStatusGroup(const QString &group);
    // Rows whose title contains `text` (contains = true) or does not contain it, letter case ignored.
    int removeTitleMatching(const QString &text, bool contains);
    int removeIf(const std::function<bool(const ResultRow &)> &rule);
    void clearAll();

    // Sorts the rows once by the text of `column` (the list does not stay sorted).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // sort() for a list of kBackgroundSortRows rows or more: the texts are ordered on a worker thread while the
    // window goes on answering, then the rows move at once and sorted() follows. Rows added or removed meanwhile
    // make it start over from the list as it is then; a cell that changes meanwhile changes as it would after a
    // sort done at once. Requests made while one is under way follow it in turn, each from the order the one
    // before left. Shorter lists sort at once (and sorted() follows too).
    void sortInBackground(int column, Qt::SortOrder order);
    bool isSorting() const { return !m_sortQueue.empty(); }
    static constexpr std::size_t kBackgroundSortRows = 20'000;
    // A header click: the order becomes descending unless the list's current order is descending, whichever
    // column was sorted before; long lists sort in the background. Returns the order used.
    Qt::SortOrder sortByHeader(int column);
    // The list's own order: ascending until the first sort.
    Qt::SortOrder sortOrder() const { return m_order; }
    int sortColumn() const { return m_sortColumn; }

    // Column captions as the list shows them.
    static QString columnTitle(int column);

Q_SIGNALS:
    // A sort asked of sortInBackground() has put the rows in their new order.
    void sorted();

private:
    static void settleTexts(ResultRow &row);
    std::vector<int> collatedOrder(int column, Qt::SortOrder order) const;
    void applyOrder(const std::vector<int> &newOrder);
    void startSortWork();
    // Rows added, removed or reordered: an order worked out before no longer fits.
    void changed() { ++m_generation; }
    static QString field(const ResultRow &row, int column);

    ResultRows m_rows;
    ResultKeyIndex m_index;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    int m_sortColumn = -1;
    quint64 m_generation = 0;
    // The sorts asked for and not yet done, the first under way.
    std::deque<std::pair<int, Qt::SortOrder>> m_sortQueue;
};
