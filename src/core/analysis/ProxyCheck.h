#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

#include <qcoro/qcorotask.h>

class ProxyReporter;
class TransferControl;

// What one check found, the lines in the order the list had them.
struct ProxyCheckResult {
    enum class End {
        Checked,      // every line was tried
        Stopped,      // stopped by the user: the lines not tried count as not tested
        NoOwnAddress, // the echo service did not say the own address: nothing was tried
    };
    End end = End::Checked;
    int lines = 0;
    int valid = 0;
    int invalid = 0;
    int notTested = 0;
    // The lines that passed or were not tried, then the ones that failed; each line followed by CR LF.
    QString goodList;
    QString badList;
};

// The check of a proxy-address list: asks the echo service for the own public address, then asks it again through
// every listed proxy and keeps the proxies that answer in time with another address. The proxies are tried
// kConcurrentChecks at a time, each on a transfer object of its own, so one that holds its connection until the
// response time runs out delays only itself. Proxies that pass are reported to the collection service.
//
// The check runs on after start() returns; progress and the end arrive as signals. stop() ends it at once: the
// requests under way are cancelled, and their lines count, with those not started, as not tested.
class ProxyCheck final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProxyCheck)

public:
    static constexpr int kConcurrentChecks = 16;
    static constexpr std::chrono::seconds kOwnAddressTimeout{30};

    explicit ProxyCheck(QObject *parent = nullptr);
    ~ProxyCheck() override;

    // Starts checking the lines of `list` (one address per line; blank lines are passed over), giving each proxy
    // `responseSeconds` to answer. Does nothing while a check runs.
    void start(const QString &list, int responseSeconds);
    // Ends a running check at once; `finished` is emitted before this returns.
    void stop();
    bool isRunning() const { return m_run != nullptr; }

    ProxyReporter &reporter() { return *m_reporter; }

Q_SIGNALS:
    // The own address is known and the proxies are about to be tried; `lines` is how many there are.
    void testingStarted(int lines);
    // `done` lines have their verdict.
    void progressChanged(int done);
    void finished(const ProxyCheckResult &result);

private:
    struct Run;

    QCoro::Task<> checkAll(std::shared_ptr<Run> run);
    QCoro::Task<> checkLine(std::shared_ptr<Run> run, int index);
    void settle(Run &run, int index, bool passed);
    void finish(ProxyCheckResult::End end);

    ProxyReporter *m_reporter = nullptr;
    std::shared_ptr<Run> m_run;
};
