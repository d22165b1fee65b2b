#include "core/download/ListTools.h"

#include "core/download/DownloadListModel.h"
#include "core/download/ReQueue.h"
#include "core/util/FileNameRules.h"

#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {
constexpr int kMaxShuffleSteps = 10000;

bool settled(const DownloadItem &item)
{
    return item.state == ItemState::Done || item.state == ItemState::Failed;
}

bool pageOrXml(const QString &type)
{
    return IsPageType(type) || type.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0;
}

// The progress columns emptied and the row's own file deleted, the row otherwise unchanged.
void deleteFile(DownloadListModel &list, int row)
{
    DeleteItemFile(list.item(row));
    list.update(row, [](DownloadItem &item) {
        item.size.clear();
        item.downloaded.clear();
        item.percent.clear();
    });
}

// A number as twelve zero-filled digits, so that text order is numeric order.
// The text as a case-insensitive comparison sees it: every code point through the same simple case folding, so
// the sort compares each pair of keys as plain text instead of folding both again on every comparison.
QString foldedForComparison(const QString &value)
{
    QString folded = value;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const QChar unit = folded.at(i);
        if (unit.isHighSurrogate() && i + 1 < folded.size() && folded.at(i + 1).isLowSurrogate()) {
            // Simple case folding keeps a supplementary character supplementary.
            const char32_t c = QChar::toCaseFolded(QChar::surrogateToUcs4(unit, folded.at(i + 1)));
            folded[i] = QChar(QChar::highSurrogate(c));
            folded[++i] = QChar(QChar::lowSurrogate(c));
        } else {
            folded[i] = unit.toCaseFolded();
        }
    }
    return folded;
}

QString sortKey(const QString &value, bool numeric, bool percent)
{
    if (!numeric)
        return foldedForComparison(value);
    QString text = value.trimmed();
    if (percent && text.endsWith(QLatin1Char('%')))
        text.chop(1);
    if (!IsNumericText(text))
        return foldedForComparison(value);
    const double number = std::round(text.trimmed().toDouble());
    const QString digits = QString::number(std::abs(number), 'f', 0).rightJustified(12, QLatin1Char('0'));
    return number < 0 ? QLatin1Char('-') + digits : digits;
}
// A row's sort key with its first twelve UTF-16 units beside it, packed so that comparing the packed numbers
// orders as comparing the text's start. Most pairs differ there, and keys no longer than that (numbers, empty
// cells) are settled by their length, so the sort compares a few numbers lying in one array instead of reaching
// for two strings across the heap, which at 100 000 rows no longer fit the cache.
constexpr qsizetype kLeadingUnits = 12;

struct SortEntry {
    std::array<std::uint64_t, 3> leading;
    qsizetype length;
    int row;
};

std::array<std::uint64_t, 3> leadingUnits(const QString &key)
{
    std::array<std::uint64_t, 3> packed{};
    const qsizetype units = std::min(key.size(), kLeadingUnits);
    for (qsizetype i = 0; i < units; ++i)
        packed[static_cast<std::size_t>(i / 4)] |= std::uint64_t(key.at(i).unicode()) << (48 - 16 * (i % 4));
    return packed;
}
} // namespace

QString PlainFilePath(const DownloadItem &item)
{
    return item.folder + item.name + QLatin1Char('.') + item.type;
}

void ShuffleList(DownloadListModel &list, QRandomGenerator &random)
{
    const int count = list.size();
    QList<int> order(count);
    for (int i = 0; i < count; ++i)
        order[i] = i;
    int moved = 0;
    for (int step = 1; step <= kMaxShuffleSteps; ++step) {
        const int remaining = count - moved;
        if (remaining < 1)
            break;
        const int position = random.bounded(remaining);
        order.append(order.takeAt(position));
        ++moved;
    }
    list.reorder(order);
}

int ReQueueRows(DownloadListModel &list, const QList<int> &rows)
{
    int requeued = 0;
    for (int row : rows) {
        if (!list.isValidRow(row) || !settled(list.item(row)))
            continue;
        ReQueueRow(list, row);
        ++requeued;
    }
    return requeued;
}

int ReQueueFailedAndPages(DownloadListModel &list)
{
    int requeued = 0;
    for (int row = 0; row < list.size(); ++row) {
        const DownloadItem &item = list.item(row);
        if (item.state == ItemState::Failed || (IsPageType(item.type) && settled(item))) {
            ReQueueRow(list, row);
            ++requeued;
        }
    }
    return requeued;
}

