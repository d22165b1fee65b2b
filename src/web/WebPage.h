#pragma once

#include <QWebEnginePage>

// The page behind every browser of the program. It owns the navigation policy towards the pages it shows: no page
// opens a window of its own (new-window requests load in this page instead), closes the browser, or, in silent
// mode, shows a dialog or writes to the console.
class WebPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebPage)
public:
    explicit WebPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    void setSilent(bool on) { m_silent = on; }
    bool isSilent() const { return m_silent; }

Q_SIGNALS:
    // A page asked for a new window; `url` is where it wanted to go (empty when it did not say).
    void newWindowWanted(const QUrl &url);
    void scriptDialogSuppressed(const QString &kind, const QString &text);

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    bool m_silent = false;
};
