#include "web/WebEngineBrowser.h"

#include "core/net/RetryAfterQuestion.h"
#include "core/net/RetryRule.h"
#include "core/net/SignalWait.h"
#include "web/PageScripts.h"
#include "web/WebPage.h"
#include "web/WebProfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QUuid>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

const QString kRelayScriptName = QStringLiteral("paperharvest-frame-relay");
const QString kSizeGuardName = QStringLiteral("paperharvest-size-guard");
const QString kFrameScriptPrefix = QStringLiteral("paperharvest-frame-statement-");

// The answer of one script run; lives until the awaiting read has taken the value.
class ScriptAnswer final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    QVariant value;
    bool done = false;
Q_SIGNALS:
    void answered();
};

PageAnchor anchorFrom(const QJsonObject &o)
{
    return {o.value(u"innerText").toString(), o.value(u"innerHtml").toString(), o.value(u"className").toString(),
            o.value(u"href").toString()};
}

QJsonDocument jsonFrom(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return {};
    return QJsonDocument::fromJson(value.toString().toUtf8());
}

QWebEngineScript frameScript(const QString &name, const QString &source)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    return script;
}

} // namespace

WebEngineBrowser::WebEngineBrowser(QWebEngineProfile *profile, QObject *parent)
    : Browser(parent), m_page(new WebPage(profile ? profile : ProgramWebProfile(), this)),
      m_relayToken(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    m_page->scripts().insert(frameScript(kRelayScriptName, PageScripts::frameRelay(m_relayToken)));
    QWebEngineScript guard;
    guard.setName(kSizeGuardName);
    guard.setSourceCode(PageScripts::sizeGuard());
    guard.setInjectionPoint(QWebEngineScript::DocumentCreation);
    guard.setWorldId(QWebEngineScript::ApplicationWorld);
    m_page->scripts().insert(guard);

    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            setBusy(true);
            break;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            setBusy(false);
            endLoadStoppedBySizeGuard(info.url());
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            // A failed load still leaves a document (the error page), as the completion of any load does.
            recordLoad(info);
            setBusy(false);
            Q_EMIT documentComplete(info.url().toString(QUrl::FullyEncoded));
            break;
        }
    });
    connect(m_page, &QWebEnginePage::urlChanged, this,
            [this](const QUrl &url) { Q_EMIT navigateComplete(url.toString(QUrl::FullyEncoded)); });
    connect(m_page, &QWebEnginePage::linkHovered, this, &Browser::statusTextChanged);
    connect(m_page, &QWebEnginePage::titleChanged, this, &Browser::titleChanged);
    connect(m_page, &QWebEnginePage::windowCloseRequested, this, &Browser::windowClosingRefused);
    connect(m_page, &WebPage::newWindowWanted, this, &WebEngineBrowser::openRequestedWindow);
    connect(m_page, &WebPage::scriptDialogSuppressed, this, &Browser::scriptDialogSuppressed);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                recordPageProcessEnd(int(status), exitCode);
            });
}

WebEngineBrowser::~WebEngineBrowser()
{
    // The page goes first, while the profile it uses is certainly alive.
    delete m_page;
}

QWebEnginePage *WebEngineBrowser::page() const
{
    return m_page;
}

void WebEngineBrowser::recordPageProcessEnd(int status, int exitCode)
{
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    // A page too big for the memory takes its process down; that is a page that did not arrive, not an empty one.
    const QString how =
        status == QWebEnginePage::KilledTerminationStatus ? QStringLiteral("killed") : QStringLiteral("crashed");
    m_lastLoad.failure = QStringLiteral("the page's process was %1 (exit code %2)").arg(how).arg(exitCode);
    // A load in flight never completes now.
    if (m_busy) {
        setBusy(false);
        Q_EMIT documentComplete(currentUrl());
    }
}

