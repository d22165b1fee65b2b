#include "core/download/FileTypeDetection.h"

#include "core/download/DownloadTexts.h"
#include "core/download/SameNameRules.h"
#include "core/util/AnsiCodePage.h"
#include "core/util/FileNameRules.h"

#include <QFile>
#include <array>
#include <string_view>

using namespace std::string_view_literals;

namespace {

struct Pattern {
    qint64 offset = 0;
    std::string_view bytes; // empty: unused
};

struct Signature {
    std::array<Pattern, 3> patterns;
    const char *result;
};

// Tested in this order; the first that matches decides. The compound-document formats come after these.
const std::array<Signature, 19> kSignatures{{
    {{{{0, "%PDF"sv}}}, "pdf"},
    {{{{0, "\xC8\x00\x00\x00"sv}}}, "caj"},
    {{{{0, "CAJ\x00"sv}}}, "kdh"},
    {{{{0, "KDH "sv}}}, "kdh"},
    {{{{0, "HN\x00\x00"sv}}}, "nh"},
    {{{{0, "II*\x00"sv}}}, "tif"},
    {{{{0, "{\\rtf"sv}}}, "rtf"},
    {{{{0, "MZ"sv}}}, "exe"},
    {{{{0, "Rar!"sv}}}, "rar"},
    {{{{0, "PK\x03\x04\x14\x00\x00\x00\x08"sv}}}, "zip"},
    {{{{0, "PK\x03\x04\x14\x00\x06\x00\x08\x00"sv}}}, "docx"},
    {{{{0, "CWS\x06"sv}}}, "swf"},
    {{{{0, ".RMF"sv}}}, "rm"},
    {{{{0, "\x30\x26\xB2\x75\x8E"sv}}}, "wma"},
    {{{{0, "ID3\x03"sv}}}, "mp3"},
    {{{{0, "\x89PNG\r\n\x1A\n"sv}}}, "png"},
    {{{{0, "GIF89a"sv}}}, "gif"},
    {{{{0, "\xFF\xD8\xFF\xE1"sv}, {6, "Exif"sv}, {12, "MM\x00\x2A"sv}}}, "jpg"},
    {{{{0, "\xFF\xD8\xFF\xE0\x00\x10JFIF"sv}}}, "jpg"},
}};

constexpr std::string_view kCompoundDocument = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv;
constexpr qint64 kCompoundSubtypeOffset = 512;

// The bytes a signature looks at; a head shorter than this ends the detection.
qint64 bytesNeeded(const Signature &signature)
{
    qint64 needed = 0;
    for (const Pattern &p : signature.patterns)
        if (!p.bytes.empty())
            needed = std::max(needed, p.offset + qint64(p.bytes.size()));
    return needed;
}

bool hasAt(const QByteArray &data, qint64 offset, std::string_view bytes)
{
    return QByteArrayView(data).sliced(offset, qint64(bytes.size())) == QByteArrayView(bytes.data(), bytes.size());
}

bool matches(const QByteArray &head, const Signature &signature)
{
    for (const Pattern &p : signature.patterns)
        if (!p.bytes.empty() && !hasAt(head, p.offset, p.bytes))
            return false;
    return true;
}

// Reads `length` bytes at `offset`; what lies beyond the end of the data reads as zero bytes.
std::optional<QByteArray> readPadded(const FileTypeDetection::ByteReader &read, qint64 offset, qint64 length)
{
    std::optional<QByteArray> bytes = read(offset, length);
    if (!bytes)
        return std::nullopt;
    if (bytes->size() > length)
        bytes->truncate(length);
    else if (bytes->size() < length)
        bytes->append(QByteArray(length - bytes->size(), '\0'));
    return bytes;
}

enum class Outcome { Recognised, Unrecognised, HeadTooShort };

// The fixed signatures. A signature that needs bytes beyond the head ends the detection: a file that short is
// not a document of any listed kind.
Outcome matchSignatures(const QByteArray &head, QString &result)
{
    const qint64 available = head.size();
    for (const Signature &signature : kSignatures) {
        if (available < bytesNeeded(signature))
            return Outcome::HeadTooShort;
        if (matches(head, signature)) {
            result = QLatin1String(signature.result);
            return Outcome::Recognised;
        }
    }
    if (available < qint64(kCompoundDocument.size()))
        return Outcome::HeadTooShort;
    if (!hasAt(head, 0, kCompoundDocument))
        return Outcome::Unrecognised;
    // The Office formats share the compound-document container; the first sector tells them apart.
    if (available < kCompoundSubtypeOffset + 4)
        return Outcome::HeadTooShort;
    if (hasAt(head, kCompoundSubtypeOffset, "\xEC\xA5\xC1\x00"sv))
        result = QStringLiteral("doc");
    else if (hasAt(head, kCompoundSubtypeOffset, "\x09\x08\x10\x00"sv))
        result = QStringLiteral("xls");
    else if (quint8(head.at(kCompoundSubtypeOffset + 3)) == 0xF0)
        result = QStringLiteral("ppt");
    else
        return Outcome::Unrecognised;
    return Outcome::Recognised;
}

// Downloaded pages come from Chinese sites: their bytes are read in the GBK code page.
QString ansiText(const QByteArray &bytes)
{
    return AnsiCodePage::decode(bytes);
}

bool looksLikeWebPage(const QString &text)
{
    const bool html = text.contains(QLatin1String("<html "), Qt::CaseInsensitive) ||
                      text.contains(QLatin1String("html>"), Qt::CaseInsensitive);
    if (!html)
        return false;
    for (const char *tag : {"<title>", "<head>", "<body>"})
        if (text.contains(QLatin1String(tag), Qt::CaseInsensitive))
            return true;
    return false;
}

// The CNKI "caa" format is a short INI-like text that names its target and the download parts.
bool looksLikeCaa(const QString &text)
{
    for (const char *key : {"A1=", "[TARGET]", "A2=", "B1=", "B2=", "C1=", "C2=", "D1=", "D2=", "DOCTYPE="})
        if (!text.contains(QLatin1String(key), Qt::CaseInsensitive))
            return false;
    return true;
}

} // namespace

