#include "core/download/engines/TransferStateText.h"

#include "core/download/DownloadTexts.h"

#include <iterator>

QString TransferStateText(int state, int responseCode, const QString &responseInfo)
{
    constexpr int kErrorState = 11;
    const QString response = QString::number(responseCode) + QStringLiteral(":") + responseInfo;
    if (state < 0 || state >= static_cast<int>(std::size(DownloadTexts::kTransferStates)))
        return response;
    const QString &text = DownloadTexts::kTransferStates[state];
    return state == kErrorState ? text + response : text;
}
