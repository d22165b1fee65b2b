#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <optional>

class ClockTimer;
class XmlHttpRequestSet;

// Tells the collection service about proxies that passed a check, with at most kMaxReports requests under way at
// once. A report that neither ends nor fails is given up after kStaleAfter, so a silent service cannot keep the
// report slots taken for good. While the service host is the deployment's placeholder no report is sent at all.
class ProxyReporter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProxyReporter)

public:
    static constexpr int kMaxReports = 50;
    static constexpr std::chrono::seconds kStaleAfter{30};
    static constexpr std::chrono::milliseconds kSweepInterval{1000};

    explicit ProxyReporter(QObject *parent = nullptr);
    ~ProxyReporter() override;

    // Sends one report for `address` on the first free slot 1 to kMaxReports; nothing when every slot is busy.
    void ReportValidProxy(const QString &address);
    // Frees every slot whose report has been under way for longer than kStaleAfter.
    void ReleaseStaleReporters();

    // Reports under way.
    int busyCount() const;

private:
    void release(int index);

    XmlHttpRequestSet *m_uXMLHTTP1 = nullptr;
    // Ticks only while a report is under way: a dialog left open costs no wake-ups.
    ClockTimer *m_timer1 = nullptr;
    // Monotonic start time of each slot's report.
    std::array<std::optional<qint64>, kMaxReports + 1> m_startedMs{};
};
