#pragma once

#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkReply;
class QObject;

// Every request the program sends starts here, so the page fetch and both download engines put the same thing on
// the wire whichever path a document takes:
//  - HTTP/1.1 only. The answer is judged by its status line ("200 OK"), and HTTP/2 carries no reason phrase; it
//    also keeps the six concurrent transfers on connections of their own instead of one shared stream.
//  - The program's user agent (ProgramUserAgent), so that a server sees one client and not a different one per path.
//  - The bytes as the server sends them (Accept-Encoding: identity): an announced Content-Length then counts what
//    the reader receives. Never from or into a cache.
//  - Redirects are followed, but never from HTTPS to plain HTTP.
QNetworkRequest NewHttpRequest(const QUrl &url);

// True for an http or https address with a host: the only addresses the program ever fetches, whoever asks (the
// page fetch, both download engines, a row from a list file). A link on a hostile page or a row of a list file
// could otherwise name file:///etc/passwd or carry its own body as data:, and have it copied into the save folder.
bool IsWebAddress(const QUrl &url);
bool IsWebAddress(const QString &address);

// How a connection reaches the server.
enum class ProxyUse { SystemDefault, Direct, Named };

// The proxy for `use`. A named proxy is "host:port", "HTTP=host:port" or "http://host:port" (only the first entry
// of a list counts, port 80 when none is given); one without a host falls back to the system's default.
QNetworkProxy ConnectionProxy(ProxyUse use, const QString &named = {});

// Ends `reply` for `receiver` and sets the pointer to null: none of its signals reaches the receiver any more, a
// transfer still running is aborted, and the object is deleted from the event loop (it may be in the middle of the
// signal that led here).
void EndReply(QPointer<QNetworkReply> &reply, QObject *receiver);
