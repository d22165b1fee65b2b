#include "core/net/XmlHttpRequestSet.h"

#include "core/net/NetworkAccess.h"
#include "core/net/XmlHttpRequest.h"

#include <QNetworkAccessManager>
#include <utility>

XmlHttpRequestSet::XmlHttpRequestSet(QObject *parent) : QObject(parent), m_manager(NewNetworkAccess(this)) {}

XmlHttpRequestSet::~XmlHttpRequestSet()
{
    // Members first: their replies belong to the shared manager.
    const QMap<int, XmlHttpRequest *> members = std::exchange(m_members, {});
    for (XmlHttpRequest *request : members)
        delete request;
}

XmlHttpRequest *XmlHttpRequestSet::load(int index)
{
    if (index < 0 || m_members.contains(index))
        return nullptr;
    auto *request = new XmlHttpRequest(m_manager, this);
    m_members.insert(index, request);
    connect(request, &XmlHttpRequest::OnDateArrived, this, [this, index] { Q_EMIT OnDateArrived(index); });
    connect(request, &XmlHttpRequest::OnReadyStateChange, this, [this, index] { Q_EMIT OnReadyStateChange(index); });
    connect(request, &XmlHttpRequest::OnDateErr, this,
            [this, index](const QString &description) { Q_EMIT OnDateErr(index, description); });
    // A host that deletes a member itself frees its number as unload would.
    connect(request, &QObject::destroyed, this, [this, index] { m_members.remove(index); });
    return request;
}

void XmlHttpRequestSet::unload(int index)
{
    XmlHttpRequest *request = m_members.take(index);
    if (!request)
        return;
    request->disconnect(this);
    request->Abort_();
    // Deleted later: the member may be in the middle of raising the event that released it.
    request->deleteLater();
}
