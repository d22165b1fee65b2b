#pragma once

#include <QObject>
#include <array>

class ConnectionsByProxy;
class TransferControl;

// The page-fetch transfer objects of one main window. Element 0 always exists; elements 1 to kMaxIndex are
// created for a fetch and released after it, so a run holds one or two at a time however many rows it reads.
// A fetch that is still running when the row is done is cancelled and its element released by the next sweep.
class InetPool final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InetPool)

public:
    static constexpr int kMaxIndex = 1000;

    explicit InetPool(QObject *parent = nullptr);
    ~InetPool() override;

    // 找出未使用Inet的Index: creates the element at the lowest free index (1 to kMaxIndex) and returns that index;
    // 0 when every index is taken (the fetch then uses element 0).
    int 找出未使用Inet的Index();
    // 卸载闲置Inet: cancels every element still executing (released by a later sweep) and releases the idle ones.
    void 卸载闲置Inet();

    // The element at `index`; element 0 when that index holds none.
    TransferControl &element(int index);
    bool isLoaded(int index) const;
    // Elements 1 to kMaxIndex that exist now.
    int loadedCount() const;

private:
    // The elements' network access: one row's fetch after another goes over the same connection.
    ConnectionsByProxy *m_connections = nullptr;
    // Children of the pool. A released element is deleted later, never inside a call that may have come from
    // one of its own signals (a fetch can end right inside the element's signal).
    TransferControl *m_element0 = nullptr;
    std::array<TransferControl *, kMaxIndex + 1> m_elements{};
};
