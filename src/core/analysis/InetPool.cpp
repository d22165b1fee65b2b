#include "core/analysis/InetPool.h"

#include "core/net/TransferControl.h"

InetPool::InetPool(QObject *parent) : QObject(parent), m_element0(new TransferControl(this)) {}

InetPool::~InetPool() = default;

int InetPool::找出未使用Inet的Index()
{
    for (int index = 1; index <= kMaxIndex; ++index) {
        if (!m_elements[index]) {
            m_elements[index] = new TransferControl(this);
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
