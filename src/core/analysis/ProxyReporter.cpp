#include "core/analysis/ProxyReporter.h"

#include "core/analysis/ProxyEcho.h"
#include "core/net/XmlHttpRequest.h"
#include "core/net/XmlHttpRequestSet.h"
#include "core/util/Clock.h"
#include "core/util/ClockTimer.h"

ProxyReporter::ProxyReporter(QObject *parent)
    : QObject(parent), m_uXMLHTTP1(new XmlHttpRequestSet(this)), m_timer1(new ClockTimer(this))
{
    m_timer1->setInterval(kSweepInterval);
    connect(m_timer1, &ClockTimer::timeout, this, &ProxyReporter::ReleaseStaleReporters);
    // The answer means nothing to us; either end frees the slot.
    connect(m_uXMLHTTP1, &XmlHttpRequestSet::OnDateArrived, this, &ProxyReporter::release);
    connect(m_uXMLHTTP1, &XmlHttpRequestSet::OnDateErr, this, [this](int index) { release(index); });
}

ProxyReporter::~ProxyReporter() = default;

void ProxyReporter::ReportValidProxy(const QString &address)
{
    if (!ProxyServiceConfigured())
        return;
    for (int index = 1; index <= kMaxReports; ++index) {
        if (m_uXMLHTTP1->isLoaded(index))
            continue;
        XmlHttpRequest *request = m_uXMLHTTP1->load(index);
        m_startedMs[index] = Clock::monotonicMs();
        request->Open_(QStringLiteral("GET"), CollectionAddress(address));
        request->Send_();
        if (!m_timer1->isActive())
            m_timer1->start();
        return;
    }
}

void ProxyReporter::ReleaseStaleReporters()
{
    const qint64 now = Clock::monotonicMs();
    for (const int index : m_uXMLHTTP1->loadedIndexes()) {
        if (index < 1 || index > kMaxReports)
            continue;
        const std::optional<qint64> started = m_startedMs[index];
        if (!started || now - *started > std::chrono::milliseconds(kStaleAfter).count())
            release(index);
    }
}

int ProxyReporter::busyCount() const
{
    return int(m_uXMLHTTP1->loadedIndexes().size());
}

void ProxyReporter::release(int index)
{
    m_uXMLHTTP1->unload(index);
    if (index >= 1 && index <= kMaxReports)
        m_startedMs[index].reset();
    if (m_uXMLHTTP1->loadedIndexes().isEmpty())
        m_timer1->stop();
}
