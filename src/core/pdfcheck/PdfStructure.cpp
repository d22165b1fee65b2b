#include "core/pdfcheck/PdfStructure.h"

#include <QFile>
#include <algorithm>

namespace PdfStructure {
namespace {
bool isPdfSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The offset written after "startxref" at `at`; nothing when no number follows.
std::optional<qint64> offsetAfter(const QByteArray &tail, qsizetype at)
{
    qsizetype i = at + qsizetype(sizeof("startxref") - 1);
    while (i < tail.size() && isPdfSpace(tail.at(i)))
        ++i;
    qint64 value = 0;
    int digits = 0;
    for (; i < tail.size() && isDigit(tail.at(i)); ++i) {
        if (++digits > 15)
            return std::nullopt;
        value = value * 10 + (tail.at(i) - '0');
    }
    return digits > 0 ? std::optional<qint64>(value) : std::nullopt;
}

// A classic table ("xref") or a cross-reference stream's object ("12 0 obj") starts within the window.
bool startsCrossReference(const QByteArray &bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && isPdfSpace(bytes.at(i)))
        ++i;
    if (bytes.mid(i, 4) == "xref")
        return true;
    const auto skipNumber = [&] {
        const qsizetype start = i;
        while (i < bytes.size() && isDigit(bytes.at(i)))
            ++i;
        return i > start;
    };
    const auto skipSpace = [&] {
        const qsizetype start = i;
        while (i < bytes.size() && isPdfSpace(bytes.at(i)))
            ++i;
        return i > start;
    };
    return skipNumber() && skipSpace() && skipNumber() && skipSpace() && bytes.mid(i, 3) == "obj";
}
} // namespace

Shape inspect(qint64 size, const ByteReader &read)
{
    if (size < 0)
        return Shape::Unreadable;
    const std::optional<QByteArray> head = read(0, std::min(size, kHeadWindow));
    if (!head)
        return Shape::Unreadable;
    const qsizetype header = head->indexOf("%PDF-");
    if (header < 0)
        return Shape::NotPdf;

    const qint64 tailStart = std::max<qint64>(0, size - kTailWindow);
    const std::optional<QByteArray> tail = read(tailStart, size - tailStart);
    if (!tail)
        return Shape::Unreadable;
    const qsizetype eof = tail->lastIndexOf("%%EOF");
    if (eof < 0 || tailStart + eof < size - kHeadWindow - 5)
        return Shape::CutShort;
    const qsizetype keyword = tail->lastIndexOf("startxref", eof);
    if (keyword < 0)
        return Shape::Complete; // a trailer too long for the window: nothing to say against the file
    const std::optional<qint64> offset = offsetAfter(*tail, keyword);
    if (!offset)
        return Shape::BrokenXref;
    // Offsets count from the file's first byte; some writers count from the header when junk precedes it.
    for (const qint64 candidate : {*offset, *offset + header}) {
        if (candidate >= size)
            continue;
        const std::optional<QByteArray> at = read(candidate, std::min(kXrefWindow, size - candidate));
        if (!at)
            return Shape::Unreadable;
        if (startsCrossReference(*at))
            return Shape::Complete;
        if (header == 0)
            break;
    }
    return *offset >= size ? Shape::CutShort : Shape::BrokenXref;
}

Shape inspectFile(QFile &file)
{
    if (!file.isOpen())
        return Shape::Unreadable;
    const qint64 size = file.size();
    return inspect(size, [&](qint64 offset, qint64 length) -> std::optional<QByteArray> {
        if (!file.seek(offset))
            return std::nullopt;
        QByteArray bytes = file.read(length);
        if (bytes.size() != length)
            return std::nullopt;
        return bytes;
    });
}

} // namespace PdfStructure