void WebEngineBrowser::endLoadStoppedBySizeGuard(const QUrl &url)
{
    // A load the size guard stopped has ended as far as it ever will, and its snapshot tells why; one the user
    // stopped is no completed document.
    m_page->runJavaScript(QStringLiteral("typeof window.paperHarvestStoppedAt === 'number'"),
                          QWebEngineScript::ApplicationWorld, [self = QPointer(this), url](const QVariant &stopped) {
                              if (self && stopped.toBool())
                                  Q_EMIT self->documentComplete(url.toString(QUrl::FullyEncoded));
                          });
}

void WebEngineBrowser::recordLoad(const QWebEngineLoadingInfo &info)
{
    m_lastLoad = {info.url().toString(QUrl::FullyEncoded), 0, {}};
    // A load given up for another one (a new navigation, a link that turned out to be a download) is no failure.
    constexpr int kAborted = -3;
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus || info.errorCode() == kAborted)
        return;
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
        m_lastLoad.httpStatus = info.errorCode();
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        m_lastLoad.retryAfter = QString::fromLatin1(info.responseHeaders().value(QByteArrayLiteral("Retry-After")));
#endif
    } else if (info.errorDomain() != QWebEngineLoadingInfo::NoErrorDomain)
        m_lastLoad.failure =
            info.errorString().isEmpty() ? QStringLiteral("error %1").arg(info.errorCode()) : info.errorString();
}

QCoro::Task<QString> WebEngineBrowser::refusalRetryAfter()
{
    const PageLoad load = m_lastLoad;
    if (!RetryRule::IsRetryStatus(load.httpStatus))
        co_return {};
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    co_return load.retryAfter;
#else
    // This engine does not hand the program a load's headers: without asking, a server that wants two minutes
    // would be asked again after five seconds.
    co_return co_await AskRetryAfter(QUrl(load.url), kRetryAfterAnswerLimit);
#endif
}

void WebEngineBrowser::navigate(const QString &address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return;
    setBusy(true);
    m_page->load(QUrl::fromUserInput(trimmed));
}

void WebEngineBrowser::refresh()
{
    setBusy(true);
    m_page->triggerAction(QWebEnginePage::Reload);
}

void WebEngineBrowser::back()
{
    if (m_page->history()->canGoBack())
        m_page->history()->back();
}

void WebEngineBrowser::forward()
{
    if (m_page->history()->canGoForward())
        m_page->history()->forward();
}

void WebEngineBrowser::setSilent(bool on)
{
    m_page->setSilent(on);
}

bool WebEngineBrowser::isSilent() const
{
    return m_page->isSilent();
}

QString WebEngineBrowser::currentUrl() const
{
    return m_page->url().toString(QUrl::FullyEncoded);
}

QString WebEngineBrowser::title() const
{
    return m_page->title();
}

void WebEngineBrowser::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged(busy);
}

void WebEngineBrowser::openRequestedWindow(const QUrl &url)
{
    const QString address = url.toString(QUrl::FullyEncoded);
    if (!address.isEmpty() && address.compare(u"about:blank", Qt::CaseInsensitive) != 0)
        navigate(address);
    Q_EMIT newWindowRequested(address);
}

QCoro::Task<QVariant> WebEngineBrowser::evaluate(QString source, quint32 world)
{
    auto *answer = new ScriptAnswer(this);
    QPointer<ScriptAnswer> guard(answer);
    m_page->runJavaScript(source, world, [guard](const QVariant &value) {
        if (!guard || guard->done)
            return;
        guard->value = value;
        guard->done = true;
        Q_EMIT guard->answered();
    });
    if (!answer->done)
        co_await waitForSignal(answer, &ScriptAnswer::answered, m_answerLimit);
    // Touch nothing but the guard from here on: the browser may have gone while the page was thinking.
    if (!guard)
        co_return QVariant();
    QVariant value = guard->done ? guard->value : QVariant();
    guard->deleteLater();
    co_return value;
}

