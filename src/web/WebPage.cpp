#include "web/WebPage.h"

#include <QWebEngineNewWindowRequest>

WebPage::WebPage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent)
{
    // The request carries the target address; answering it here (without openIn) leaves no window behind.
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) { Q_EMIT newWindowWanted(request.requestedUrl()); });
}

QWebEnginePage *WebPage::createWindow(WebWindowType)
{
    // Never a second window: the address was already taken over by newWindowWanted.
    return nullptr;
}

void WebPage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    if (m_silent) {
        Q_EMIT scriptDialogSuppressed(QStringLiteral("alert"), msg);
        return;
    }
    QWebEnginePage::javaScriptAlert(securityOrigin, msg);
}

bool WebPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    if (m_silent) {
        Q_EMIT scriptDialogSuppressed(QStringLiteral("confirm"), msg);
        return false;
    }
    return QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
}

bool WebPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                               QString *result)
{
    if (m_silent) {
        Q_EMIT scriptDialogSuppressed(QStringLiteral("prompt"), msg);
        return false;
    }
    return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
}

void WebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                       const QString &sourceID)
{
    if (m_silent)
        return;
    QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
}
