#include "core/download/ResumeRecord.h"

#include "core/download/HiddenFileOpen.h"

#include <QFile>
#include <QList>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {
const QByteArray kFirstLine = "paperharvest-resume 1";
constexpr qint64 kLongestRecord = 64 * 1024;
const QString kBodySuffix = QStringLiteral(".part");
constexpr const char *kAttribute = "user.paperharvest.resume";

std::optional<ResumeRecord> parse(const QByteArray &text)
{
    // Five lines, the last one ended: a record cut short by a kill is no record.
    const QList<QByteArray> lines = text.split('\n');
    if (text.size() > kLongestRecord || lines.size() != 6 || lines.at(0) != kFirstLine || !lines.at(5).isEmpty())
        return std::nullopt;
    bool numeric = false;
    ResumeRecord record{QString::fromUtf8(lines.at(1)), lines.at(2).toLongLong(&numeric), {lines.at(3), lines.at(4)}};
    if (!numeric || record.total <= 0 || record.address.isEmpty() || record.validators.isEmpty())
        return std::nullopt;
    return record;
}

std::optional<QByteArray> serialize(const ResumeRecord &record)
{
    const QByteArray address = record.address.toUtf8();
    const BodyValidators &v = record.validators;
    if (address.contains('\n') || v.etag.contains('\n') || v.lastModified.contains('\n'))
        return std::nullopt;
    return kFirstLine + '\n' + address + '\n' + QByteArray::number(record.total) + '\n' + v.etag + '\n' +
           v.lastModified + '\n';
}
} // namespace

QString ResumeRecordPathFor(const QString &bodyPath)
{
    QString path = bodyPath;
    if (path.endsWith(kBodySuffix))
        path.chop(kBodySuffix.size());
    return path + kResumeRecordSuffix;
}

std::optional<ResumeRecord> ReadResumeRecord(const QString &path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return std::nullopt;
    }
    return parse(file.read(kLongestRecord + 1));
}

bool WriteResumeRecord(const QString &path, const ResumeRecord &record)
{
    const std::optional<QByteArray> text = serialize(record);
    if (!text)
        return false;
    const int descriptor = OpenHiddenFileWithoutLinks(path, O_WRONLY | O_TRUNC);
    if (descriptor < 0)
        return false;
    const bool written = ::write(descriptor, text->constData(), static_cast<size_t>(text->size())) == text->size();
    ::close(descriptor);
    return written;
}

bool WriteResumeRecordOn(int fd, const ResumeRecord &record)
{
    const std::optional<QByteArray> text = serialize(record);
    return text && ::fsetxattr(fd, kAttribute, text->constData(), static_cast<size_t>(text->size()), 0) == 0;
}

std::optional<ResumeRecord> ReadResumeRecordOf(const QString &bodyPath)
{
    QByteArray text(kLongestRecord, Qt::Uninitialized);
    const ssize_t length =
        ::lgetxattr(QFile::encodeName(bodyPath).constData(), kAttribute, text.data(), static_cast<size_t>(text.size()));
    if (length <= 0)
        return std::nullopt;
    text.truncate(length);
    return parse(text);
}

void RemoveResumeRecordOn(int fd)
{
    ::fremovexattr(fd, kAttribute);
}
