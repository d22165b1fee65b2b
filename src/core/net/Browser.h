#pragma once

#include <QCoroTask>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// One A element of a page, as the document shows it.
struct PageAnchor {
    QString innerText;
    QString innerHtml;
    QString className;
    // The link target resolved against the document's address; empty when the anchor has no href.
    QString href;
};

// One DIV element of a page with the first A element found under it (document order), if any.
struct PageDiv {
    QString className;
    std::optional<PageAnchor> firstAnchor;
    // For a result block only: the texts of its elements that the page script's named selectors matched, in
    // document order, by part name (the citation parts of the search service's markup).
    QMap<QString, QStringList> parts = {};
};

// The largest page, in characters of its HTML, that the program reads out of the browser. Result pages are a few
// hundred kilobytes; reading a page of tens of megabytes took the browser to gigabytes of memory.
inline constexpr qsizetype kPageReadLimit = 8 * 1024 * 1024;

// What the program reads of the top-level document in one go. Reading it all at once keeps the page from
// changing between the reads that a harvest makes.
struct PageSnapshot {
    // False when there is no document to read (no page yet, a page that cannot be scripted, a page that did not
    // answer in time). Every other field is empty then.
    bool hasDocument = false;
    // The document's address.
    QString url;
    // The root element's outer HTML: the page text as the program sees it.
    QString outerHtml;
    // Every DIV element of the document, in document order.
    QList<PageDiv> divs;
    // Every A element of the document, in document order. The position in this list is the index that
    // ElementRef::byTag(u"a", index) clicks.
    QList<PageAnchor> anchors;
    // The page's size in characters when it is larger than kPageReadLimit and was not read (hasDocument is false
    // then); 0 otherwise.
    qsizetype oversize = 0;
};

// How the last top-level load ended, as far as the page itself cannot tell: an HTTP error status or no page at all.
struct PageLoad {
    QString url;
    // The HTTP status when the server answered with an error (400 and above); 0 otherwise.
    int httpStatus = 0;
    // Why no page arrived (connection refused, name not resolved, TLS failure, time-out); empty when one did.
    QString failure;
    // The answer's Retry-After header, where the browser engine lets the program see the answer's headers (Qt
    // WebEngine from 6.6 on); empty otherwise. Browser::refusalRetryAfter asks for it where it cannot be seen.
    QString retryAfter = {};
};

// One INPUT element of the top-level document (login forms).
struct PageInput {
    QString id;
    QString name;
    QString type;
    QString value;
};

// Names one element of the top-level document: the index-th element with a tag name (document order, as
// getElementsByTagName gives them), or the element with an identifier.
struct ElementRef {
    QString tagName;
    int index = -1;
    QString id;

    static ElementRef byTag(const QString &tagName, int index) { return {tagName, index, {}}; }
    static ElementRef byId(const QString &id) { return {{}, -1, id}; }
};

// The embedded HTML browser as the program uses it: the main window's search browser, the download window's
// login browser and the batch mode's page engine all drive one of these. The program only talks to this
// interface; the web layer implements it over Qt WebEngine, in a window or with no window at all.
//
// Reads of the document are asynchronous because the page lives in another process; they never throw and give
// an empty result when there is nothing to read. Every event arrives on the thread that owns the browser.
// A browser must not be destroyed while one of its reads is being awaited.
class Browser : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Browser() override = default;

    // Starts loading `address` and returns at once. Busy becomes true immediately.
    virtual void navigate(const QString &address) = 0;
    // Loads the current page again.
    virtual void refresh() = 0;
    // History steps; a missing step is ignored.
    virtual void back() = 0;
    virtual void forward() = 0;
    // True from the moment a load is started until the top-level document has finished loading.
    virtual bool isBusy() const = 0;

    // Silent on: pages cannot show dialogs (script errors, alerts, confirmations, prompts are answered quietly)
    // and their console output is dropped. Silent off: dialogs go to whatever view shows the page (none when the
    // browser runs without a window).
    virtual void setSilent(bool on) = 0;
    virtual bool isSilent() const = 0;

    // The address and title of the page on screen (without a round trip to the page).
    virtual QString currentUrl() const = 0;
    virtual QString title() const = 0;

    // How the last top-level load that ended went; empty before the first one.
    virtual PageLoad lastLoad() const = 0;
    // When the server that turned the last load away (429, 503) may be asked again: its answer's Retry-After value,
    // empty when it named none or it did not turn the load away. A browser that does not see the answer's headers
    // asks the server.
    virtual QCoro::Task<QString> refusalRetryAfter() { co_return lastLoad().retryAfter; }

    // The current top-level document, read in one go.
    virtual QCoro::Task<PageSnapshot> snapshot() = 0;
    // Every INPUT element of the top-level document, in document order.
    virtual QCoro::Task<QList<PageInput>> inputs() = 0;
    // Whether the element exists.
    virtual QCoro::Task<bool> hasElement(ElementRef element) = 0;
    // Clicks the element as a user would (its click handlers run, a link is followed). False when there is no
    // such element.
    virtual QCoro::Task<bool> click(ElementRef element) = 0;
    // Sets the element's value property. False when there is no such element.
    virtual QCoro::Task<bool> setValue(ElementRef element, const QString &value) = 0;

    // Statements that every document window runs as soon as it is created, in the top-level page and in every
    // inner frame at any depth, before the page's own scripts. Each statement runs on its own, in order; one that
    // fails is skipped. Replaces the previous list; takes effect from the next document on.
    virtual void setFrameScripts(const QStringList &statements) = 0;
    virtual QStringList frameScripts() const = 0;
    // Runs one script statement in the top-level document's window; the statement's value, or an invalid
    // QVariant when it failed or there is no document.
    virtual QCoro::Task<QVariant> runScript(const QString &statement) = 0;
    // Runs one script statement in the window of the top-level document and of every inner frame at any depth,
    // each in its own window, whatever its origin. Returns once the statement has been handed to the page; a
    // frame that rejects it is skipped.
    virtual void runScriptInAllFrames(const QString &statement) = 0;

Q_SIGNALS:
    // The top-level document finished loading (inner frames are not reported: nothing waits for them).
    void documentComplete(const QString &url);
    // The top-level browser committed to a new address.
    void navigateComplete(const QString &url);
    void busyChanged(bool busy);
    // The status text a browser shows at its bottom edge (the address under the mouse, empty otherwise).
    void statusTextChanged(const QString &text);
    void titleChanged(const QString &title);
    // A page asked for a new window. No window opens: the address (unless empty or about:blank) has already been
    // opened in this browser when this is emitted.
    void newWindowRequested(const QString &url);
    // A page asked to close the browser window; always refused.
    void windowClosingRefused();
    // A page asked for a script dialog (kind "alert", "confirm" or "prompt") and silent mode answered it quietly.
    void scriptDialogSuppressed(const QString &kind, const QString &text);
};
