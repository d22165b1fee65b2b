#include "core/net/AnswerStatus.h"

#include <QNetworkReply>
#include <QNetworkRequest>

std::optional<int> AnswerStatus(const QNetworkReply &reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return std::nullopt;
    const int code = status.toInt();
    const bool followed = code >= 300 && code < 400 && reply.hasRawHeader("Location") && !reply.isFinished();
    if (followed)
        return std::nullopt;
    return code;
}
