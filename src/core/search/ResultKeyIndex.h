#pragma once

#include "core/search/ResultRow.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// Finds a result row by its key in constant time: an open-addressing table of row numbers, each beside the low
// half of its key's hash. The hash bits give a slot's home, so when rows go or change places the table is redone
// from itself alone, walking it in order, never reading a key's text again and never visiting it at a random
// place per row: at 100 000 rows that is the difference between streaming two megabytes and taking a cache miss
// per row.
class ResultKeyIndex final
{
public:
    // The row of `rows` holding `key`, or -1.
    int find(const QString &key, const ResultRows &rows) const;
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
    std::size_t size() const { return m_rows; }
    // The rows in these stretches [first, last] (top to bottom, not overlapping) were removed.
    void removeStretches(const std::vector<std::pair<int, int>> &stretches);
    // The rows were reordered: old row r is now row newRowOf[r].
    void reorder(const std::vector<int> &newRowOf);
    void clear();

private:
    // A row number with the low half of its key's hash: a probe passes other rows' slots without reading their
    // keys, and the slot's home is known without hashing the key again.
    struct Slot {
        int row = -1; // -1 for free
        std::uint32_t hash = 0;
    };

    static std::size_t slotsFor(std::size_t rows);
    // The slots, their row numbers mapped through newRowOf (-1: the row is gone), moved into a table of
    // `tableSize` slots.
    void redo(std::size_t tableSize, const std::vector<int> *newRowOf);
    static void place(std::vector<Slot> &table, Slot slot);

    std::vector<Slot> m_slots; // size a power of two, at most half full
    std::size_t m_rows = 0;
};
