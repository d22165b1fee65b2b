#pragma once

#include <QNetworkReply>

// How a request failed below HTTP, in the form the status panel has always shown (the classic internet-client
// numbers), and whether it was the proxy rather than the server that failed: a refused or silent proxy is not the
// server's fault, and the user has to know which one to look at.
struct NetworkFailure {
    int number = 0;
    bool atProxy = false;
};
NetworkFailure NetworkFailureOf(QNetworkReply::NetworkError error);

// A failure of the connection, as opposed to an HTTP answer with an error status (which is a complete response).
bool IsTransportError(QNetworkReply::NetworkError error);
