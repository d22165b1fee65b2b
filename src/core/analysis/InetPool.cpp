#include "core/analysis/InetPool.h"

#include "core/net/ConnectionsByProxy.h"
#include "core/net/TransferControl.h"

InetPool::InetPool(QObject *parent)
    : QObject(parent), m_connections(new ConnectionsByProxy(this)), m_element0(new TransferControl(this, m_connections))
{}

InetPool::~InetPool()
{
    // The elements end their requests before the connections they borrow go.
    qDeleteAll(findChildren<TransferControl *>(Qt::FindDirectChildrenOnly));
}

int InetPool::找出未使用Inet的Index()
{
    for (int index = 1; index <= kMaxIndex; ++index) {
        if (!m_elements[index]) {
            m_elements[index] = new TransferControl(this, m_connections);
            return index;
        }
    }
    return 0;
}

void InetPool::卸载闲置Inet()
{
    for (int index = 1; index <= kMaxIndex; ++index) {
        TransferControl *&element = m_elements[index];
        if (!element)
            continue;
        if (element->stillExecuting()) {
            element->cancel();
        } else {
            element->deleteLater();
            element = nullptr;
        }
    }
}

TransferControl &InetPool::element(int index)
{
    if (index >= 1 && index <= kMaxIndex && m_elements[index])
        return *m_elements[index];
    return *m_element0;
}

bool InetPool::isLoaded(int index) const
{
    if (index == 0)
        return true;
    return index >= 1 && index <= kMaxIndex && m_elements[index] != nullptr;
}

int InetPool::loadedCount() const
{
    int n = 0;
    for (int index = 1; index <= kMaxIndex; ++index)
        n += m_elements[index] ? 1 : 0;
    return n;
}
