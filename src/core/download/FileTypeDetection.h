#pragma once

#include "core/download/DownloadItem.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

// Recognising a downloaded file's real format from its first bytes, and correcting the extension of a download
// row to match. Servers often send a login page under a .pdf name or a CNKI document as an anonymous stream.

namespace FileTypeDetection {
// The signatures look at no more than this much of the file's start (plus one byte that reads as zero).
inline constexpr qint64 kHeadLimit = 10240;
// The trailing tag of an MP3 file: the last 128 bytes, read with one zero byte after them.
inline constexpr qint64 kTagLength = 128;
// Only files shorter than this are searched for a web page.
inline constexpr qint64 kWebPageLimit = 200 * 1024;
// Only files shorter than this are read whole for the CNKI text format.
inline constexpr qint64 kCaaLimit = 3 * 1024;

// Reads up to `length` bytes at `offset`. A shorter answer means the data ended; nullopt means the read failed.
using ByteReader = std::function<std::optional<QByteArray>(qint64 offset, qint64 length)>;

// The detection over any byte source of `length` bytes: the lower-case extension, or empty when not recognised.
// It reads at most kHeadLimit + 1 bytes from the start, kTagLength + 1 bytes from the tail, and nothing else.
QString detect(qint64 length, const ByteReader &read);
} // namespace FileTypeDetection

// Opens the file at `path` and judges its type: "pdf", "caj", "htm" ..., or empty when the file is missing,
// unreadable or of no known format.
QString 打开文件判断文件类型(const QString &path);

// Detects the type of the row's file and, when it differs from the row's type, renames the file to the detected
// extension (a free numbered name when that one is taken) and updates the row's name and type.
// True when the row's file was given a new extension.
bool CorrectItemFileType(DownloadItem &item);

// What the "打开文件判断类型" menu shows for a chosen file: "文件类型为：pdf", or "目前还无法判断。" when the
// type is not recognised.
QString FileTypeMessage(const QString &path);

// What the "检查并纠正磁盘文件类型" menu shows after correcting `count` rows: "纠正文件类型：3个.".
QString CorrectedFileTypesMessage(int count);
