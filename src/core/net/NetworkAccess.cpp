#include "core/net/NetworkAccess.h"

#include "core/net/SharedCookieJar.h"

#include <QNetworkAccessManager>

namespace {
QByteArray &userAgent()
{
    static QByteArray agent = QByteArrayLiteral("Mozilla/5.0 (compatible; PaperHarvest/" PH_VERSION ")");
    return agent;
}
} // namespace

QNetworkAccessManager *NewNetworkAccess(QObject *parent)
{
    auto *manager = new QNetworkAccessManager(parent);
    SharedCookieJar &jar = SharedCookieJar::instance();
    QObject *owner = jar.parent();
    manager->setCookieJar(&jar);
    // setCookieJar adopts the jar; it is shared, so it goes back to its owner.
    jar.setParent(owner);
    return manager;
}

QByteArray ProgramUserAgent()
{
    return userAgent();
}

void SetProgramUserAgent(const QByteArray &agent)
{
    if (!agent.isEmpty())
        userAgent() = agent;
}
