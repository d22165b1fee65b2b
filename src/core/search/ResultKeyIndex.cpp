#include "core/search/ResultKeyIndex.h"

#include <QHash>

namespace {
constexpr std::size_t kMinSlots = 16;
} // namespace

std::size_t ResultKeyIndex::hashOf(const QString &key)
{
    // The process's own seed: with seed 0 Qt takes SipHash, several times slower than the hash it takes for a
    // seed where the processor has AES (an import hashes every key it reads), and a fixed seed would let a
    // crafted list file pile its keys onto one slot.
    return qHash(key, QHashSeed::globalSeed());
}

void ResultKeyIndex::prefetch(std::size_t hash) const
{
    if (!m_slots.empty())
        __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]);
}

int ResultKeyIndex::find(const QString &key, const ResultRows &rows) const
{
    if (m_slots.empty())
        return -1;
    const std::size_t mask = m_slots.size() - 1;
    const auto hash = std::uint32_t(hashOf(key));
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot slot = m_slots[i];
        if (slot.row < 0)
            return -1;
        if (slot.hash == hash && std::size_t(slot.row) < rows.size() && rows[std::size_t(slot.row)].key == key)
            return slot.row;
    }
}

void ResultKeyIndex::place(std::vector<Slot> &table, Slot slot)
{
    const std::size_t mask = table.size() - 1;
    std::size_t i = slot.hash & mask;
    while (table[i].row >= 0)
        i = (i + 1) & mask;
    table[i] = slot;
}

std::size_t ResultKeyIndex::slotsFor(std::size_t rows)
{
    std::size_t size = kMinSlots;
    while (size < 2 * rows)
        size *= 2;
    return size;
}

void ResultKeyIndex::redo(std::size_t tableSize, const std::vector<int> *newRowOf)
{
    std::vector<Slot> table(tableSize);
    const std::size_t count = m_slots.size();
    // From a free slot on, every slot met lies at or after its home, so a slot's new place is at or near its
    // old one (or a fixed distance from it): both tables are walked in order. Any order of placing gives a valid
    // table; this one keeps the walk sequential.
    std::size_t start = 0;
    while (start < count && m_slots[start].row >= 0)
        ++start;
    for (std::size_t n = 0; n < count; ++n) {
        Slot slot = m_slots[(start + n) & (count - 1)];
        if (slot.row < 0)
            continue;
        if (newRowOf) {
            slot.row = (*newRowOf)[std::size_t(slot.row)];
            if (slot.row < 0)
                continue;
        }
        place(table, slot);
    }
    m_slots = std::move(table);
}

void ResultKeyIndex::append(const QString &key)
{
    if (2 * (m_rows + 1) > m_slots.size())
        redo(slotsFor(m_rows + 1), nullptr);
    place(m_slots, {int(m_rows), std::uint32_t(hashOf(key))});
    ++m_rows;
}

int ResultKeyIndex::findOrAppend(const QString &key, const std::function<const QString &(std::size_t row)> &keyOf)
{
    return findOrAppend(key, hashOf(key), keyOf);
}

int ResultKeyIndex::findOrAppend(const QString &key, std::size_t fullHash,
                                 const std::function<const QString &(std::size_t row)> &keyOf)
{
    if (2 * (m_rows + 1) > m_slots.size())
        redo(slotsFor(m_rows + 1), nullptr);
    const std::size_t mask = m_slots.size() - 1;
    const auto hash = std::uint32_t(fullHash);
    std::size_t i = hash & mask;
    for (; m_slots[i].row >= 0; i = (i + 1) & mask) {
        const Slot slot = m_slots[i];
        if (slot.hash == hash && keyOf(std::size_t(slot.row)) == key)
            return slot.row;
    }
    m_slots[i] = {int(m_rows), hash};
    ++m_rows;
    return -1;
}

void ResultKeyIndex::reserve(std::size_t more)
{
    const std::size_t tableSize = slotsFor(m_rows + more);
    if (tableSize > m_slots.size())
        redo(tableSize, nullptr);
}

void ResultKeyIndex::removeStretches(const std::vector<std::pair<int, int>> &stretches)
{
    if (stretches.empty())
        return;
    std::vector<int> newRowOf(m_rows);
    int next = 0;
    std::size_t row = 0;
    for (const auto &[first, last] : stretches) {
        for (; row < std::size_t(first); ++row)
            newRowOf[row] = next++;
        for (; row <= std::size_t(last); ++row)
            newRowOf[row] = -1;
    }
    for (; row < m_rows; ++row)
        newRowOf[row] = next++;
    m_rows = std::size_t(next);
    // A table far larger than the rows left is made anew; otherwise the same table is walked once in order.
    if (m_slots.size() > 8 * slotsFor(m_rows)) {
        redo(slotsFor(m_rows), &newRowOf);
        return;
    }
    const std::size_t count = m_slots.size();
    const std::size_t mask = count - 1;
    std::size_t start = 0;
    while (m_slots[start].row >= 0)
        ++start;
    // From a free slot on, each slot taken out and placed again from its home lands at or before where it was,
    // among slots already settled, so one walk leaves every probe run whole.
    for (std::size_t n = 1; n <= count; ++n) {
        const std::size_t at = (start + n) & mask;
        Slot slot = m_slots[at];
        if (slot.row < 0)
            continue;
        m_slots[at].row = -1;
        slot.row = newRowOf[std::size_t(slot.row)];
        if (slot.row >= 0)
            place(m_slots, slot);
    }
}

void ResultKeyIndex::reorder(const std::vector<int> &newRowOf)
{
    // The keys stay where they are in the table; only their row numbers change.
    for (Slot &slot : m_slots) {
        if (slot.row >= 0)
            slot.row = newRowOf[std::size_t(slot.row)];
    }
}

void ResultKeyIndex::clear()
{
    m_rows = 0;
    m_slots.clear();
}
