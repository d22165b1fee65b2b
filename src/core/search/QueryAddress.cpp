#include "core/search/QueryAddress.h"

#include "core/util/Deployment.h"
#include "core/util/UrlText.h"

namespace {
constexpr int kTypeCount = 6;
constexpr int kYearCount = 4;
// The first year each year filter keeps, by index (index 0: no filter).
constexpr int kSinceYear[kYearCount] = {0, 2017, 2016, 2015};
} // namespace

QString SearchHomeAddress()
{
    return Deployment::searchBase();
}

QString SearchAddressPrefix()
{
    return SearchHomeAddress() + QStringLiteral("/s?");
}

QString QueryAddress(const QString &keyword, int typeIndex, int yearIndex)
{
    if (typeIndex < 0 || typeIndex >= kTypeCount)
        typeIndex = 0;
    if (yearIndex < 0 || yearIndex >= kYearCount)
        yearIndex = 0;

    QString address = SearchAddressPrefix() + QStringLiteral("wd=") + EncodeQueryKeyword(keyword.trimmed());
    if (typeIndex > 0)
        address += QStringLiteral("&filter=sc_type%3D{") + QString::number(typeIndex) + QLatin1Char('}');
    if (yearIndex > 0) {
        // Built by concatenation: the "%3D"-style escapes would read as arg() placeholders.
        const QString year =
            QStringLiteral("sc_year%3D{") + QString::number(kSinceYear[yearIndex]) + QStringLiteral("%2C%2B}");
        address += typeIndex > 0 ? year : QStringLiteral("&filter=") + year;
    }
    return address;
}
