#include "core/analysis/ProxyRotation.h"

#include "core/analysis/AnalysisTexts.h"
#include "core/store/Settings.h"
#include "core/util/DataFolder.h"
#include "core/util/Prompt.h"
#include "core/util/TextFile.h"

#include <QRegularExpression>

ProxyRotation::ProxyRotation(QObject *parent) : QObject(parent) {}

QString ProxyRotation::proxyText(const QString &address)
{
    return AnalysisTexts::kProxyInUse + address;
}

QStringList ProxyRotation::readProxyListFile()
{
    const QString text = TextFile::readText(DataFolder::filePath(QStringLiteral("ip.txt"))).value_or(QString());
    if (text.isEmpty())
        return {QString()};
    // Lines end in CR LF; a list edited with a tool that writes bare LF or CR reads the same.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    return text.split(lineEnd);
}

void ProxyRotation::load()
{
    m_useProxyList = SettingKeys::使用ip代理.read();
    m_proxyIndex = SettingKeys::代理ip使用index.read();
    m_proxyList = readProxyListFile();
    m_currentProxy.clear();
    m_proxyFetchCount = 0;
    m_firstAddressTaken = false;
    if (!m_useProxyList)
        setStatusText(AnalysisTexts::kNoProxy);
}

void ProxyRotation::store() const
{
    SettingKeys::代理ip使用index.write(m_proxyIndex);
}

void ProxyRotation::setUseProxyList(bool use)
{
    if (use && !m_useProxyList)
        m_firstAddressTaken = false;
    m_useProxyList = use;
    if (!use)
        setStatusText(AnalysisTexts::kNoProxy);
}

void ProxyRotation::setProxyList(const QStringList &list)
{
    m_proxyList = list.isEmpty() ? QStringList{QString()} : list;
}

QString ProxyRotation::下一个IP代理()
{
    if (!m_useProxyList) {
        setStatusText(AnalysisTexts::kNoProxy);
        return {};
    }
    // Blank lines (a file that ends with CR LF has one) are stepped over: stopping an unattended run with a
    // message box and sending that fetch without a proxy, only because of a trailing line break, helps nobody.
    // Only a list without any address is reported.
    const auto count = m_proxyList.size();
    for (qsizetype step = 0; step < count; ++step) {
        ++m_proxyIndex;
        if (m_proxyIndex < 0 || m_proxyIndex >= count)
            m_proxyIndex = 0;
        const QString entry = m_proxyList.at(m_proxyIndex).trimmed();
        if (!entry.isEmpty()) {
            setStatusText(proxyText(entry));
            return entry;
        }
    }
    Prompt::current().message(AnalysisTexts::kBadProxyList, Prompt::Icon::Critical);
    return {};
}

QString ProxyRotation::updateBeforeFetch()
{
    if (!m_useProxyList) {
        m_currentProxy.clear();
    } else if (!m_firstAddressTaken || m_proxyFetchCount >= kFailuresBeforeRotation) {
        m_firstAddressTaken = true;
        m_currentProxy = 下一个IP代理();
        if (!m_currentProxy.isEmpty())
            m_proxyFetchCount = 0;
    }
    setStatusText(m_currentProxy.isEmpty() ? AnalysisTexts::kNoProxy : proxyText(m_currentProxy));
    return m_currentProxy;
}

void ProxyRotation::recordFetch(bool pageReturned)
{
    if (pageReturned)
        m_proxyFetchCount = 0;
    else if (m_proxyFetchCount < kFailuresBeforeRotation)
        ++m_proxyFetchCount;
}

void ProxyRotation::setStatusText(const QString &text)
{
    m_statusText = text;
    // Emitted also when unchanged: every fetch announces its proxy afresh.
    Q_EMIT statusTextChanged(text);
}
