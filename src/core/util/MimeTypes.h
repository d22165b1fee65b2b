#pragma once

#include <QString>

// The file extension a response's media type stands for (its part before ";"). Returns an extension without dot,
// a type word ("image" for "image/*"), the empty text (use the extension already known), or the media type
// unchanged when it is not understood; callers use the result only when it is not empty and has no "/".
QString MimeTypeToExtension(const QString &mediaType);
