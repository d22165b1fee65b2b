#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

#include <qcoro/qcorotask.h>

class TransferControl;

// Fetching one web page as correctly decoded text through a caller-owned TransferControl. The caller awaits the
// result; the window keeps running meanwhile, and a waiting fetch uses no CPU.

// Intervals of the fetch (each waited on on the program's clock).
inline constexpr std::chrono::milliseconds kDefaultFetchTimeout = std::chrono::seconds(60); // when the caller passes 0
inline constexpr std::chrono::milliseconds kBusyControlWait = std::chrono::seconds(30); // for a busy control to stop
inline constexpr int kFetchChunkSize = 2048;
inline constexpr int kMetaSampleBytes = 1025;
// A web page is far smaller; a body that grows past this is not a page, and the fetch fails instead of filling
// the disk and the memory with it.
inline constexpr qint64 kMaxPageBytes = 32 * 1024 * 1024;

// One page to fetch. Every member has a default, so a request names only what it needs ({.address = a}).
struct PageFetchRequest {
    QString address{};
    QString referer{};                      // empty: the address's scheme and host
    QString charset{};                      // a character-set name, "auto" or empty
    int timeoutSeconds = 0;                 // 0 means 60; also bounds each silence while the body arrives
    QString method = QStringLiteral("GET"); // "GET" or "POST"
    QByteArray postData{};                  // sent for POST only
    QString proxy{};                        // "host:port", or empty for the system's default connection
};

// Fetches `request.address` through `control` and returns its text, or empty on any failure (an address other than
// http or https, busy control, time-out, status other than 200 OK, a body that is not whole). A body is whole when
// its announced length is in or, without one, when the response ended cleanly; one closed short, broken off or
// silent for longer than the time-out gives nothing, not the part received. The body passes through a temporary
// file in the data folder that never outlives the call.
//
// Character set, first that applies: the caller's (not empty, not "auto"), the Content-Type charset parameter,
// a charset found in the first 1025 bytes of the page (DetectMetaCharset), UTF-8.
QCoro::Task<QString> FetchPageText(PageFetchRequest request, TransferControl *control);

// The character set named in a page head, or empty. Pieces between "<meta " (the part before the first included)
// are looked at up to their first "/>"; the first "charset=" value found wins.
QString DetectMetaCharset(const QString &text);

// The file's text decoded in `charset` (empty name: UTF-16, the stream's own default). Empty when the file is
// missing; a character set the decoder does not know shows "编码转换出错：" + the reason and gives empty.
QString ReadTextWithCharset(const QString &filePath, const QString &charset);
