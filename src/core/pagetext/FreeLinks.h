#pragma once

#include <QString>
#include <QStringList>

// Free-download sources of a document page, read from the raw page text. Each source is followed in the page by
// the marker "(全网免费下载)"; the link taken for a source is the href nearest before its marker inside the last
// "dl_item" block. Pure text functions.

// Gathers the sources of `pageText` into `entries`: element 0 empty, then one "link|type" per source in page order
// (type "pdf" for a source marked with the PDF icon, else empty), each link once (letter case ignored).
// Returns the highest index (0 when nothing was gathered).
int 提取全网免费下载链接组(const QString &pageText, QStringList &entries);

// The link of one text segment (the text before one marker), or empty; `type` becomes "pdf" when the segment's
// link carries the PDF icon, else empty.
QString 提取全网免费下载链接(const QString &segment, QString &type);

// True when an element of `array` equals `value`, letter case ignored.
bool 查找数组(const QStringList &array, const QString &value);

// Chooses one link among the well-formed entries 1..n: a PDF-marked link ending in ".pdf", else any link ending in
// ".pdf", else any PDF-marked link (each sets `type` to "pdf"), else the first entry's link. When `type` is still
// empty then, it becomes the link's file extension. Returns the link, or empty.
QString 取出全网免费下载链接(const QStringList &entries, QString &type);
