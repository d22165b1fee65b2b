#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Undoing a response's Content-Encoding, the way the browser did before it showed the body: the cache keeps the
// body as the server sent it. Supported: gzip (and x-gzip), deflate (zlib-wrapped, or raw as some servers send
// it), br (Brotli) and identity, also several in a row ("gzip, br" was gzip'ed first, so it is undone last).
namespace ContentDecoding {

// The decoded body, or nullopt for an encoding not in the list above or a body that does not decode whole.
std::optional<QByteArray> decode(const QByteArray &body, const QString &contentEncoding);

// True when `contentEncoding` names nothing to undo (empty or identity only).
bool isIdentity(const QString &contentEncoding);

} // namespace ContentDecoding