QCoro::Task<PageSnapshot> WebEngineBrowser::snapshot()
{
    const QJsonObject o =
        jsonFrom(co_await evaluate(PageScripts::snapshot(), QWebEngineScript::ApplicationWorld)).object();
    PageSnapshot s;
    if (!o.value(u"hasDocument").toBool()) {
        s.oversize = qsizetype(o.value(u"oversize").toDouble());
        co_return s;
    }
    s.hasDocument = true;
    s.url = o.value(u"url").toString();
    s.outerHtml = o.value(u"outerHtml").toString();
    const QJsonArray divs = o.value(u"divs").toArray();
    s.divs.reserve(divs.size());
    for (const QJsonValue &d : divs) {
        const QJsonObject div = d.toObject();
        PageDiv pageDiv{div.value(u"className").toString(), std::nullopt, {}};
        if (div.value(u"firstAnchor").isObject())
            pageDiv.firstAnchor = anchorFrom(div.value(u"firstAnchor").toObject());
        const QJsonObject parts = div.value(u"parts").toObject();
        for (auto it = parts.begin(); it != parts.end(); ++it) {
            QStringList texts;
            for (const QJsonValue &t : it.value().toArray())
                texts.append(t.toString());
            pageDiv.parts.insert(it.key(), texts);
        }
        s.divs.append(std::move(pageDiv));
    }
    const QJsonArray anchors = o.value(u"anchors").toArray();
    s.anchors.reserve(anchors.size());
    for (const QJsonValue &a : anchors)
        s.anchors.append(anchorFrom(a.toObject()));
    co_return s;
}

QCoro::Task<QList<PageInput>> WebEngineBrowser::inputs()
{
    const QJsonArray list =
        jsonFrom(co_await evaluate(PageScripts::inputs(), QWebEngineScript::ApplicationWorld)).array();
    QList<PageInput> result;
    result.reserve(list.size());
    for (const QJsonValue &v : list) {
        const QJsonObject o = v.toObject();
        result.append({o.value(u"id").toString(), o.value(u"name").toString(), o.value(u"type").toString(),
                       o.value(u"value").toString()});
    }
    co_return result;
}

QCoro::Task<bool> WebEngineBrowser::hasElement(ElementRef element)
{
    const QVariant v = co_await evaluate(
        PageScripts::elementOperation(element.tagName, element.index, element.id, QStringLiteral("exists")),
        QWebEngineScript::ApplicationWorld);
    co_return v.toBool();
}

QCoro::Task<bool> WebEngineBrowser::click(ElementRef element)
{
    const QVariant v = co_await evaluate(
        PageScripts::elementOperation(element.tagName, element.index, element.id, QStringLiteral("click")),
        QWebEngineScript::ApplicationWorld);
    co_return v.toBool();
}

QCoro::Task<bool> WebEngineBrowser::setValue(ElementRef element, const QString &value)
{
    const QVariant v = co_await evaluate(
        PageScripts::elementOperation(element.tagName, element.index, element.id, QStringLiteral("setValue"), value),
        QWebEngineScript::ApplicationWorld);
    co_return v.toBool();
}

void WebEngineBrowser::setFrameScripts(const QStringList &statements)
{
    QWebEngineScriptCollection &scripts = m_page->scripts();
    const QList<QWebEngineScript> all = scripts.toList();
    for (const QWebEngineScript &script : all) {
        if (script.name().startsWith(kFrameScriptPrefix))
            scripts.remove(script);
    }
    m_frameScripts = statements;
    // One script per statement, so that a statement the page's engine rejects does not take the others with it.
    for (qsizetype i = 0; i < statements.size(); ++i)
        scripts.insert(frameScript(kFrameScriptPrefix + QString::number(i), statements.at(i)));
}

QCoro::Task<QVariant> WebEngineBrowser::runScript(const QString &statement)
{
    co_return co_await evaluate(statement, QWebEngineScript::MainWorld);
}

void WebEngineBrowser::runScriptInAllFrames(const QString &statement)
{
    m_page->runJavaScript(PageScripts::runInAllFrames(m_relayToken, statement), QWebEngineScript::MainWorld);
}

#include "WebEngineBrowser.moc"
