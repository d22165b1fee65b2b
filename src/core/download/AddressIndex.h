#pragma once

#include "core/download/DownloadItem.h"

#include <cstdint>
#include <vector>

// Finds the item slot holding an address in constant time. Each slot's address hash is kept beside an
// open-addressing table, so taking a slot out or growing the table never reads or hashes an address again: at
// 100 000 rows that is the difference between walking a few megabytes in order and chasing strings across the heap.
class AddressIndex final
{
public:
    // The slot of `items` holding the address, or -1.
    int find(const QString &address, const std::vector<DownloadItem> &items) const;
    // The slot now holds the address; neither may be in the index yet.
    void insert(const QString &address, int slot);
    // The slot leaves the index; it must be in it.
    void remove(int slot);
    void clear();

private:
    struct Entry {
        std::uint32_t hash = 0;
        int slot = -1; // -1: free
    };

    std::size_t home(std::uint32_t hash) const { return hash & (m_table.size() - 1); }
    std::size_t next(std::size_t position) const { return (position + 1) & (m_table.size() - 1); }
    void place(Entry entry);
    void grow();

    std::vector<Entry> m_table;          // size a power of two, at most half full
    std::vector<std::uint32_t> m_hashOf; // by slot
    std::size_t m_count = 0;
};
