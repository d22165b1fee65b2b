#include "cli/TransferMeter.h"

#include <array>
#include <cmath>

void TransferMeter::start(qint64 nowMs)
{
    m_started = nowMs;
    m_received = 0;
    m_window = {{nowMs, 0}};
    m_transferMs = 0;
    m_transferringSince = -1;
}

void TransferMeter::setTransferring(qint64 nowMs, bool transferring)
{
    if (transferring && m_transferringSince < 0) {
        m_transferringSince = nowMs;
    } else if (!transferring && m_transferringSince >= 0) {
        m_transferMs += nowMs - m_transferringSince;
        m_transferringSince = -1;
    }
}

qint64 TransferMeter::transferMs(qint64 nowMs) const
{
    return m_transferMs + (m_transferringSince >= 0 ? nowMs - m_transferringSince : 0);
}

void TransferMeter::sample(qint64 nowMs, qint64 receivedBytes)
{
    if (m_started < 0)
        start(nowMs);
    m_received = receivedBytes;
    if (!m_window.isEmpty() && m_window.constLast().ms == nowMs)
        m_window.last().bytes = receivedBytes;
    else
        m_window.append({nowMs, receivedBytes});
    // Keep one sample at or before the window's start, so the rate always spans the whole window once it can.
    while (m_window.size() > 2 && m_window.at(1).ms <= nowMs - kRateWindowMs)
        m_window.removeFirst();
}

double TransferMeter::rate() const
{
    if (m_window.size() < 2)
        return 0;
    const Sample &first = m_window.constFirst();
    const Sample &last = m_window.constLast();
    const qint64 span = last.ms - first.ms;
    if (span <= 0 || last.bytes <= first.bytes)
        return 0;
    return static_cast<double>(last.bytes - first.bytes) * 1000.0 / static_cast<double>(span);
}

qint64 TransferMeter::secondsLeft(qint64 remainingBytes) const
{
    if (remainingBytes < 0)
        return -1;
    if (remainingBytes == 0)
        return 0;
    const double perSecond = rate();
    if (perSecond <= 0)
        return -1;
    return static_cast<qint64>(std::ceil(static_cast<double>(remainingBytes) / perSecond));
}

QString HumanBytes(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    static const std::array<const char *, 4> units{"KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < units.size()) {
        value /= 1024.0;
        ++unit;
    }
    // Three significant digits, as the download tools show them.
    const int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
    return QStringLiteral("%1 %2").arg(value, 0, 'f', decimals).arg(QLatin1String(units[unit]));
}

QString HumanRate(double bytesPerSecond)
{
    return HumanBytes(static_cast<qint64>(bytesPerSecond)) + QStringLiteral("/s");
}

QString ClockText(qint64 seconds)
{
    if (seconds < 0)
        return QStringLiteral("--:--");
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const qint64 rest = seconds % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(rest, 2, 10, QLatin1Char('0'));
}
