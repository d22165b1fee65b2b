#include "core/net/RetryRule.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>
#include <array>

using namespace std::chrono_literals;

namespace {
// The waits of the first, second and third retry when the server names none.
constexpr std::array<std::chrono::milliseconds, RetryRule::kMaxRetries> kDefaultDelays{5s, 20s, 60s};

// The three date forms HTTP allows, all in GMT. The weekday is left out of the reading: a date whose weekday does
// not match (as a sloppy server writes, or as the locale computes for a two-digit year) still names the moment.
// RFC 850 writes a two-digit year, which the locale reads as 19xx; a server of today means 20xx.
QDateTime httpDate(const QString &text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QString value = QString(text).replace(space, QStringLiteral(" ")).trimmed();
    // IMF-fixdate and RFC 850 put a comma after the weekday, asctime a space.
    const qsizetype comma = value.indexOf(QLatin1Char(','));
    const QString withoutWeekday = comma >= 0 ? value.mid(comma + 1).trimmed() : value.section(QLatin1Char(' '), 1);
    const QLocale c = QLocale::c();
    for (const QString &format : {QStringLiteral("d MMM yyyy HH:mm:ss 'GMT'"),
                                  QStringLiteral("d-MMM-yy HH:mm:ss 'GMT'"), QStringLiteral("MMM d HH:mm:ss yyyy")}) {
        const QDateTime parsed = c.toDateTime(withoutWeekday, format);
        if (!parsed.isValid())
            continue;
        QDate date = parsed.date();
        if (date.year() < 1970)
            date = date.addYears(100);
        return QDateTime(date, parsed.time(), QTimeZone::utc());
    }
    return {};
}
} // namespace

namespace RetryRule {

bool IsRetryStatus(int httpStatus)
{
    return httpStatus == 429 || httpStatus == 503;
}

bool WillRetry(int httpStatus, int retriesSoFar)
{
    return IsRetryStatus(httpStatus) && retriesSoFar >= 0 && retriesSoFar < kMaxRetries;
}

std::optional<std::chrono::milliseconds> RetryAfterDelay(const QString &value, const QDateTime &now)
{
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (digits.match(trimmed).hasMatch()) {
        bool ok = false;
        const qint64 seconds = trimmed.toLongLong(&ok);
        // Anything past the longest wait is waited as the longest, so a huge number need not fit.
        if (!ok || seconds > std::chrono::duration_cast<std::chrono::seconds>(kLongestDelay).count())
            return kLongestDelay;
        return std::chrono::seconds(seconds);
    }
    const QDateTime when = httpDate(trimmed);
    if (!when.isValid())
        return std::nullopt;
    return std::chrono::milliseconds(std::max<qint64>(0, now.msecsTo(when)));
}

std::optional<std::chrono::milliseconds> NextRetryDelay(int httpStatus, const QString &retryAfter, int retriesSoFar,
                                                        const QDateTime &now)
{
    if (!WillRetry(httpStatus, retriesSoFar))
        return std::nullopt;
    if (const auto asked = RetryAfterDelay(retryAfter, now))
        return std::min(*asked, kLongestDelay);
    return kDefaultDelays.at(static_cast<std::size_t>(retriesSoFar));
}

} // namespace RetryRule
