#pragma once

#include "core/search/ResultRow.h"

#include <cstddef>
#include <utility>
#include <vector>

// Finds a result row by its key in constant time. It keeps every row's key hash in row order beside an
// open-addressing table of row numbers. When rows go or change places the table is rebuilt from the hashes alone,
// never reading a key's text again: at 100 000 rows that is the difference between walking a megabyte and chasing
// 100 000 strings across the heap.
class ResultKeyIndex final
{
public:
    // The row of `rows` holding `key`, or -1.
    int find(const QString &key, const std::vector<ResultRow> &rows) const;
    // The row just appended to the list has `key`.
    void append(const QString &key);
    // The rows in these stretches [first, last] (top to bottom, not overlapping) were removed.
    void removeStretches(const std::vector<std::pair<int, int>> &stretches);
    // The rows were reordered: new row i is old row order[i].
    void reorder(const std::vector<int> &order);
    void clear();

private:
    void rebuildTable();
    void place(int row);

    std::vector<std::size_t> m_hashes; // per row
    std::vector<int> m_slots;          // row numbers, -1 for free; size a power of two, at most half full
};
