#include "core/about/UpdateCheck.h"

#include "core/about/AboutTexts.h"
#include "core/about/NewestVersion.h"
#include "core/about/ProgramVersion.h"
#include "core/about/UpdateAddress.h"
#include "core/about/UpdateReply.h"
#include "core/net/XmlHttpRequest.h"
#include "core/util/Prompt.h"

UpdateCheck::UpdateCheck(QObject *parent) : QObject(parent), m_request(new XmlHttpRequest(this))
{
    m_request->setObjectName(QStringLiteral("uXMLHTTP2"));
    connect(m_request, &XmlHttpRequest::OnDateArrived, this, &UpdateCheck::onArrived);
    connect(m_request, &XmlHttpRequest::OnDateErr, this, &UpdateCheck::onError);
}

UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::start()
{
    if (!UpdateServerDeployed())
        return;
    m_running = true;
    m_request->Open_(QStringLiteral("GET"), UpdateAddress());
    m_request->Send_();
}

void UpdateCheck::onArrived()
{
    const QString version = NewerVersionIn(m_request->ResponseText(), ProgramVersion());
    if (!version.isEmpty()) {
        SetNewestVersionText(version);
        Q_EMIT newerVersionFound(version);
    }
    finish();
}

void UpdateCheck::onError()
{
    Prompt::current().message(AboutTexts::kNetworkError, Prompt::Icon::Critical);
    Q_EMIT failed();
    finish();
}

void UpdateCheck::finish()
{
    m_running = false;
    Q_EMIT finished();
}
