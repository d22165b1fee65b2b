#include "core/download/AddressIndex.h"

#include <QHashFunctions>
#include <algorithm>

namespace {
std::uint32_t addressHash(const QString &address)
{
    // The process's random seed keeps a page full of crafted addresses from piling into one probe run.
    return static_cast<std::uint32_t>(qHash(address, QHashSeed::globalSeed()));
}
} // namespace

int AddressIndex::find(const QString &address, const std::vector<DownloadItem> &items) const
{
    if (m_table.empty())
        return -1;
    const std::uint32_t hash = addressHash(address);
    for (std::size_t at = home(hash); m_table[at].slot >= 0; at = next(at)) {
        const Entry &entry = m_table[at];
        if (entry.hash == hash && items[static_cast<std::size_t>(entry.slot)].address == address)
            return entry.slot;
    }
    return -1;
}

void AddressIndex::insert(const QString &address, int slot)
{
    if ((m_count + 1) * 2 > m_table.size())
        grow();
    const std::uint32_t hash = addressHash(address);
    if (m_hashOf.size() <= static_cast<std::size_t>(slot))
        m_hashOf.resize(static_cast<std::size_t>(slot) + 1);
    m_hashOf[static_cast<std::size_t>(slot)] = hash;
    place({hash, slot});
    ++m_count;
}

void AddressIndex::remove(int slot)
{
    std::size_t hole = home(m_hashOf[static_cast<std::size_t>(slot)]);
    while (m_table[hole].slot != slot)
        hole = next(hole);
    // Backward shift: every entry of the run after the hole that may sit nearer its home moves into the hole, so
    // lookups never need tombstones and the table never fills with them.
    for (std::size_t at = next(hole); m_table[at].slot >= 0; at = next(at)) {
        const std::size_t wanted = home(m_table[at].hash);
        const bool homeAfterHole = hole <= at ? (wanted > hole && wanted <= at) : (wanted > hole || wanted <= at);
        if (!homeAfterHole) {
            m_table[hole] = m_table[at];
            hole = at;
        }
    }
    m_table[hole] = Entry();
    --m_count;
}

void AddressIndex::clear()
{
    m_table.clear();
    m_hashOf.clear();
    m_count = 0;
}

void AddressIndex::place(Entry entry)
{
    std::size_t at = home(entry.hash);
    while (m_table[at].slot >= 0)
        at = next(at);
    m_table[at] = entry;
}

void AddressIndex::grow()
{
    std::vector<Entry> old(std::max<std::size_t>(16, m_table.size() * 2));
    old.swap(m_table);
    for (const Entry &entry : old)
        if (entry.slot >= 0)
            place(entry);
}
