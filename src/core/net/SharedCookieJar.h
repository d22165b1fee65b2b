#pragma once

#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QUrl>

// The program's one cookie jar: every network access manager of the program sends and keeps its cookies here
// (NewNetworkAccess), so the page fetches, both download engines and the request component share one session.
// The web layer mirrors the embedded browser's cookie store into it and passes on what the network answers set,
// so a login or a solved verification in the browser counts for the fetches too, and the other way round.
//
// Shared between managers, so no manager owns it: it lives as long as the application object.
class SharedCookieJar final : public QNetworkCookieJar
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SharedCookieJar)
public:
    static SharedCookieJar &instance();

    // A network answer's Set-Cookie headers; each accepted cookie (a deletion too) is also announced.
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;

    // The browser's store added or replaced a cookie, or removed one. Not announced: it came from the browser.
    void mirrorAdded(const QNetworkCookie &cookie);
    void mirrorRemoved(const QNetworkCookie &cookie);
    // Every cookie dropped (the browser's store is about to be read anew).
    void clear();
    // Every cookie held, and a set to hold instead (what a profile kept from its last run).
    QList<QNetworkCookie> heldCookies() const { return allCookies(); }
    void restore(const QList<QNetworkCookie> &cookies);

    bool insertCookie(const QNetworkCookie &cookie) override;
    bool deleteCookie(const QNetworkCookie &cookie) override;

    // Cookies that would go with a request to `url` (what cookiesForUrl gives; public for tests and the bridge).
    QList<QNetworkCookie> cookiesFor(const QUrl &url) const { return cookiesForUrl(url); }

Q_SIGNALS:
    // A network answer set (or, with an expiry in the past, deleted) `cookie` for `origin`.
    void receivedFromNetwork(const QNetworkCookie &cookie, const QUrl &origin);
    // A cookie was added, replaced or deleted, whoever did it.
    void changed();

private:
    explicit SharedCookieJar(QObject *parent);
};
