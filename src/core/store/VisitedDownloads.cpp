#include "core/store/VisitedDownloads.h"

#include "core/store/VisitedDatabase.h"

#include <QHash>

namespace {

struct Link {
    QString visitedAddress;
    bool recorded = true;
};

QHash<QString, Link> &links()
{
    static QHash<QString, Link> instance;
    return instance;
}

} // namespace

void LinkVisitedToDownload(const QString &downloadAddress, const QString &visitedAddress)
{
    links().insert(downloadAddress, Link{visitedAddress});
}

void SettleVisitedDownload(const QString &downloadAddress, bool saved)
{
    const auto it = links().find(downloadAddress);
    if (it == links().end())
        return;
    QString address = it->visitedAddress;
    if (saved && it->recorded)
        SettleAwaitingDownload(address);
    else if (saved)
        RecordVisitedAddress(address);
    else if (it->recorded)
        ForgetVisitedAddress(address);
    it->recorded = saved;
}

void ClearVisitedDownloadLinks()
{
    links().clear();
}