QString FileTypeDetection::detect(qint64 length, const ByteReader &read)
{
    if (length < 0)
        return {};
    QString result;
    // The head always carries one zero byte more than the file gives, so a rule may look one byte past a short
    // file's end.
    const std::optional<QByteArray> head = readPadded(read, 0, std::min(length, kHeadLimit) + 1);
    if (!head)
        return {};
    switch (matchSignatures(*head, result)) {
    case Outcome::Recognised:
        return result;
    case Outcome::HeadTooShort:
        return {};
    case Outcome::Unrecognised:
        break;
    }

    // An MP3 without an ID3 header may still end with an ID3v1 tag.
    if (length > kTagLength) {
        const std::optional<QByteArray> tail = readPadded(read, length - kTagLength, kTagLength + 1);
        if (!tail)
            return {};
        if (tail->startsWith("TAG"))
            return QStringLiteral("mp3");
    }

    if (length < kWebPageLimit && looksLikeWebPage(ansiText(*head)))
        return QStringLiteral("htm");

    // A file this short is entirely in the head already (with its extra zero byte): no second read.
    static_assert(kCaaLimit <= kHeadLimit);
    if (length < kCaaLimit && looksLikeCaa(ansiText(*head)))
        return QStringLiteral("caa");
    return {};
}

QString 打开文件判断文件类型(const QString &path)
{
    if (!IsExistingFile(path))
        return {};
    QFile file(path);
    // Unbuffered, so that the file system is asked for exactly the bytes the rules look at and no more.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.isSequential())
        return {};
    const qint64 length = file.size();
    return FileTypeDetection::detect(length, [&file](qint64 offset, qint64 count) -> std::optional<QByteArray> {
        if (!file.seek(offset))
            return std::nullopt;
        QByteArray bytes = file.read(count);
        if (bytes.isNull() && file.error() != QFileDevice::NoError)
            return std::nullopt;
        return bytes;
    });
}

bool CorrectItemFileType(DownloadItem &item)
{
    // The file was written under the row's type exactly as stored; only the comparison ignores letter case.
    const QString type = item.type;
    const QString base = FolderWithSeparator(item.folder) + item.name;
    const QString path = type.isEmpty() ? base : base + QLatin1Char('.') + type;
    if (!IsExistingFile(path))
        return false;
    const QString detected = 打开文件判断文件类型(path);
    if (detected.isEmpty() || detected.compare(type, Qt::CaseInsensitive) == 0)
        return false;

    const QString suffix = QLatin1Char('.') + detected;
    const QString newPath = MakeUniqueFileName(base + suffix);
    // QFile::rename refuses an existing target, so a file that appeared meanwhile is never replaced.
    if (newPath == path || !QFile::rename(path, newPath) || !IsExistingFile(newPath))
        return false;
    item.type = detected;
    // The new name is the file's name without the detected extension, exactly, so the row keeps pointing at it.
    const QString fileName = newPath.mid(newPath.lastIndexOf(QLatin1Char('/')) + 1);
    item.name = fileName.chopped(suffix.size());
    return true;
}

QString FileTypeMessage(const QString &path)
{
    const QString type = 打开文件判断文件类型(path);
    if (type.isEmpty())
        return DownloadTexts::kTypeUnknown;
    return DownloadTexts::kTypeIs + type;
}

QString CorrectedFileTypesMessage(int count)
{
    return DownloadTexts::kTypesCorrected.arg(count);
}
