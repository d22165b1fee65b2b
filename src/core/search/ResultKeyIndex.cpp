#include "core/search/ResultKeyIndex.h"

#include <QHash>

namespace {
constexpr std::size_t kMinSlots = 16;

// The bits of a hash above the ones that pick the slot (tables stay far below 2^32 slots).
std::uint32_t tagOf(std::size_t hash)
{
    return std::uint32_t(std::uint64_t(hash) >> 32);
}
} // namespace

std::size_t ResultKeyIndex::hashOf(const QString &key)
{
    return qHash(key, 0);
}

void ResultKeyIndex::prefetch(std::size_t hash) const
{
    if (!m_slots.empty())
        __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]);
}

int ResultKeyIndex::find(const QString &key, const std::vector<ResultRow> &rows) const
{
    if (m_slots.empty())
        return -1;
    const std::size_t mask = m_slots.size() - 1;
    const std::size_t hash = hashOf(key);
    const std::uint32_t tag = tagOf(hash);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot slot = m_slots[i];
        if (slot.row < 0)
            return -1;
        if (slot.tag == tag && std::size_t(slot.row) < rows.size() && rows[std::size_t(slot.row)].key == key)
            return slot.row;
    }
}

void ResultKeyIndex::place(int row)
{
    const std::size_t mask = m_slots.size() - 1;
    const std::size_t hash = m_hashes[std::size_t(row)];
    std::size_t i = hash & mask;
    while (m_slots[i].row >= 0)
        i = (i + 1) & mask;
    m_slots[i] = {row, tagOf(hash)};
}

void ResultKeyIndex::rebuildTable(std::size_t rows)
{
    std::size_t size = kMinSlots;
    while (size < 2 * rows)
        size *= 2;
    m_slots.assign(size, Slot{});
    for (std::size_t row = 0; row < m_hashes.size(); ++row)
        place(int(row));
}

void ResultKeyIndex::append(const QString &key)
{
    m_hashes.push_back(hashOf(key));
    if (2 * m_hashes.size() > m_slots.size())
        rebuildTable(m_hashes.size());
    else
        place(int(m_hashes.size() - 1));
}

int ResultKeyIndex::findOrAppend(const QString &key, const std::function<const QString &(std::size_t row)> &keyOf)
{
    return findOrAppend(key, hashOf(key), keyOf);
}

int ResultKeyIndex::findOrAppend(const QString &key, std::size_t hash,
                                 const std::function<const QString &(std::size_t row)> &keyOf)
{
    if (2 * (m_hashes.size() + 1) > m_slots.size())
        rebuildTable(m_hashes.size() + 1);
    const std::size_t mask = m_slots.size() - 1;
    const std::uint32_t tag = tagOf(hash);
    std::size_t i = hash & mask;
    for (; m_slots[i].row >= 0; i = (i + 1) & mask) {
        const Slot slot = m_slots[i];
        if (slot.tag == tag && keyOf(std::size_t(slot.row)) == key)
            return slot.row;
    }
    m_slots[i] = {int(m_hashes.size()), tag};
    m_hashes.push_back(hash);
    return -1;
}

void ResultKeyIndex::reserve(std::size_t more)
{
    const std::size_t rows = m_hashes.size() + more;
    m_hashes.reserve(rows);
    if (2 * rows > m_slots.size())
        rebuildTable(rows);
}

void ResultKeyIndex::removeStretches(const std::vector<std::pair<int, int>> &stretches)
{
    if (stretches.empty())
        return;
    std::size_t write = std::size_t(stretches.front().first);
    std::size_t next = write;
    for (const auto &[first, last] : stretches) {
        for (; next < std::size_t(first); ++next)
            m_hashes[write++] = m_hashes[next];
        next = std::size_t(last) + 1;
    }
    for (; next < m_hashes.size(); ++next)
        m_hashes[write++] = m_hashes[next];
    m_hashes.resize(write);
    rebuildTable(m_hashes.size());
}

void ResultKeyIndex::reorder(const std::vector<int> &order)
{
    std::vector<std::size_t> hashes;
    hashes.reserve(order.size());
    for (int old : order)
        hashes.push_back(m_hashes[std::size_t(old)]);
    m_hashes = std::move(hashes);
    rebuildTable(m_hashes.size());
}

void ResultKeyIndex::clear()
{
    m_hashes.clear();
    m_slots.clear();
}
