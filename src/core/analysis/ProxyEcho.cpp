#include "core/analysis/ProxyEcho.h"

#include "core/util/Deployment.h"
#include "core/util/UrlText.h"

#include <QHostAddress>
#include <QUrl>

namespace {
constexpr int kEchoQueryDigits = 25;
constexpr int kReportNonceLength = 10;
constexpr int kShortestAnswer = 9;
constexpr int kLongestAnswer = 22;
} // namespace

QString EchoAddress()
{
    return Deployment::proxyServiceBase() + QStringLiteral("/ip.asp?xxx=") + RandomDigits(kEchoQueryDigits);
}

QString CollectionAddress(const QString &proxy)
{
    return Deployment::proxyServiceBase() + QStringLiteral("/zxipproxy/upip.asp?ip=") + EscapeQueryValue(proxy) +
           QStringLiteral("&r=") + RandomAlphanumeric(kReportNonceLength);
}

bool ProxyServiceConfigured()
{
    return !Deployment::isPlaceholder(Deployment::proxyServiceBase());
}

bool IsProxyLine(const QString &line)
{
    const QString text = line.trimmed();
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    const QString port = text.mid(colon + 1);
    bool numeric = false;
    const int number = port.toInt(&numeric);
    if (!numeric || number < 1 || number > 65535 || port.front() == QLatin1Char('+'))
        return false;
    QUrl url;
    url.setHost(text.left(colon), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}

bool IsEchoAnswer(const QString &answer)
{
    const QString text = answer.trimmed();
    return text.size() >= kShortestAnswer && text.size() <= kLongestAnswer && !QHostAddress(text).isNull();
}

bool ProxyPasses(const QString &answer, const QString &ownAddress)
{
    return IsEchoAnswer(answer) && answer.trimmed() != ownAddress.trimmed();
}
