#include "core/search/HarvestRules.h"

#include "core/search/ServiceMarkup.h"
#include "core/util/ControlCharacters.h"
#include "core/util/Deployment.h"
#include "core/util/HtmlEntities.h"
#include "core/util/UrlText.h"

QString ResultLinkPrefix()
{
    return (Deployment::searchBase() + QLatin1Char('/')).toLower();
}

QString ResultTitle(const QString &anchorInnerHtml)
{
    QString title = anchorInnerHtml;
    title.remove(QStringLiteral("<em>"), Qt::CaseInsensitive);
    title.remove(QStringLiteral("</em>"), Qt::CaseInsensitive);
    // Markup escapes "&" and "<" in text; the title is the text itself. A reference may stand for a control.
    return RemoveControlCharacters(DecodeHtmlEntities(title)).trimmed();
}

QString ResultLink(const QString &anchorHref)
{
    QString link = anchorHref.trimmed();
    link.replace(QStringLiteral("&amp;"), QStringLiteral("&"), Qt::CaseInsensitive);
    return link;
}

QList<HarvestedResult> ResultsOnPage(const PageSnapshot &page, const QString &prefix)
{
    QList<HarvestedResult> results;
    for (const PageDiv &div : page.divs) {
        if (div.className.trimmed().toLower() != ServiceMarkup::kResultBlockClass || !div.firstAnchor)
            continue;
        const QString title = ResultTitle(div.firstAnchor->innerHtml);
        const QString link = ResultLink(div.firstAnchor->href);
        if (!title.isEmpty() && BeginsWithServicePrefix(link, prefix))
            results.append({title, link, CitationFromParts(div.parts)});
    }
    return results;
}

int NextPageLinkIndex(const PageSnapshot &page)
{
    for (int i = 0; i < page.anchors.size(); ++i) {
        const PageAnchor &a = page.anchors.at(i);
        QString text = a.innerText.toLower().trimmed();
        text.remove(QLatin1Char(' '));
        if (text == ServiceMarkup::kNextPageText && a.className.trimmed().toLower() == ServiceMarkup::kNextPageClass)
            return i;
    }
    return -1;
}

QString QueryShowTitle(const QString &pageText)
{
    const QString &marker = ServiceMarkup::kQueryShowMarker;
    const qsizetype at = pageText.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    QString t = pageText.mid(at + marker.size()).trimmed();
    t.replace(QLatin1Char('"'), QLatin1Char(' '));
    t = t.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char(' '));
    t = t.trimmed();
    const qsizetype space = t.indexOf(QLatin1Char(' '));
    if (space < 0)
        return {};
    return t.left(space).trimmed();
}
