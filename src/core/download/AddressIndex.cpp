#include "core/download/AddressIndex.h"

#include <QHashFunctions>
#include <algorithm>

std::uint32_t AddressIndex::hash(const QString &address)
{
    // The process's random seed keeps a page full of crafted addresses from piling into one probe run.
    return static_cast<std::uint32_t>(qHash(address, QHashSeed::globalSeed()));
}

int AddressIndex::find(const QString &address, std::uint32_t hash, const std::vector<DownloadItem> &items) const
{
    if (m_table.empty())
        return -1;
    for (std::size_t at = home(hash); m_table[at].slot != kEmpty; at = next(at)) {
        const Entry &entry = m_table[at];
        if (entry.hash != hash || entry.slot == kTombstone)
            continue;
        const auto slot = static_cast<std::size_t>(entry.slot);
        if (m_stateOf[slot] == SlotState::Live && items[slot].address == address)
            return entry.slot;
    }
    return -1;
}

void AddressIndex::insert(std::uint32_t hash, int slot)
{
    const auto at = static_cast<std::size_t>(slot);
    if (m_stateOf.size() <= at) {
        m_hashOf.resize(at + 1);
        m_stateOf.resize(at + 1, SlotState::Unused);
    }
    if (m_stateOf[at] == SlotState::Dead)
        bury(slot);
    if ((m_used + 1) * 2 > m_table.size())
        rebuild();
    m_hashOf[at] = hash;
    m_stateOf[at] = SlotState::Live;
    place({hash, slot});
    ++m_used;
    ++m_live;
}

void AddressIndex::remove(int slot)
{
    m_stateOf[static_cast<std::size_t>(slot)] = SlotState::Dead;
    --m_live;
    // Single removals never settle; this keeps lookups short however many of them come in a row.
    if (m_used - m_live > m_live + 16)
        dropDead();
}

void AddressIndex::settle()
{
    const std::size_t dead = m_used - m_live;
    if (dead > 0 && dead * 8 >= m_used)
        dropDead();
}

bool AddressIndex::dead(const Entry &entry) const
{
    return entry.slot == kTombstone ||
           (entry.slot >= 0 && m_stateOf[static_cast<std::size_t>(entry.slot)] != SlotState::Live);
}

void AddressIndex::dropDead()
{
    // A table much larger than what is left is worth giving back; otherwise it is swept where it lies, without
    // asking the allocator for a new one.
    if ((m_live + 1) * 8 < m_table.size()) {
        rebuild();
        return;
    }
    for (std::size_t at = 0; at < m_table.size(); ++at) {
        while (dead(m_table[at])) {
            if (m_table[at].slot >= 0)
                m_stateOf[static_cast<std::size_t>(m_table[at].slot)] = SlotState::Unused;
            shiftBackInto(at);
        }
    }
    m_used = m_live;
}

void AddressIndex::shiftBackInto(std::size_t hole)
{
    // Every entry of the run after the hole that may sit nearer its home moves into the hole, so lookups never
    // meet a gap inside a run.
    for (std::size_t at = next(hole); m_table[at].slot != kEmpty; at = next(at)) {
        const std::size_t wanted = home(m_table[at].hash);
        const bool homeAfterHole = hole <= at ? (wanted > hole && wanted <= at) : (wanted > hole || wanted <= at);
        if (!homeAfterHole) {
            m_table[hole] = m_table[at];
            hole = at;
        }
    }
    m_table[hole] = Entry();
}

void AddressIndex::clear()
{
    m_table.clear();
    m_hashOf.clear();
    m_stateOf.clear();
    m_used = 0;
    m_live = 0;
}

void AddressIndex::place(Entry entry)
{
    std::size_t at = home(entry.hash);
    while (m_table[at].slot != kEmpty)
        at = next(at);
    m_table[at] = entry;
}

void AddressIndex::bury(int slot)
{
    std::size_t at = home(m_hashOf[static_cast<std::size_t>(slot)]);
    while (m_table[at].slot != slot)
        at = next(at);
    m_table[at].slot = kTombstone;
    m_stateOf[static_cast<std::size_t>(slot)] = SlotState::Unused;
}

void AddressIndex::rebuild()
{
    std::size_t size = 16;
    while (size < (m_live + 1) * 2)
        size *= 2;
    std::vector<Entry> old(size);
    old.swap(m_table);
    // The old table is read in order and, both sizes being powers of two, the new one is written in a few
    // ascending sweeps.
    for (const Entry &entry : old) {
        if (entry.slot < 0)
            continue;
        SlotState &state = m_stateOf[static_cast<std::size_t>(entry.slot)];
        if (state == SlotState::Live)
            place(entry);
        else
            state = SlotState::Unused;
    }
    m_used = m_live;
}
