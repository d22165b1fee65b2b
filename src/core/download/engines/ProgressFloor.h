#pragma once

#include <QtGlobal>
#include <chrono>

// The least a transfer has to move to keep its slot: kFloorBytes within kFloorWindow, counted from the last moment
// it had made that much. A server that trickles a byte now and then, or stops altogether, would otherwise hold the
// engine for ever; such a transfer fails once a whole window has passed below the floor.
class ProgressFloor final
{
public:
    static constexpr qint64 kFloorBytes = 1024;
    static constexpr std::chrono::milliseconds kFloorWindow{60'000};

    // A new window begins at `nowMs` with `bytes` received so far.
    void restart(qint64 nowMs, qint64 bytes = 0)
    {
        m_markMs = nowMs;
        m_markBytes = bytes;
    }

    // Notes `bytes` received by `nowMs`; false once a whole window has passed without the floor's worth of them.
    bool holds(qint64 nowMs, qint64 bytes)
    {
        if (bytes - m_markBytes >= kFloorBytes) {
            restart(nowMs, bytes);
            return true;
        }
        return nowMs - m_markMs < kFloorWindow.count();
    }

    // How long until the current window runs out; at least a millisecond, so a wait on it always ends after it.
    std::chrono::milliseconds timeLeft(qint64 nowMs) const
    {
        return std::chrono::milliseconds(qMax<qint64>(1, m_markMs + kFloorWindow.count() - nowMs));
    }

private:
    qint64 m_markMs = 0;
    qint64 m_markBytes = 0;
};