int ReQueueSmallerThan(DownloadListModel &list, double bytes)
{
    int requeued = 0;
    for (int row = 0; row < list.size(); ++row) {
        const DownloadItem &item = list.item(row);
        const QString size = QString(item.size).remove(QLatin1Char(','));
        const QString downloaded = QString(item.downloaded).remove(QLatin1Char(','));
        if (!IsNumericText(size) || !IsNumericText(downloaded) || !settled(item))
            continue;
        const double sizeValue = size.trimmed().toDouble();
        // Compared in single precision, as the columns were always meant to be read.
        if (!(bytes > sizeValue) ||
            static_cast<float>(downloaded.trimmed().toDouble()) != static_cast<float>(sizeValue))
            continue;
        ReQueueRow(list, row);
        ++requeued;
    }
    return requeued;
}

QList<int> RowsInState(const DownloadListModel &list, ItemState state)
{
    QList<int> rows;
    for (int row = 0; row < list.size(); ++row)
        if (list.item(row).state == state)
            rows.append(row);
    return rows;
}

int DeleteFilesOfPages(DownloadListModel &list)
{
    int touched = 0;
    for (int row = 0; row < list.size(); ++row) {
        const DownloadItem &item = list.item(row);
        if (pageOrXml(item.type) && settled(item)) {
            deleteFile(list, row);
            ++touched;
        }
    }
    return touched;
}

int DeleteFilesOfFailed(DownloadListModel &list)
{
    int touched = 0;
    for (int row = 0; row < list.size(); ++row) {
        if (list.item(row).state == ItemState::Failed) {
            deleteFile(list, row);
            ++touched;
        }
    }
    return touched;
}

QStringList NamesForExport(const DownloadListModel &list, bool unfinishedOnly)
{
    QStringList names;
    for (int row = 0; row < list.size(); ++row)
        if (!unfinishedOnly || list.item(row).state != ItemState::Done)
            names.append(list.item(row).name);
    return names;
}

int ReplaceInAddresses(DownloadListModel &list, const QString &find, const QString &replacement)
{
    if (find.isEmpty())
        return 0;
    int clashes = 0;
    for (int row = 0; row < list.size(); ++row) {
        const bool changed = list.update(row, [&](DownloadItem &item) {
            item.address.replace(find, replacement, Qt::CaseInsensitive);
            item.referrer.replace(find, replacement, Qt::CaseInsensitive);
        });
        clashes += changed ? 0 : 1;
    }
    return clashes;
}

QList<QString> SortTexts(const DownloadListModel &list, int column)
{
    QList<QString> texts(list.size());
    if (column < 0 || column >= DownloadListModel::ColumnCount)
        return texts;
    for (int row = 0; row < list.size(); ++row)
        texts[row] = list.data(list.index(row, column)).toString();
    return texts;
}

QList<int> SortedRowOrder(const QList<QString> &texts, int column, bool descending)
{
    const bool numeric = column == DownloadListModel::SizeColumn || column == DownloadListModel::DownloadedColumn ||
                         column == DownloadListModel::PercentColumn;
    const bool percent = column == DownloadListModel::PercentColumn;
    const int rows = int(texts.size());
    QList<QString> keys(rows);
    std::vector<SortEntry> entries(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        keys[row] = sortKey(texts.at(row), numeric, percent);
        entries[static_cast<std::size_t>(row)] = {leadingUnits(keys.at(row)), keys.at(row).size(), row};
    }
    std::stable_sort(entries.begin(), entries.end(), [&](const SortEntry &a, const SortEntry &b) {
        int c = a.leading < b.leading ? -1 : (b.leading < a.leading ? 1 : 0);
        if (c == 0 && a.length <= kLeadingUnits && b.length <= kLeadingUnits)
            c = a.length < b.length ? -1 : (b.length < a.length ? 1 : 0);
        else if (c == 0)
            c = keys.at(a.row).compare(keys.at(b.row));
        return descending ? c > 0 : c < 0;
    });
    QList<int> order(rows);
    for (int row = 0; row < rows; ++row)
        order[row] = entries[static_cast<std::size_t>(row)].row;
    return order;
}

void SortListByColumn(DownloadListModel &list, int column, bool descending)
{
    if (column < 0 || column >= DownloadListModel::ColumnCount)
        return;
    list.reorder(SortedRowOrder(SortTexts(list, column), column, descending));
}
