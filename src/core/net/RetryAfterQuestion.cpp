#include "core/net/RetryAfterQuestion.h"

#include "core/net/HttpRequest.h"
#include "core/net/NetworkAccess.h"
#include "core/net/RetryRule.h"
#include "core/net/SignalWait.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <memory>

QCoro::Task<QString> AskRetryAfter(QUrl url, std::chrono::milliseconds limit)
{
    if (!IsWebAddress(url))
        co_return {};
    const std::unique_ptr<QNetworkAccessManager> access(NewNetworkAccess(nullptr));
    QNetworkRequest request = NewHttpRequest(url);
    // A redirect says nothing about the wait, and following it would be one more request.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QPointer<QNetworkReply> reply = access->head(request);
    const bool answered = co_await waitForSignal(reply.data(), &QNetworkReply::finished, limit);
    QString retryAfter;
    if (answered && reply &&
        RetryRule::IsRetryStatus(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()))
        retryAfter = QString::fromLatin1(reply->rawHeader("Retry-After"));
    // The reply goes with its manager; one still waiting is cut off first.
    if (reply && !reply->isFinished())
        reply->abort();
    co_return retryAfter;
}
