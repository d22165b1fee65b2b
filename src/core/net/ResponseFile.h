#pragma once

#include <QByteArray>
#include <QString>

// Writes a response body to the file a request was given. `path` is a local path or a "file:///" address. The
// bytes go to a temporary file beside the target, which replaces the target only once all of them are on disk:
// a reader never sees half a body under the final name, and a failed write leaves whatever file was there before.
// Returns false, with the reason in `error`, when the body could not be written.
bool WriteResponseFile(const QString &path, const QByteArray &body, QString *error);
