#include "core/about/UpdateReply.h"

#include "core/about/ProgramVersion.h"

#include <QStringList>

namespace {
// A reply longer than this is not a version (the server answered with a page of some kind).
constexpr qsizetype kLongestReply = 10;

std::optional<qint64> decimal(const QString &part)
{
    if (part.isEmpty())
        return std::nullopt;
    for (const QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    return part.toLongLong();
}
} // namespace

std::optional<qint64> UpdateReplyNumber(const QString &reply)
{
    const QString text = reply.trimmed();
    if (text.isEmpty() || text.size() > kLongestReply)
        return std::nullopt;
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 3)
        return std::nullopt;
    const auto major = decimal(parts.at(0));
    const auto minor = decimal(parts.at(1));
    const auto revision = decimal(parts.at(2));
    if (!major || !minor || !revision)
        return std::nullopt;
    return VersionNumber(*major, *minor, *revision);
}

QString NewerVersionIn(const QString &reply, const QVersionNumber &own)
{
    const auto number = UpdateReplyNumber(reply);
    return number && *number > VersionNumber(own) ? reply.trimmed() : QString();
}
