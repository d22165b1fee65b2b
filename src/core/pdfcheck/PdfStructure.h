#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <functional>
#include <optional>

// What the bytes of a file say about it as a PDF, read by hand: a PDF library often repairs a file that was cut
// short and opens it as if nothing were missing, so the ending is checked here before the library sees the file.
// Reads at most three windows: the head, the tail and the bytes at the cross-reference offset the tail names.
namespace PdfStructure {

enum class Shape {
    Complete,   // "%PDF-" at the start, "%%EOF" at the end, and a startxref that points at a cross-reference
    CutShort,   // no "%%EOF" near the end, or a startxref past the end of the file
    BrokenXref, // ends properly but the startxref offset points at something that is no cross-reference
    NotPdf,     // no "%PDF-" header in the first kilobyte
    Unreadable, // the file could not be read
};

// The header may follow some junk, and readers accept "%%EOF" within the last kilobyte; the tail window is larger
// so the startxref keyword before it is also found.
constexpr qint64 kHeadWindow = 1024;
constexpr qint64 kTailWindow = 2048;
constexpr qint64 kXrefWindow = 64;

// Returns the bytes [offset, offset + length) of the file, or nothing when it cannot be read.
using ByteReader = std::function<std::optional<QByteArray>(qint64 offset, qint64 length)>;

Shape inspect(qint64 size, const ByteReader &read);
// An open file, read from where it stands; the position it is left at is undefined.
Shape inspectFile(QFile &file);

} // namespace PdfStructure
