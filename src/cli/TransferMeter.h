#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// Bytes received over time, as the batch's bar and summary report them: the rate is averaged over the last few
// seconds, so one burst or one pause does not swing it, and the time left follows from that rate.
class TransferMeter final
{
public:
    // The window the rate is averaged over.
    static constexpr qint64 kRateWindowMs = 5000;

    // Starts the elapsed time at `nowMs` with nothing received.
    void start(qint64 nowMs);
    // The total received so far (all files together) at `nowMs`.
    void sample(qint64 nowMs, qint64 receivedBytes);

    qint64 received() const { return m_received; }
    qint64 elapsedMs(qint64 nowMs) const { return m_started < 0 ? 0 : nowMs - m_started; }
    // Bytes per second over the window; 0 until two samples lie apart in time.
    double rate() const;
    // Seconds until `remainingBytes` more have arrived at the current rate; -1 when it cannot be told.
    qint64 secondsLeft(qint64 remainingBytes) const;

    // Whether some transfer runs from `nowMs` on. The time during which one ran is the time the average rate is
    // taken over: the downloads wait for the analysis between pages, and such waits transfer nothing.
    void setTransferring(qint64 nowMs, bool transferring);
    qint64 transferMs(qint64 nowMs) const;

private:
    struct Sample {
        qint64 ms;
        qint64 bytes;
    };
    qint64 m_started = -1;
    qint64 m_received = 0;
    QList<Sample> m_window;
    qint64 m_transferMs = 0;
    qint64 m_transferringSince = -1; // -1 while none runs
};

// "512 B", "1.5 KiB", "23.4 MiB", "1.02 GiB".
QString HumanBytes(qint64 bytes);
// "1.2 MiB/s".
QString HumanRate(double bytesPerSecond);
// "00:42", "12:05", "1:02:03"; "--:--" for a negative (unknown) time.
QString ClockText(qint64 seconds);
