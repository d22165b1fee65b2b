#pragma once

#include "core/search/ResultRow.h"

#include <cstddef>
#include <cstdint>
#include <functional>
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
    // The row holding `key`, or -1 after taking `key` as the next row's (the row count the index knows, plus
    // one). `keyOf` gives the key of any row the index knows, appended ones included: a caller adding many rows
    // can keep them aside until it knows how many there are. One hash and one probe for both the lookup and
    // the placing.
    int findOrAppend(const QString &key, const std::function<const QString &(std::size_t row)> &keyOf);
    // The same with the key's hash (hashOf) taken before: a caller with many keys hashes them first and asks
    // prefetch() for the slots of keys a few places ahead, so that the table is not read one cache miss at a time.
    int findOrAppend(const QString &key, std::size_t hash,
                     const std::function<const QString &(std::size_t row)> &keyOf);
    static std::size_t hashOf(const QString &key);
    void prefetch(std::size_t hash) const;
    // Room for `more` rows beyond the present ones, so that adding them never rebuilds the table.
    void reserve(std::size_t more);
    std::size_t size() const { return m_hashes.size(); }
    // The rows in these stretches [first, last] (top to bottom, not overlapping) were removed.
    void removeStretches(const std::vector<std::pair<int, int>> &stretches);
    // The rows were reordered: new row i is old row order[i].
    void reorder(const std::vector<int> &order);
    void clear();

private:
    void rebuildTable(std::size_t rows);
    void place(int row);

    // A row number with part of its key's hash, so that a probe passes other rows' slots without reading their
    // hashes elsewhere in memory: at 100 000 rows that read is a cache miss per slot.
    struct Slot {
        int row = -1; // -1 for free
        std::uint32_t tag = 0;
    };

    std::vector<std::size_t> m_hashes; // per row
    std::vector<Slot> m_slots;         // size a power of two, at most half full
};
