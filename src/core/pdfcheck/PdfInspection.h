#pragma once

#include "core/pdfcheck/PdfVerdict.h"

#include <QString>

// Opens a saved file as a PDF and tells what it is: its shape on disk first (a cut-short file is damaged even when
// the PDF library would repair it), then what the library reads: a password, the page count, the document's own
// title and DOI, and whether the first page names the paper the row asked for. Never changes the file.
// Blocking: runs on a worker thread (PdfChecker).
PdfReport InspectPdf(const QString &path, const QString &rowTitle);

// The title an XMP packet gives in dc:title, entities decoded; empty when none.
QString XmpTitle(const QString &xmp);
// The DOI an XMP packet gives in prism:doi, pdfx:doi, crossmark:DOI or dc:identifier (element or attribute,
// entities decoded); empty when none holds one.
QString XmpDoi(const QString &xmp);
