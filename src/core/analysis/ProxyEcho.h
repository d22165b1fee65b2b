#pragma once

#include <QString>

// The echo service that tells a caller the public address its request came from, and what its answers mean for a
// proxy check. Both endpoints live on the proxy service host of the deployment values.

// A fresh echo address; the random query keeps every proxy and cache on the way from answering from a cache.
QString EchoAddress();
// The collection address that reports `proxy` as working.
QString CollectionAddress(const QString &proxy);
// False while the service host is the deployment's placeholder: then nothing may be sent to it.
bool ProxyServiceConfigured();

// True when `line`, trimmed, is "host:port": a host name or address without spaces, and a port 1 to 65535.
// Anything else is not tried at all, so a malformed line can never send the echo request without a proxy.
bool IsProxyLine(const QString &line);
// True when the trimmed `answer` is what the echo service says: an address of 9 to 22 characters. A proxy or a
// captive portal that answers 200 with a page of its own gives something else.
bool IsEchoAnswer(const QString &answer);
// True when the answer through a proxy shows that the proxy works and hides the caller: it is an echo answer and
// differs from the caller's own address (a transparent proxy passes the own address on).
bool ProxyPasses(const QString &answer, const QString &ownAddress);
