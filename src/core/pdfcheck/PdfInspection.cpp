#include "core/pdfcheck/PdfInspection.h"

#include "core/pdfcheck/PdfStructure.h"
#include "core/pdfcheck/TitleMatch.h"
#include "core/util/DoiText.h"
#include "core/util/QuietRead.h"

#include <QRegularExpression>
#include <mutex>
#include <poppler-qt6.h>

namespace {
// Poppler writes every repair it makes to stderr; the verdict already says what matters.
void silencePoppler()
{
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, {}); });
}

QString decodeXmlText(QString text)
{
    static const QList<QPair<QString, QString>> entities{{QStringLiteral("&lt;"), QStringLiteral("<")},
                                                         {QStringLiteral("&gt;"), QStringLiteral(">")},
                                                         {QStringLiteral("&quot;"), QStringLiteral("\"")},
                                                         {QStringLiteral("&apos;"), QStringLiteral("'")},
                                                         {QStringLiteral("&amp;"), QStringLiteral("&")}};
    for (const auto &[entity, character] : entities)
        text.replace(entity, character);
    return text.trimmed();
}
} // namespace

QString XmpTitle(const QString &xmp)
{
    static const QRegularExpression title(QStringLiteral("<dc:title\\b[^>]*>.*?<rdf:li\\b[^>]*>(.*?)</rdf:li>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = title.match(xmp);
    return match.hasMatch() ? decodeXmlText(match.captured(1)) : QString();
}

QString XmpDoi(const QString &xmp)
{
    // The properties publishers put the DOI in, as an element or an attribute of rdf:Description; dc:identifier
    // may hold it plainly, as "doi:10..." or inside an rdf:Bag.
    static const QRegularExpression element(
        QStringLiteral("<(prism:doi|pdfx:doi|crossmark:DOI|dc:identifier)\\b[^>]*>(.*?)</\\1>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("\\b(?:prism:doi|pdfx:doi|crossmark:DOI|dc:identifier)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    for (QRegularExpressionMatchIterator it = element.globalMatch(xmp); it.hasNext();) {
        const QString doi = FindDoi(decodeXmlText(it.next().captured(2).replace(tags, QStringLiteral(" "))));
        if (!doi.isEmpty())
            return doi;
    }
    for (QRegularExpressionMatchIterator it = attribute.globalMatch(xmp); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString doi = FindDoi(decodeXmlText(match.captured(1) + match.captured(2)));
        if (!doi.isEmpty())
            return doi;
    }
    return {};
}

PdfReport InspectPdf(const QString &path, const QString &rowTitle)
{
    silencePoppler();
    PdfReport report;
    // One opening serves the hand-made reading and the library's.
    QFile file;
    OpenQuietly(file, path);
    switch (PdfStructure::inspectFile(file)) {
    case PdfStructure::Shape::NotPdf:
        report.verdict = PdfVerdict::NotPdf;
        return report;
    case PdfStructure::Shape::CutShort:
    case PdfStructure::Shape::BrokenXref:
    case PdfStructure::Shape::Unreadable:
        report.verdict = PdfVerdict::Damaged;
        return report;
    case PdfStructure::Shape::Complete:
        break;
    }
    file.seek(0);
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(&file);
    if (!document) {
        report.verdict = PdfVerdict::Damaged;
        return report;
    }
    if (document->isLocked()) {
        report.verdict = PdfVerdict::Encrypted;
        return report;
    }
    report.pages = document->numPages();
    const std::unique_ptr<Poppler::Page> first = report.pages > 0 ? document->page(0) : nullptr;
    if (!first) {
        report.verdict = PdfVerdict::Damaged;
        report.pages = 0;
        return report;
    }
    const QString xmp = document->metadata();
    report.title = document->info(QStringLiteral("Title")).trimmed();
    if (report.title.isEmpty())
        report.title = XmpTitle(xmp);
    const QString pageText = first->text(QRectF());
    // The document's own word first: the first page may also carry the DOIs of papers it cites.
    report.doi = FindDoi(document->info(QStringLiteral("doi")) + u'\n' + document->info(QStringLiteral("DOI")));
    if (report.doi.isEmpty())
        report.doi = XmpDoi(xmp);
    for (const QString &source :
         {document->info(QStringLiteral("Subject")), document->info(QStringLiteral("Keywords")), pageText}) {
        if (!report.doi.isEmpty())
            break;
        report.doi = FindDoi(source);
    }
    report.verdict =
        TitleMatch::anotherPaper(rowTitle, report.title, pageText) ? PdfVerdict::OtherPaper : PdfVerdict::Ok;
    return report;
}
