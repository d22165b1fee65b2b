#include "core/pdfcheck/PdfVerdict.h"

#include "core/pdfcheck/PdfCheckTexts.h"

bool PdfReport::suspicious() const
{
    return verdict != PdfVerdict::Ok && verdict != PdfVerdict::Unchecked;
}

QString VerdictKey(PdfVerdict verdict)
{
    switch (verdict) {
    case PdfVerdict::Ok:
        return QStringLiteral("ok");
    case PdfVerdict::Damaged:
        return QStringLiteral("damaged");
    case PdfVerdict::Encrypted:
        return QStringLiteral("encrypted");
    case PdfVerdict::NotPdf:
        return QStringLiteral("not-pdf");
    case PdfVerdict::OtherPaper:
        return QStringLiteral("other-paper");
    case PdfVerdict::Unchecked:
        break;
    }
    return QStringLiteral("unchecked");
}

QString VerdictText(const PdfReport &report)
{
    switch (report.verdict) {
    case PdfVerdict::Ok:
        return PdfCheckTexts::k完好页数.arg(report.pages);
    case PdfVerdict::Damaged:
        return PdfCheckTexts::k损坏;
    case PdfVerdict::Encrypted:
        return PdfCheckTexts::k加密;
    case PdfVerdict::NotPdf:
        return PdfCheckTexts::k非PDF;
    case PdfVerdict::OtherPaper:
        return PdfCheckTexts::k疑似他文;
    case PdfVerdict::Unchecked:
        break;
    }
    return PdfCheckTexts::k未检查;
}
