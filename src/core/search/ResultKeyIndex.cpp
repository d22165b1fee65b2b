#include "core/search/ResultKeyIndex.h"

#include <QHash>

namespace {
constexpr std::size_t kMinSlots = 16;

std::size_t hashOf(const QString &key)
{
    return qHash(key, 0);
}
} // namespace

int ResultKeyIndex::find(const QString &key, const std::vector<ResultRow> &rows) const
{
    if (m_slots.empty())
        return -1;
    const std::size_t mask = m_slots.size() - 1;
    const std::size_t hash = hashOf(key);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const int row = m_slots[i];
        if (row < 0)
            return -1;
        if (m_hashes[std::size_t(row)] == hash && std::size_t(row) < rows.size() && rows[std::size_t(row)].key == key)
            return row;
    }
}

void ResultKeyIndex::place(int row)
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = m_hashes[std::size_t(row)] & mask;
    while (m_slots[i] >= 0)
        i = (i + 1) & mask;
    m_slots[i] = row;
}

void ResultKeyIndex::rebuildTable()
{
    std::size_t size = kMinSlots;
    while (size < 2 * m_hashes.size())
        size *= 2;
    m_slots.assign(size, -1);
    for (std::size_t row = 0; row < m_hashes.size(); ++row)
        place(int(row));
}

void ResultKeyIndex::append(const QString &key)
{
    m_hashes.push_back(hashOf(key));
    if (2 * m_hashes.size() > m_slots.size())
        rebuildTable();
    else
        place(int(m_hashes.size() - 1));
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
    rebuildTable();
}

void ResultKeyIndex::reorder(const std::vector<int> &order)
{
    std::vector<std::size_t> hashes;
    hashes.reserve(order.size());
    for (int old : order)
        hashes.push_back(m_hashes[std::size_t(old)]);
    m_hashes = std::move(hashes);
    rebuildTable();
}

void ResultKeyIndex::clear()
{
    m_hashes.clear();
    m_slots.clear();
}
