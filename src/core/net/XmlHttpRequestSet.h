#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class XmlHttpRequest;

// A growable set of request components, numbered by the host (the report requests of the proxy list use members 1
// to 50). Members are loaded and released one by one; each event reaches the host with the member's number. All
// members send through one network access manager, so fifty requests share one connection pool.
//
// A member may be released from inside any of its own events: it stops at once, raises nothing more, and is
// deleted once control is back in the event loop. Its number is free again immediately.
class XmlHttpRequestSet final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XmlHttpRequestSet)

public:
    explicit XmlHttpRequestSet(QObject *parent = nullptr);
    ~XmlHttpRequestSet() override;

    // Creates member `index` (0 or more) and returns it; nullptr when that member is already loaded or the
    // number is negative.
    XmlHttpRequest *load(int index);
    // Ends the member's request without an event and releases it; nothing happens for a member not loaded.
    void unload(int index);
    bool isLoaded(int index) const { return m_members.contains(index); }
    // The loaded member, or nullptr.
    XmlHttpRequest *member(int index) const { return m_members.value(index); }
    // Numbers of the loaded members, ascending.
    QList<int> loadedIndexes() const { return m_members.keys(); }

Q_SIGNALS:
    void OnDateArrived(int index);
    void OnReadyStateChange(int index);
    void OnDateErr(int index, const QString &description);

private:
    QNetworkAccessManager *m_manager = nullptr;
    QMap<int, XmlHttpRequest *> m_members;
};
