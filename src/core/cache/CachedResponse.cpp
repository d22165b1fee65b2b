#include "core/cache/CachedResponse.h"

#include "core/cache/ContentDecoding.h"
#include "core/cache/SimpleCacheEntry.h"
#include "core/util/FileNameRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QUrl>
#include <QtEndian>

namespace {
constexpr quint64 kFinalMagic = 0xf4fa6f45970d41d8ULL;
// The end record: final magic (8 bytes), flags, CRC-32 and stream size (4 bytes each), padded to 24.
constexpr qint64 kEndRecordSize = 24;
constexpr quint32 kHasKeySha256 = 1u << 1;
constexpr qint64 kKeySha256Size = 32;
// Response headers stay far below this; a larger length is a garbled record.
constexpr quint32 kMaxHeadersSize = 1 << 20;

struct Layout {
    qint64 bodyOffset = 0;
    qint64 bodySize = 0;
    QByteArray headers; // the browser's record of the response, holding "HTTP/1.1 200 OK\0Name: value\0...\0\0"
};

bool isEndRecord(QByteArrayView record)
{
    return record.size() == kEndRecordSize &&
           qFromLittleEndian<quint64>(reinterpret_cast<const uchar *>(record.data())) == kFinalMagic;
}

std::optional<Layout> readLayout(QFile &file)
{
    const qint64 fileSize = file.size();
    QByteArray start = file.read(SimpleCacheEntry::kHeaderSize);
    const SimpleCacheEntry::Header header = SimpleCacheEntry::ReadHeader(start);
    if (header.verdict != SimpleCacheEntry::Verdict::Entry && header.verdict != SimpleCacheEntry::Verdict::Truncated)
        return std::nullopt;
    const qint64 bodyOffset = SimpleCacheEntry::kHeaderSize + qint64(header.keyLength);
    if (fileSize < bodyOffset + 2 * kEndRecordSize || !file.seek(fileSize - kEndRecordSize))
        return std::nullopt;
    const QByteArray headersEnd = file.read(kEndRecordSize);
    if (!isEndRecord(headersEnd))
        return std::nullopt;
    const auto *end = reinterpret_cast<const uchar *>(headersEnd.constData());
    const quint32 flags = qFromLittleEndian<quint32>(end + 8);
    const quint32 headersSize = qFromLittleEndian<quint32>(end + 16);
    const qint64 sha = (flags & kHasKeySha256) ? kKeySha256Size : 0;
    const qint64 headersOffset = fileSize - kEndRecordSize - sha - qint64(headersSize);
    const qint64 bodyEnd = headersOffset - kEndRecordSize;
    if (headersSize > kMaxHeadersSize || bodyEnd < bodyOffset || !file.seek(bodyEnd))
        return std::nullopt;
    if (!isEndRecord(file.read(kEndRecordSize)))
        return std::nullopt;
    Layout layout;
    layout.bodyOffset = bodyOffset;
    layout.bodySize = bodyEnd - bodyOffset;
    layout.headers = file.read(headersSize);
    if (layout.headers.size() != qint64(headersSize))
        return std::nullopt;
    return layout;
}

// The value of the header `name` in the browser's record: NUL-separated "Name: value" lines after the status line.
QString headerValue(const QByteArray &headers, QByteArrayView name)
{
    const qsizetype status = headers.indexOf("HTTP/");
    if (status < 0)
        return {};
    qsizetype at = status;
    while (at < headers.size()) {
        qsizetype nul = headers.indexOf('\0', at);
        if (nul < 0)
            nul = headers.size();
        const QByteArrayView line = QByteArrayView(headers).sliced(at, nul - at);
        if (line.isEmpty())
            break; // the record's end
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(line.sliced(colon + 1).trimmed());
        at = nul + 1;
    }
    return {};
}

QString suffixOf(const QMimeType &type)
{
    if (!type.isValid() || type.isDefault()) // application/octet-stream tells nothing
        return {};
    return type.preferredSuffix();
}
} // namespace

QByteArray CachedResponse::body() const
{
    if (ContentDecoding::isIdentity(contentEncoding))
        return storedBody;
    return ContentDecoding::decode(storedBody, contentEncoding).value_or(storedBody);
}

namespace {
// Reads what the layout found in the already opened entry file.
std::optional<CachedResponse> readResponse(QFile &file, const Layout &layout)
{
    CachedResponse response;
    if (!file.seek(0))
        return std::nullopt;
    response.address = SimpleCacheEntry::KeyAddress(SimpleCacheEntry::ReadKey(file.read(layout.bodyOffset)));
    if (!file.seek(layout.bodyOffset))
        return std::nullopt;
    response.storedBody = file.read(layout.bodySize);
    if (response.storedBody.size() != layout.bodySize)
        return std::nullopt;
    response.mediaType = headerValue(layout.headers, "Content-Type").section(u';', 0, 0).trimmed().toLower();
    response.contentEncoding = headerValue(layout.headers, "Content-Encoding");
    return response;
}
} // namespace

std::optional<CachedResponse> ReadCachedResponse(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<Layout> layout = readLayout(file);
    if (!layout)
        return std::nullopt;
    return readResponse(file, *layout);
}

std::optional<qint64> CachedBodySize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<Layout> layout = readLayout(file);
    if (!layout)
        return std::nullopt;
    if (ContentDecoding::isIdentity(headerValue(layout->headers, "Content-Encoding")))
        return layout->bodySize;
    // An encoded body's size is only known once it is decoded; the layout already read is used again.
    const std::optional<CachedResponse> response = readResponse(file, *layout);
    if (!response)
        return std::nullopt;
    return response->body().size();
}

QString CachedFileName(const QString &address, const QString &mediaType, const QByteArray &body)
{
    QString fileNamePart;
    const QString addressExtension = UrlFileNameAndExtension(address, fileNamePart);
    QString base = QUrl::fromPercentEncoding(fileNamePart.section(u'?', 0, 0).toUtf8());
    if (!addressExtension.isEmpty() && base.endsWith(u'.' + addressExtension, Qt::CaseInsensitive))
        base.chop(addressExtension.size() + 1);
    base = MakeSafeFileName(base);
    if (base.isEmpty())
        base = MakeSafeFileName(QUrl(address).host());
    if (base.isEmpty())
        base = QStringLiteral("cache");

    const QMimeDatabase types;
    QString extension = suffixOf(types.mimeTypeForName(mediaType));
    if (extension.isEmpty()) {
        const QMimeType detected = types.mimeTypeForData(body);
        // Any text reads as plain text: the address's own extension tells more then.
        if (!(detected.name() == QLatin1String("text/plain") && !addressExtension.isEmpty()))
            extension = suffixOf(detected);
    }
    if (extension.isEmpty())
        extension = addressExtension;
    return extension.isEmpty() ? base : base + u'.' + extension;
}

QStringList StageCachedFiles(const QStringList &paths, const QString &staging)
{
    QStringList staged;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString &path = paths.at(i);
        const std::optional<CachedResponse> response =
            SimpleCacheEntry::IsEntryFileName(QFileInfo(path).fileName()) ? ReadCachedResponse(path) : std::nullopt;
        if (!response) {
            staged.append(path);
            continue;
        }
        const QByteArray body = response->body();
        const QString folder = QDir(staging).filePath(QString::number(i + 1));
        const QString target = QDir(folder).filePath(CachedFileName(response->address, response->mediaType, body));
        QSaveFile out(target);
        if (QDir().mkpath(folder) && out.open(QIODevice::WriteOnly) && out.write(body) == body.size() && out.commit())
            staged.append(target);
    }
    return staged;
}
