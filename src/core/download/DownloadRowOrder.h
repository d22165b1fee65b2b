#pragma once

#include <QList>
#include <vector>

// The order of the download list's rows over item slots that never move: the slot of a row and the row of a slot,
// both in constant time. Taking stretches of rows out from the bottom up moves a gap up the list instead of
// closing every hole at once, so each row moves at most twice however many stretches go, and the numbers are
// right again after every stretch (the views ask for rows between two removals).
class DownloadRowOrder final
{
public:
    int size() const { return static_cast<int>(m_slotAt.size()) - m_gapLength; }
    int slotAt(int row) const { return m_slotAt[static_cast<std::size_t>(position(row))]; }
    // The row holding the slot; the slot must be in the order.
    int rowOf(int slot) const;

    void append(int slot);
    // Rows first to last leave the order; the rows below them move up.
    void remove(int first, int last);
    void moveToEnd(int row);
    // New row i is old row order[i].
    void reorder(const QList<int> &order);
    void clear();

private:
    int position(int row) const { return row < m_gapStart ? row : row + m_gapLength; }
    void place(int position, int slot);
    // Moves the gap so that `row` is the first row after it.
    void moveGapTo(int row);
    void closeGap();

    std::vector<int> m_slotAt;     // by position: the rows above the gap, the gap, the rows below it
    std::vector<int> m_positionOf; // by slot
    int m_gapStart = 0;
    int m_gapLength = 0;
};
