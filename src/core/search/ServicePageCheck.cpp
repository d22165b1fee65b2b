#include "core/search/ServicePageCheck.h"

#include "core/net/Browser.h"
#include "core/search/HarvestRules.h"
#include "core/search/SearchTexts.h"
#include "core/search/ServiceMarkup.h"
#include "core/util/MessageText.h"

#include <QHostAddress>
#include <QUrl>
#include <algorithm>

namespace {
// The service's domain, taken as the last two labels of its host ("xueshu.baidu.com" -> "baidu.com"); an address
// literal is its own domain.
QString domainOf(const QString &host)
{
    if (!QHostAddress(host).isNull())
        return host;
    const QStringList labels = host.split(QLatin1Char('.'));
    return labels.size() <= 2 ? host : labels.mid(labels.size() - 2).join(QLatin1Char('.'));
}

// The page came from another host of the service (its verification host, say) than the one searched.
bool onAnotherServiceHost(const QString &pageAddress, const QString &serviceBase)
{
    const QString page = QUrl(pageAddress).host().toLower();
    const QString service = QUrl(serviceBase).host().toLower();
    if (page.isEmpty() || service.isEmpty() || page == service)
        return false;
    const QString domain = domainOf(service);
    return domain != service && page.endsWith(QLatin1Char('.') + domain);
}
} // namespace

ServicePageVerdict JudgeServicePage(const PageLoad &load, const QString &title, const QString &pageText,
                                    const QString &serviceBase)
{
    if (!load.failure.isEmpty())
        return {ServicePageState::Unreachable, load.failure};
    if (title.contains(ServiceMarkup::kVerificationTitle))
        return {ServicePageState::Verification, ServiceMarkup::kVerificationTitle};
    if (pageText.contains(ServiceMarkup::kVerificationText))
        return {ServicePageState::Verification, ServiceMarkup::kVerificationText};
    if (onAnotherServiceHost(load.url, serviceBase))
        return {ServicePageState::Verification, QUrl(load.url).host()};
    if (load.httpStatus >= 400)
        return {ServicePageState::Refused, QStringLiteral("HTTP %1").arg(load.httpStatus), load.httpStatus};
    return {};
}

ServicePageVerdict JudgeServiceSnapshot(const PageLoad &load, const QString &title, const PageSnapshot &page,
                                        const QString &serviceBase)
{
    if (page.oversize > 0) {
        constexpr double kMiB = 1024.0 * 1024.0;
        ServicePageVerdict verdict{ServicePageState::TooLarge};
        verdict.reasonKind = ServiceReasonKind::TooLarge;
        verdict.amount = double(page.oversize) / kMiB;
        verdict.limit = double(kPageReadLimit) / kMiB;
        verdict.reason = QStringLiteral("%1 MiB of text; the limit is %2 MiB")
                             .arg(verdict.amount, 0, 'f', 1)
                             .arg(verdict.limit, 0, 'f', 0);
        return verdict;
    }
    return JudgeServicePage(load, title, page.outerHtml, serviceBase);
}

ServicePageVerdict NoAnswerVerdict(qint64 seconds)
{
    ServicePageVerdict verdict{ServicePageState::Unreachable, QStringLiteral("no answer within %1 s").arg(seconds)};
    verdict.reasonKind = ServiceReasonKind::NoAnswer;
    verdict.amount = double(seconds);
    return verdict;
}

QString ServiceReasonForWindows(const ServicePageVerdict &verdict)
{
    switch (verdict.reasonKind) {
    case ServiceReasonKind::NoAnswer:
        return SearchTexts::kNoAnswerWithin.arg(verdict.amount, 0, 'f', 0);
    case ServiceReasonKind::TooLarge:
        return SearchTexts::kPageTooLarge.arg(verdict.amount, 0, 'f', 1).arg(verdict.limit, 0, 'f', 0);
    case ServiceReasonKind::Given:
        break;
    }
    return verdict.reason;
}

bool RefusesOnlyTheRequest(const ServicePageVerdict &verdict)
{
    return verdict.state == ServicePageState::Refused &&
           (verdict.httpStatus == 400 || verdict.httpStatus == 404 || verdict.httpStatus == 414);
}

bool IsResultPage(const PageSnapshot &page)
{
    if (!page.hasDocument)
        return false;
    const bool results = std::any_of(page.divs.cbegin(), page.divs.cend(), [](const PageDiv &div) {
        return div.className.trimmed().toLower() == ServiceMarkup::kResultBlockClass;
    });
    return results || NextPageLinkIndex(page) >= 0 || page.outerHtml.contains(ServiceMarkup::kNoResultsText) ||
           page.outerHtml.contains(ServiceMarkup::kQueryShowMarker);
}

QString ServiceProblemWhat(const ServicePageVerdict &verdict)
{
    QString what;
    switch (verdict.state) {
    case ServicePageState::Usable:
        return {};
    case ServicePageState::Verification:
        what = QStringLiteral("the search service asks for a verification");
        break;
    case ServicePageState::Refused:
        what = QStringLiteral("the search service refused the request");
        break;
    case ServicePageState::Unreachable:
        what = QStringLiteral("the search service cannot be reached");
        break;
    case ServicePageState::TooLarge:
        what = QStringLiteral("the search service's page is too large to read");
        break;
    case ServicePageState::NotResultPage:
        what = QStringLiteral("the browser shows a page that is not a result page");
        break;
    }
    if (!verdict.reason.isEmpty())
        what += QStringLiteral(" (%1)").arg(verdict.reason);
    return what;
}

QString ServiceProblemText(const ServicePageVerdict &verdict, const QString &keyword, const QString &address)
{
    if (verdict.usable())
        return {};
    return QStringLiteral("%1 while searching %2 at %3")
        .arg(ServiceProblemWhat(verdict), CutForMessage(keyword), CutForMessage(address));
}
