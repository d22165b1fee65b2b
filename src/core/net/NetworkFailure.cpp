#include "core/net/NetworkFailure.h"

namespace {
int numberOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
        return 12029; // cannot connect
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return 12030; // connection aborted
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ProxyNotFoundError:
        return 12007; // name not resolved
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::OperationCanceledError:
        return 12002; // timed out
    case QNetworkReply::SslHandshakeFailedError:
        return 12157; // secure channel error
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return 12041;
    case QNetworkReply::ProtocolUnknownError:
        return 12006; // unrecognised scheme
    default:
        return 12004; // internal error
    }
}
} // namespace

NetworkFailure NetworkFailureOf(QNetworkReply::NetworkError error)
{
    if (error == QNetworkReply::NoError)
        return {};
    // Qt numbers the proxy's own failures from 101 to 199.
    const bool atProxy =
        error >= QNetworkReply::ProxyConnectionRefusedError && error < QNetworkReply::ContentAccessDenied;
    return {numberOf(error), atProxy};
}

bool IsTransportError(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError &&
           (error < QNetworkReply::ContentAccessDenied || error == QNetworkReply::UnknownNetworkError ||
            error == QNetworkReply::ProtocolFailure);
}
