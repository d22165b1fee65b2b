#pragma once

#include "core/download/DownloadItem.h"

#include <cstdint>
#include <vector>

// Finds the item slot holding an address in constant time. Each slot's address hash is kept beside an
// open-addressing table, so taking a slot out or rebuilding the table never reads or hashes an address again: at
// 100 000 rows that is the difference between walking a few megabytes in order and chasing strings across the heap.
// Taking a slot out only marks it dead; its entry stays until settle() or the next growth drops all dead entries in
// one pass in table order. Removing half of a long list thus walks the table once in order instead of visiting it
// at a random place per row, and asks the allocator for nothing while the removed rows' memory is being freed.
class AddressIndex final
{
public:
    static std::uint32_t hash(const QString &address);
    // The slot of `items` holding the address, or -1.
    int find(const QString &address, const std::vector<DownloadItem> &items) const
    {
        return find(address, hash(address), items);
    }
    int find(const QString &address, std::uint32_t hash, const std::vector<DownloadItem> &items) const;
    // The slot now holds the address; neither may be in the index yet.
    void insert(const QString &address, int slot) { insert(hash(address), slot); }
    // The same, for an address whose hash() the caller already has.
    void insert(std::uint32_t hash, int slot);
    // The slot leaves the index; it must be in it.
    void remove(int slot);
    // After a batch of removals: drops the dead entries when they are an eighth of the table's entries or more, so
    // lookups do not step over them and the pass costs no more than the removals did.
    void settle();
    void clear();

private:
    static constexpr int kEmpty = -1;
    static constexpr int kTombstone = -2; // a dead entry found again when its slot came back into use
    enum class SlotState : std::uint8_t { Unused, Live, Dead };

    struct Entry {
        std::uint32_t hash = 0;
        int slot = kEmpty;
    };

    std::size_t home(std::uint32_t hash) const { return hash & (m_table.size() - 1); }
    std::size_t next(std::size_t position) const { return (position + 1) & (m_table.size() - 1); }
    void place(Entry entry);
    // Turns the dead slot's lingering entry into a tombstone, so the slot has one entry again once reused.
    void bury(int slot);
    bool dead(const Entry &entry) const;
    // Takes every dead entry and tombstone out of the table, in one pass in table order.
    void dropDead();
    // Empties the position, closing the gap it leaves in its probe run.
    void shiftBackInto(std::size_t hole);
    // A table of the live entries only, at most half full after the next insert.
    void rebuild();

    std::vector<Entry> m_table;          // size a power of two, at most half full, dead entries included
    std::vector<std::uint32_t> m_hashOf; // by slot
    std::vector<SlotState> m_stateOf;    // by slot
    std::size_t m_used = 0;              // entries in the table: live, dead and tombstones
    std::size_t m_live = 0;
};
