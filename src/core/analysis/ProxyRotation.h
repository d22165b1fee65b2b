#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The proxy addresses the row fetches of an analysis go through, and the rotation through them.
//
// The list comes from ip.txt; the position used last survives restarts through a setting. Before every row fetch
// the analysis asks updateBeforeFetch() which proxy to use, and after the fetch tells recordFetch() whether the page
// came back. A proxy that failed kFailuresBeforeRotation fetches in a row is replaced by the next address of the
// list (the options dialog promises the user exactly that), and in proxy mode the first fetch already takes an
// address, so no request leaves without a proxy while the list has one.
class ProxyRotation final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProxyRotation)

public:
    // Consecutive failed fetches after which the next fetch takes the next address.
    static constexpr int kFailuresBeforeRotation = 5;

    explicit ProxyRotation(QObject *parent = nullptr);

    // Main window load: the proxy mode, the stored position and the lines of ip.txt. Without proxy mode the status
    // text becomes the "no proxy" text.
    void load();
    // Main window unload: stores the position used last.
    void store() const;

    // The options dialog's OK: a new mode takes effect at the next row fetch, a new list at the next rotation.
    void setUseProxyList(bool use);
    void setProxyList(const QStringList &list);
    // ip.txt split at CR LF; one empty element when the file is missing or empty.
    static QStringList readProxyListFile();

    bool UseProxyList() const { return m_useProxyList; }
    const QStringList &ProxyList() const { return m_proxyList; }
    int ProxyIndex() const { return m_proxyIndex; }
    void setProxyIndex(int index) { m_proxyIndex = index; }
    const QString &CurrentProxy() const { return m_currentProxy; }
    int ProxyFetchCount() const { return m_proxyFetchCount; }

    // The next usable address of the list, moving ProxyIndex onto it; empty (after the error message) when the list
    // holds no usable address, or (without a message) when proxy mode is off.
    QString 下一个IP代理();

    // Called before each row fetch: decides CurrentProxy (rotating when due), updates the status text and returns
    // the proxy address for the fetch (empty: direct connection).
    QString updateBeforeFetch();
    // Called after each row fetch with whether it returned a usable page.
    void recordFetch(bool pageReturned);

    // Status-bar text of the proxy state; empty until something set it.
    const QString &statusText() const { return m_statusText; }

    // The status-bar text while `address` is the proxy in use.
    static QString proxyText(const QString &address);

Q_SIGNALS:
    void statusTextChanged(const QString &text);

private:
    void setStatusText(const QString &text);

    bool m_useProxyList = false;
    QStringList m_proxyList{QString()};
    int m_proxyIndex = 0;
    QString m_currentProxy;
    int m_proxyFetchCount = 0;
    // False until proxy mode took its first address (again after the mode was switched on).
    bool m_firstAddressTaken = false;
    QString m_statusText;
};
