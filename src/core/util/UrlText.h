#pragma once

#include <QString>

// Text helpers for web addresses.

// A search keyword for the "wd=" query key: "%" doubled first, each two-byte GBK character as "%XX%XX" (upper-case
// hex of its GBK bytes), then "#", "^", "&", "+" escaped. Other characters, spaces included, stay as they are.
QString EncodeQueryKeyword(const QString &keyword);

// An address or host:port pair as a query value: trimmed, then ":", "/", "?", "=", "|", "\" escaped.
QString EscapeQueryValue(const QString &value);

// Scheme and host (with port) of an address: the text before the first "/" after "://".
QString UrlHostPart(const QString &address);

// `count` random digits and ASCII letters (empty for count <= 0); never from a fixed seed.
QString RandomAlphanumeric(int count);
// `count` random decimal digits.
QString RandomDigits(int count);
