#include "core/download/ResumePoint.h"

#include <QRegularExpression>

namespace {
struct ContentRange {
    qint64 first = 0;
    qint64 last = 0;
    std::optional<qint64> total;
};

std::optional<ContentRange> parseContentRange(QByteArrayView header)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*bytes\s+(\d{1,18})-(\d{1,18})/(\d{1,18}|\*)\s*$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(header.data(), header.size()));
    if (!match.hasMatch())
        return std::nullopt;
    ContentRange range{match.captured(1).toLongLong(), match.captured(2).toLongLong(), std::nullopt};
    if (match.captured(3) != QLatin1String("*"))
        range.total = match.captured(3).toLongLong();
    return range;
}
} // namespace

BodyValidators BodyValidators::FromAnswer(QByteArrayView etag, QByteArrayView lastModified)
{
    BodyValidators validators;
    const QByteArray tag = etag.trimmed().toByteArray();
    // A weak one starts with "W/".
    if (tag.size() >= 2 && tag.startsWith('"') && tag.endsWith('"'))
        validators.etag = tag;
    validators.lastModified = lastModified.trimmed().toByteArray();
    return validators;
}

bool BodyValidators::sameCopyAs(const BodyValidators &answer) const
{
    if (!etag.isEmpty())
        return answer.etag == etag;
    return !lastModified.isEmpty() && answer.lastModified == lastModified;
}

std::optional<qint64> ContentRangeTotal(QByteArrayView contentRange)
{
    const auto range = parseContentRange(contentRange);
    return range ? range->total : std::nullopt;
}

ResumeAnswer JudgeResumeAnswer(const ResumePoint &point, int status, QByteArrayView contentRange,
                               const BodyValidators &answer)
{
    if (status == 200)
        return ResumeAnswer::StartOver;
    if (status == 416)
        return ResumeAnswer::AskAgain;
    if (status != 206)
        return ResumeAnswer::NotJudged;
    // Only the whole rest of the same body can be appended; any other piece would leave a hole or a seam.
    const auto range = parseContentRange(contentRange);
    if (range && range->first == point.offset && range->total == point.total && range->last == point.total - 1 &&
        point.validators.sameCopyAs(answer))
        return ResumeAnswer::Append;
    return ResumeAnswer::AskAgain;
}
