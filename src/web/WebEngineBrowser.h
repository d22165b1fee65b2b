#pragma once

#include "core/net/Browser.h"

#include <QPointer>
#include <chrono>

class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;
class WebPage;

// The program's browser over Qt WebEngine. It works with no window at all (the batch mode, the tests) and inside a
// QWebEngineView: the view only has to show page().
class WebEngineBrowser final : public Browser
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebEngineBrowser)
public:
    // How long a read or click may take the page to answer before it counts as "no document" (a page stuck in a
    // script loop must not stop a run for ever). Not a pause of the program, so not subject to the test clock.
    static constexpr std::chrono::milliseconds kPageAnswerLimit{20000};
    // How long the server may take to say when a refused page may be asked again; a refusal is answered at once.
    static constexpr std::chrono::milliseconds kRetryAfterAnswerLimit{10000};

    // `profile` nullptr: the program's profile in the data folder. A profile passed in must outlive the browser.
    explicit WebEngineBrowser(QWebEngineProfile *profile = nullptr, QObject *parent = nullptr);
    ~WebEngineBrowser() override;

    QWebEnginePage *page() const;
    // Changes the answer limit for this browser (tests of a page that never answers).
    void setPageAnswerLimit(std::chrono::milliseconds limit) { m_answerLimit = limit; }

    void navigate(const QString &address) override;
    void refresh() override;
    void back() override;
    void forward() override;
    bool isBusy() const override { return m_busy; }
    void setSilent(bool on) override;
    bool isSilent() const override;
    QString currentUrl() const override;
    QString title() const override;
    PageLoad lastLoad() const override { return m_lastLoad; }
    QCoro::Task<QString> refusalRetryAfter() override;

    QCoro::Task<PageSnapshot> snapshot() override;
    QCoro::Task<QList<PageInput>> inputs() override;
    QCoro::Task<bool> hasElement(ElementRef element) override;
    QCoro::Task<bool> click(ElementRef element) override;
    QCoro::Task<bool> setValue(ElementRef element, const QString &value) override;

    void setFrameScripts(const QStringList &statements) override;
    QStringList frameScripts() const override { return m_frameScripts; }
    QCoro::Task<QVariant> runScript(const QString &statement) override;
    void runScriptInAllFrames(const QString &statement) override;

private:
    // Runs `source` in the page and waits for its value (invalid on failure or when the page does not answer).
    QCoro::Task<QVariant> evaluate(QString source, quint32 world);
    void setBusy(bool busy);
    void openRequestedWindow(const QUrl &url);
    void recordLoad(const QWebEngineLoadingInfo &info);
    // `status` is a QWebEnginePage::RenderProcessTerminationStatus.
    void endLoadStoppedBySizeGuard(const QUrl &url);
    void recordPageProcessEnd(int status, int exitCode);

    WebPage *m_page = nullptr;
    QString m_relayToken;
    QStringList m_frameScripts;
    bool m_busy = false;
    PageLoad m_lastLoad;
    std::chrono::milliseconds m_answerLimit = kPageAnswerLimit;
};
