#pragma once

#include <QString>

// PDFs made for the check's tests and benchmark with QPdfWriter (needs a QGuiApplication for its fonts).
struct PdfRecipe {
    QString infoTitle;   // the document information's title; empty writes none
    QString pageTitle;   // the large line at the top of the first page
    QString doiLine;     // a line under it, e.g. "DOI: 10.1000/xyz123"; may be empty
    int pages = 1;       // each page carries a few paragraphs of text
    QByteArray xmp = {}; // the document's XMP packet instead of the one the writer makes; empty keeps that
};

// Writes the PDF; false when the file could not be written.
bool WritePdf(const QString &path, const PdfRecipe &recipe);
// Writes the first half of `from` to `to`.
bool WriteFirstHalf(const QString &from, const QString &to);
// Writes `from` without its last `drop` bytes to `to`.
bool WriteAllBut(const QString &from, const QString &to, qint64 drop);
// Locks `from` with a user password into `to` with qpdf; false when qpdf is missing or fails.
bool LockWithPassword(const QString &from, const QString &to);
