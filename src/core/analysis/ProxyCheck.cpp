#include "core/analysis/ProxyCheck.h"

#include "core/analysis/ProxyEcho.h"
#include "core/analysis/ProxyReporter.h"
#include "core/net/FetchPageText.h"
#include "core/net/LifetimeGuard.h"
#include "core/net/SignalWait.h"
#include "core/net/TransferControl.h"

#include <QList>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>
#include <utility>

using namespace std::chrono_literals;

namespace {
enum class Verdict { NotTested, Valid, Invalid };

const QString kLineEnd = QStringLiteral("\r\n");

QStringList addressLines(const QString &list)
{
    // A box filled by pasting may hold bare LF or CR line ends.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines;
    for (const QString &line : list.split(lineEnd))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines;
}
} // namespace

struct ProxyCheck::Run {
    QStringList lines;
    int responseSeconds = 0;
    QString ownAddress;
    QList<Verdict> verdicts;
    int settled = 0;
    int underWay = 0;
    // Set once the check has ended (or its owner is gone): whatever resumes afterwards leaves at once.
    bool ended = false;
    // The transfers under way, cancelled when the check ends early.
    QList<QPointer<TransferControl>> controls;

    TransferControl *newControl(QObject *owner)
    {
        auto *control = new TransferControl(owner);
        controls << control;
        return control;
    }
    void release(TransferControl *control)
    {
        controls.removeAll(control);
        control->deleteLater();
    }
};

ProxyCheck::ProxyCheck(QObject *parent) : QObject(parent), m_reporter(new ProxyReporter(this)) {}

ProxyCheck::~ProxyCheck()
{
    if (m_run)
        m_run->ended = true;
}

void ProxyCheck::start(const QString &list, int responseSeconds)
{
    if (m_run)
        return;
    m_run = std::make_shared<Run>();
    m_run->lines = addressLines(list);
    m_run->responseSeconds = responseSeconds;
    m_run->verdicts = QList<Verdict>(m_run->lines.size(), Verdict::NotTested);
    checkAll(m_run);
}

void ProxyCheck::stop()
{
    if (m_run)
        finish(ProxyCheckResult::End::Stopped);
}

QCoro::Task<> ProxyCheck::checkAll(std::shared_ptr<Run> run)
{
    const auto self = lifetimeGuard(this);
    QString own;
    // With the placeholder host nothing leaves the machine; the own address is then unknown.
    if (ProxyServiceConfigured()) {
        TransferControl *control = run->newControl(this);
        const PageFetchRequest request{
            .address = EchoAddress(),
            .timeoutSeconds = int(kOwnAddressTimeout.count()),
        };
        own = (co_await FetchPageText(request, control)).trimmed();
        if (!self || run->ended)
            co_return;
        run->release(control);
    }
    // Anything but an address (an error page answered with 200) would make every proxy look like one that hides it.
    if (!IsEchoAnswer(own)) {
        finish(ProxyCheckResult::End::NoOwnAddress);
        co_return;
    }
    run->ownAddress = own;
    Q_EMIT testingStarted(int(run->lines.size()));
    if (!self)
        co_return;
    for (int index = 0; index < run->lines.size(); ++index) {
        while (!run->ended && run->underWay >= kConcurrentChecks) {
            co_await waitForSignal(this, &ProxyCheck::progressChanged, -1ms);
            if (!self)
                co_return;
        }
        if (run->ended)
            co_return;
        checkLine(run, index);
    }
    while (!run->ended && run->settled < run->lines.size()) {
        co_await waitForSignal(this, &ProxyCheck::progressChanged, -1ms);
        if (!self)
            co_return;
    }
    if (!run->ended)
        finish(ProxyCheckResult::End::Checked);
}

QCoro::Task<> ProxyCheck::checkLine(std::shared_ptr<Run> run, int index)
{
    const QString line = run->lines.at(index);
    if (!IsProxyLine(line)) {
        settle(*run, index, false);
        co_return;
    }
    const auto self = lifetimeGuard(this);
    TransferControl *control = run->newControl(this);
    ++run->underWay;
    const PageFetchRequest request{
        .address = EchoAddress(),
        .timeoutSeconds = run->responseSeconds,
        .proxy = line,
    };
    const QString answer = co_await FetchPageText(request, control);
    if (!self || run->ended)
        co_return;
    --run->underWay;
    run->release(control);
    const bool passed = ProxyPasses(answer, run->ownAddress);
    if (passed)
        m_reporter->ReportValidProxy(line);
    settle(*run, index, passed);
}

void ProxyCheck::settle(Run &run, int index, bool passed)
{
    run.verdicts[index] = passed ? Verdict::Valid : Verdict::Invalid;
    ++run.settled;
    Q_EMIT progressChanged(run.settled);
}

void ProxyCheck::finish(ProxyCheckResult::End end)
{
    const std::shared_ptr<Run> run = std::exchange(m_run, nullptr);
    run->ended = true;
    // Their fetches return empty from the event loop and find the check ended.
    for (const QPointer<TransferControl> &control : std::as_const(run->controls)) {
        if (control) {
            control->cancel();
            control->deleteLater();
        }
    }
    run->controls.clear();

    ProxyCheckResult result;
    result.end = end;
    if (end != ProxyCheckResult::End::NoOwnAddress) {
        result.lines = int(run->lines.size());
        for (qsizetype i = 0; i < run->lines.size(); ++i) {
            const QString entry = run->lines.at(i) + kLineEnd;
            switch (run->verdicts.at(i)) {
            case Verdict::Valid:
                ++result.valid;
                result.goodList += entry;
                break;
            case Verdict::Invalid:
                ++result.invalid;
                result.badList += entry;
                break;
            case Verdict::NotTested:
                ++result.notTested;
                result.goodList += entry;
                break;
            }
        }
    }
    Q_EMIT finished(result);
}
