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

// True when `address` begins with `prefix`, letter case ignored, where the scheme counts as the same whether it is
// "http" or "https" on either side, and a protocol-relative address ("//host/...") matches an http(s) prefix. A
// service that moved to https still writes its own links; the prefix's host and path are compared as they stand,
// so a look-alike host ("host.evil.example") never matches a prefix that ends in "host/".
bool BeginsWithServicePrefix(const QString &address, const QString &prefix);

// `count` random digits and ASCII letters (empty for count <= 0); never from a fixed seed.
QString RandomAlphanumeric(int count);
// `count` random decimal digits.
QString RandomDigits(int count);
