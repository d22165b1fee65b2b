#include "core/net/SharedCookieJar.h"

#include <QCoreApplication>

SharedCookieJar::SharedCookieJar(QObject *parent) : QNetworkCookieJar(parent) {}

SharedCookieJar &SharedCookieJar::instance()
{
    static SharedCookieJar *jar = nullptr;
    if (!jar) {
        jar = new SharedCookieJar(QCoreApplication::instance());
        if (QCoreApplication::instance())
            QObject::connect(QCoreApplication::instance(), &QObject::destroyed, [] { jar = nullptr; });
    }
    return *jar;
}

bool SharedCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    bool added = false;
    for (QNetworkCookie cookie : cookieList) {
        cookie.normalize(url);
        if (!validateCookie(cookie, url))
            continue;
        // False for a cookie that is already expired: the answer deleted it, which the browser must learn too.
        if (insertCookie(cookie))
            added = true;
        Q_EMIT receivedFromNetwork(cookie, url);
    }
    return added;
}

void SharedCookieJar::mirrorAdded(const QNetworkCookie &cookie)
{
    insertCookie(cookie);
}

void SharedCookieJar::mirrorRemoved(const QNetworkCookie &cookie)
{
    // The browser reports the replaced cookie of an overwrite as removed, and that report may arrive after the
    // jar already holds the new value (from the answer that set it): only the value that was removed goes.
    const QList<QNetworkCookie> cookies = allCookies();
    for (const QNetworkCookie &held : cookies)
        if (held.hasSameIdentifier(cookie) && held.value() == cookie.value())
            deleteCookie(held);
}

void SharedCookieJar::clear()
{
    setAllCookies({});
    Q_EMIT changed();
}

void SharedCookieJar::restore(const QList<QNetworkCookie> &cookies)
{
    setAllCookies({});
    // One by one, so that an expired cookie is dropped and a later copy replaces an earlier one.
    for (const QNetworkCookie &cookie : cookies)
        QNetworkCookieJar::insertCookie(cookie);
    Q_EMIT changed();
}

bool SharedCookieJar::insertCookie(const QNetworkCookie &cookie)
{
    const bool kept = QNetworkCookieJar::insertCookie(cookie);
    Q_EMIT changed();
    return kept;
}

bool SharedCookieJar::deleteCookie(const QNetworkCookie &cookie)
{
    const bool deleted = QNetworkCookieJar::deleteCookie(cookie);
    if (deleted)
        Q_EMIT changed();
    return deleted;
}
