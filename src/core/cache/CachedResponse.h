#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

// What an entry's first file holds after its key: the response body as the server sent it, an end record, the
// response's headers (the browser's own record of them) and a second end record that tells their length. The
// body copied out of the cache is this body decoded, under a name made from its address.

struct CachedResponse {
    QString address;         // the address the cache key stands for
    QByteArray storedBody;   // as it came over the wire (still compressed when the server compressed it)
    QString mediaType;       // Content-Type without parameters, lower case; empty when there was none
    QString contentEncoding; // Content-Encoding as sent; empty for none

    // The body as the page saw it: decoded per Content-Encoding; the stored body when the encoding is not one
    // ContentDecoding knows or the body does not decode.
    QByteArray body() const;
};

// Reads the entry file at `path` (an entry's "_0" file). Nothing when it is not one, or when its end records do
// not add up (a truncated or garbled file, or a layout of another format version).
std::optional<CachedResponse> ReadCachedResponse(const QString &path);

// The length of the body as the page saw it, reading no more than it must: the stored length when nothing is
// to be decoded, else the decoded length. Nothing when ReadCachedResponse would give nothing.
std::optional<qint64> CachedBodySize(const QString &path);

// The name a body copied out of the cache gets: the file name of the address (its host for an address without
// one) with the extension of the response's media type, else of the type detected from the body's bytes, else
// the address's own extension.
QString CachedFileName(const QString &address, const QString &mediaType, const QByteArray &body);

// The files a copy out of the cache hands on for `paths` (entry files, or any file of a cache folder), in the same
// order: an entry's "_0" file becomes its body as the page saw it, written under CachedFileName into a folder of
// its own below `staging` (two bodies may well have the same name); any other file is handed on as it is. A body
// that cannot be written is left out.
QStringList StageCachedFiles(const QStringList &paths, const QString &staging);
