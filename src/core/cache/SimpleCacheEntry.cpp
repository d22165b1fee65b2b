#include "core/cache/SimpleCacheEntry.h"

#include <QtEndian>

namespace SimpleCacheEntry {
namespace {
constexpr quint64 kInitialMagic = 0xfcfb6d1ba7725c30ULL;
// Versions whose header and key layout are the one read here.
constexpr quint32 kOldestVersion = 5;
constexpr quint32 kNewestVersion = 9;

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
}

bool isDigits(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}
} // namespace

Header ReadHeader(QByteArrayView bytes)
{
    Header header;
    if (bytes.size() < kHeaderSize) {
        header.verdict = Verdict::Truncated;
        return header;
    }
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());
    const quint64 magic = qFromLittleEndian<quint64>(data);
    const quint32 version = qFromLittleEndian<quint32>(data + 8);
    const quint32 keyLength = qFromLittleEndian<quint32>(data + 12);
    if (magic != kInitialMagic || version < kOldestVersion || version > kNewestVersion || keyLength == 0 ||
        keyLength > kMaxKeyLength)
        return header;
    header.keyLength = keyLength;
    header.verdict = bytes.size() - kHeaderSize < qsizetype(keyLength) ? Verdict::Truncated : Verdict::Entry;
    return header;
}

QByteArray ReadKey(QByteArrayView bytes)
{
    const Header header = ReadHeader(bytes);
    if (header.verdict != Verdict::Entry)
        return {};
    return bytes.sliced(kHeaderSize, header.keyLength).toByteArray();
}

bool IsEntryStreamFileName(QStringView fileName)
{
    if (fileName.size() != 18 || fileName[16] != u'_')
        return false;
    const QChar stream = fileName[17];
    if (stream != u'0' && stream != u'1' && stream != u'2' && stream != u's')
        return false;
    for (qsizetype i = 0; i < 16; ++i)
        if (!isHexDigit(fileName[i]))
            return false;
    return true;
}

bool IsEntryFileName(QStringView fileName)
{
    return IsEntryStreamFileName(fileName) && fileName.endsWith(u"_0");
}

QString EntryFilePrefix(QStringView fileName)
{
    return fileName.left(17).toString();
}

QString KeyAddress(QByteArrayView key)
{
    QByteArrayView rest = key;
    // "<credential>/<upload>/" in front of everything else.
    for (int mark = 0; mark < 2; ++mark) {
        const qsizetype slash = rest.indexOf('/');
        if (slash <= 0 || !isDigits(rest.first(slash)))
            break;
        rest = rest.sliced(slash + 1);
    }
    if (rest.startsWith("_dk_")) {
        const qsizetype space = rest.lastIndexOf(' ');
        if (space >= 0)
            rest = rest.sliced(space + 1);
    }
    if (rest.isEmpty() || rest.size() == key.size())
        return QString::fromUtf8(key);
    return QString::fromUtf8(rest);
}

} // namespace SimpleCacheEntry
