#include "core/download/DownloadRowOrder.h"

int DownloadRowOrder::rowOf(int slot) const
{
    const int at = m_positionOf[static_cast<std::size_t>(slot)];
    return at < m_gapStart ? at : at - m_gapLength;
}

void DownloadRowOrder::place(int position, int slot)
{
    m_slotAt[static_cast<std::size_t>(position)] = slot;
    m_positionOf[static_cast<std::size_t>(slot)] = position;
}

void DownloadRowOrder::moveGapTo(int row)
{
    if (m_gapLength > 0) {
        // Rows between the gap's place and the new one cross it, each once.
        for (int r = m_gapStart - 1; r >= row; --r)
            place(r + m_gapLength, m_slotAt[static_cast<std::size_t>(r)]);
        for (int r = m_gapStart; r < row; ++r)
            place(r, m_slotAt[static_cast<std::size_t>(r + m_gapLength)]);
    }
    m_gapStart = row;
}

void DownloadRowOrder::closeGap()
{
    if (m_gapLength == 0)
        return;
    moveGapTo(size());
    m_slotAt.resize(static_cast<std::size_t>(size()));
    m_gapLength = 0;
}

void DownloadRowOrder::append(int slot)
{
    closeGap();
    if (static_cast<std::size_t>(slot) >= m_positionOf.size())
        m_positionOf.resize(static_cast<std::size_t>(slot) + 1, -1);
    m_slotAt.push_back(-1);
    place(size() - 1, slot);
    m_gapStart = size();
}

void DownloadRowOrder::remove(int first, int last)
{
    moveGapTo(last + 1);
    for (int r = first; r <= last; ++r)
        m_positionOf[static_cast<std::size_t>(slotAt(r))] = -1;
    m_gapLength += last - first + 1;
    m_gapStart = first;
}

void DownloadRowOrder::moveToEnd(int row)
{
    closeGap();
    const int slot = slotAt(row);
    for (int r = row; r < size() - 1; ++r)
        place(r, m_slotAt[static_cast<std::size_t>(r) + 1]);
    place(size() - 1, slot);
}

void DownloadRowOrder::reorder(const QList<int> &order)
{
    closeGap();
    const std::vector<int> before = m_slotAt;
    for (int row = 0; row < static_cast<int>(order.size()); ++row)
        place(row, before[static_cast<std::size_t>(order.at(row))]);
}

void DownloadRowOrder::clear()
{
    m_slotAt.clear();
    m_positionOf.clear();
    m_gapStart = 0;
    m_gapLength = 0;
}
