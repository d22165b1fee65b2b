#pragma once

#include <QString>

// Addresses of the scholarly search service, built from its deployment base.

// The service's home page: scheme and host, no path.
QString SearchHomeAddress();
// What every search address starts with: the home address followed by "/s?".
QString SearchAddressPrefix();

// The search address for one keyword: the prefix, "wd=" and the encoded, trimmed keyword, then the type filter
// (0 all, 1 journal, 2 thesis, 3 conference, 4 book, 5 patent) and the year filter (0 all, 1 since 2017,
// 2 since 2016, 3 since 2015). An index outside its range counts as 0. When both filters are chosen the year
// continues the type filter's value instead of starting a filter of its own.
QString QueryAddress(const QString &keyword, int typeIndex, int yearIndex);
