#include "web/CookieBridge.h"

#include "core/net/NetworkAccess.h"
#include "core/net/SharedCookieJar.h"
#include "core/util/ClockTimer.h"
#include "web/WebProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkCookie>
#include <QPointer>
#include <QSaveFile>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {
bool s_shared = false;
QPointer<CookieBridge> s_current;
const QString kJarFileName = QStringLiteral("/network-cookies");
} // namespace

CookieBridge::CookieBridge(QWebEngineProfile *profile)
    : QObject(profile), m_jar(&SharedCookieJar::instance()),
      m_file(profile->isOffTheRecord() ? QString() : profile->persistentStoragePath() + kJarFileName),
      m_saveTimer(new ClockTimer(this))
{
    SharedCookieJar &jar = *m_jar;
    QWebEngineCookieStore *store = profile->cookieStore();
    load();
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(std::chrono::milliseconds(kSaveDelayMs));
    connect(m_saveTimer, &ClockTimer::timeout, this, &CookieBridge::save);
    connect(&jar, &SharedCookieJar::changed, this, [this] {
        if (!m_saveTimer->isActive())
            m_saveTimer->start();
    });
    connect(store, &QWebEngineCookieStore::cookieAdded, this,
            [](const QNetworkCookie &cookie) { SharedCookieJar::instance().mirrorAdded(cookie); });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this,
            [](const QNetworkCookie &cookie) { SharedCookieJar::instance().mirrorRemoved(cookie); });
    connect(&jar, &SharedCookieJar::receivedFromNetwork, this,
            [store](const QNetworkCookie &cookie, const QUrl &origin) {
                QNetworkCookie forBrowser = cookie;
                // A cookie without a Domain attribute belongs to its host alone; named with that host's domain
                // the browser would widen it to every subdomain.
                if (!forBrowser.domain().startsWith(QLatin1Char('.')))
                    forBrowser.setDomain(QString());
                store->setCookie(forBrowser, origin);
            });
    // The profile opens its cookie store with its first page, and until then keeps every write to the store
    // waiting and drops a request to read it all. The jar is needed before that (a batch whose analysis runs
    // without a search, a fetch before the first window): one blank page brings the store up, it stays up when
    // the page goes, and then the store can be read.
    auto *starter = new QWebEnginePage(profile, this);
    connect(starter, &QWebEnginePage::loadFinished, this, [starter, store] {
        store->loadAllCookies();
        starter->deleteLater();
    });
    starter->load(QUrl(QStringLiteral("about:blank")));
    SetProgramUserAgent(profile->httpUserAgent().toLatin1());
}

CookieBridge::~CookieBridge()
{
    save();
}

void CookieBridge::load()
{
    QList<QNetworkCookie> cookies;
    QFile file(m_file);
    if (!m_file.isEmpty() && file.open(QIODevice::ReadOnly))
        while (!file.atEnd())
            cookies += QNetworkCookie::parseCookies(file.readLine().trimmed());
    m_jar->restore(cookies);
}

void CookieBridge::save()
{
    m_saveTimer->stop();
    // The jar goes with the application object, and may be gone first at the very end.
    if (!m_jar || m_file.isEmpty())
        return;
    QDir().mkpath(QFileInfo(m_file).path());
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly))
        return;
    // Sessions: for the user's eyes only, as the browser's own cookie file.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QList<QNetworkCookie> cookies = m_jar->heldCookies();
    for (const QNetworkCookie &cookie : cookies)
        file.write(cookie.toRawForm() + '\n');
    file.commit();
}

CookieBridge *CookieBridge::install(QWebEngineProfile *profile)
{
    if (s_current && s_current->parent() == profile)
        return s_current;
    // The jar follows the newest profile only; an older one may live on for its last pages.
    delete s_current;
    s_current = new CookieBridge(profile);
    return s_current;
}

void ShareProgramCookies()
{
    s_shared = true;
    CookieBridge::install(ProgramWebProfile());
}

bool ProgramCookiesShared()
{
    return s_shared;
}
