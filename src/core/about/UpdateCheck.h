#pragma once

#include <QObject>
#include <QString>

class XmlHttpRequest;

// The update check: asks the maker's update server for the newest version through the request component
// `uXMLHTTP2` and, when that is above the program's own, remembers it (NewestVersionText) and says so. The request
// runs in the background; its end arrives later from the event loop, so starting a check never waits. A check
// started while one runs replaces it.
class UpdateCheck final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateCheck)
public:
    explicit UpdateCheck(QObject *parent = nullptr);
    ~UpdateCheck() override;

    void start();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    // The server named `version`, above the program's own; NewestVersionText() holds it already.
    void newerVersionFound(const QString &version);
    // The request failed; "请保持网络畅通！" has been shown.
    void failed();
    // The check is over, whatever it found (after the signals above).
    void finished();

private:
    void onArrived();
    void onError();
    void finish();

    XmlHttpRequest *m_request = nullptr;
    bool m_running = false;
};
