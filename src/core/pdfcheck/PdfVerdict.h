#pragma once

#include <QMetaType>
#include <QString>

enum class PdfVerdict { Unchecked, Ok, Damaged, Encrypted, NotPdf, OtherPaper };

// What opening a saved PDF told.
struct PdfReport {
    PdfVerdict verdict = PdfVerdict::Unchecked;
    int pages = 0; // known when the file opened (Ok or OtherPaper)
    QString doi;   // from the document information, its XMP or the first page; empty when none was found
    QString title; // the PDF's own title (document information, else XMP); may be empty

    // Damaged, encrypted, not a PDF or another paper: the files a user should look at.
    bool suspicious() const;
};
Q_DECLARE_METATYPE(PdfReport)

// The word scripts match on: ok, damaged, encrypted, not-pdf, other-paper, unchecked.
QString VerdictKey(PdfVerdict verdict);
// The download list's text: 完好（n页）, 损坏, 加密, 非PDF, 疑似他文, 未检查.
QString VerdictText(const PdfReport &report);
