#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class ClockTimer;
class QWebEngineProfile;
class SharedCookieJar;

// Joins a browser profile's cookie store to the network layer's jar (SharedCookieJar) in both directions: what a
// page sets reaches the fetches and the download engines, what an answer to them sets reaches the pages, and the
// profile keeps it all on disk. Also gives the network layer the browser's user agent.
//
// The jar mirrors one profile at a time: the bridge of the newest profile holds it. The jar is also kept in a file
// beside the profile's own cookies: the browser does not tell what it read from disk (Qt WebEngine 6.4 reports
// neither those cookies nor, on request, its whole store), so the fetches of a new run would otherwise start
// without the session the last run had.
class CookieBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CookieBridge)
public:
    // Bridges `profile` (the bridge becomes its child) and makes the jar a copy of its store.
    static CookieBridge *install(QWebEngineProfile *profile);
    ~CookieBridge() override;

    // How long the jar may change before it is written out; writes at the end in any case.
    static constexpr int kSaveDelayMs = 2000;

private:
    explicit CookieBridge(QWebEngineProfile *profile);
    void load();
    void save();

    QPointer<SharedCookieJar> m_jar;
    QString m_file;
    ClockTimer *m_saveTimer = nullptr;
};

// From now on the program's profile (ProgramWebProfile, the current one and any made later) shares its cookies
// with the network layer. The windows and the batch call it once at start.
void ShareProgramCookies();
bool ProgramCookiesShared();
