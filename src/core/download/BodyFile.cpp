#include "core/download/BodyFile.h"

#include "core/download/DiskSync.h"
#include "core/download/HiddenFileOpen.h"
#include "core/download/ResumeRecord.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// How much of a body may wait in memory before it is sent on to the disk.
constexpr qint64 kWriteBackStep = 8 * 1024 * 1024;
const QString kPrefix = QStringLiteral(".paperharvest-");
const QString kSuffix = QStringLiteral(".part");

// Targets of the body files alive in this process, with how many aim at each.
QHash<QString, int> &reservations()
{
    static QHash<QString, int> targets;
    return targets;
}

QString reservationKey(const QString &targetPath)
{
    return QFileInfo(targetPath).absoluteFilePath();
}

bool lockExclusively(int descriptor)
{
    return descriptor >= 0 && ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
}

void removeFile(const QString &path)
{
    ::unlink(QFile::encodeName(path).constData());
}

// Where a body of `length` bytes stands when its record lets it be resumed (by a transfer of `address`, or of
// whatever address the record names when that is empty). A body as long as the record says is no help: it may
// be whole, or not the body at all, and asking for nothing more gets no answer that could tell.
std::optional<ResumePoint> resumable(const QString &bodyPath, const QString &address, qint64 length)
{
    if (length <= 0)
        return std::nullopt;
    std::optional<ResumeRecord> record = ReadResumeRecordOf(bodyPath);
    if (!record)
        record = ReadResumeRecord(ResumeRecordPathFor(bodyPath));
    if (!record || (!address.isEmpty() && record->address != address) || length >= record->total)
        return std::nullopt;
    return ResumePoint{length, record->total, record->validators};
}
} // namespace

BodyFile::BodyFile(const QString &targetPath)
    : m_target(targetPath), m_temporary(TemporaryPathFor(targetPath)), m_record(ResumeRecordPathFor(m_temporary))
{
    ++reservations()[reservationKey(m_target)];
}

BodyFile::~BodyFile()
{
    discard();
    const QString key = reservationKey(m_target);
    auto &targets = reservations();
    if (--targets[key] <= 0)
        targets.remove(key);
}

QString BodyFile::TemporaryPathFor(const QString &targetPath)
{
    const QFileInfo target(targetPath);
    // Named after a digest of the target's name, not the name itself, which may already be as long as the file
    // system allows.
    const QByteArray digest =
        QCryptographicHash::hash(target.fileName().toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return target.absoluteDir().filePath(kPrefix + QString::fromLatin1(digest) + kSuffix);
}

bool BodyFile::IsReserved(const QString &targetPath)
{
    if (reservations().contains(reservationKey(targetPath)))
        return true;
    // Another process sharing the folder: its body file is locked while it writes.
    const int descriptor =
        ::open(QFile::encodeName(TemporaryPathFor(targetPath)).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool held = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(descriptor);
    return held;
}

bool BodyFile::open()
{
    discard();
    m_failed = false;
    return openLocked() && truncate();
}

bool BodyFile::openToResume(const QString &address)
{
    if (!m_file.isOpen()) {
        m_failed = false;
        if (!openLocked())
            return false;
    }
    m_resume = m_failed ? std::nullopt : resumable(m_temporary, address, m_file.size());
    if (!m_resume)
        return truncate();
    m_length = m_writtenBack = m_resume->offset;
    return m_file.seek(m_length);
}

bool BodyFile::startOver()
{
    if (!m_file.isOpen())
        return false;
    m_failed = false;
    return truncate();
}

void BodyFile::recordSource(const QString &address, const BodyValidators &validators, qint64 total)
{
    if (!m_file.isOpen())
        return;
    const ResumeRecord record{address, total, validators};
    if (validators.isEmpty() || total <= 0) {
        removeRecords();
        return;
    }
    // Beside the bytes where the file system allows it: a second file made and removed for every download costs
    // as much as the download of a small file.
    if (WriteResumeRecordOn(m_file.handle(), record))
        return;
    if (!WriteResumeRecord(m_record, record))
        removeFile(m_record);
}

bool BodyFile::openLocked()
{
    m_synced = false;
    m_length = 0;
    m_writtenBack = 0;
    m_resume.reset();
    m_systemError = 0;
    // Opened without truncating first: the lock decides whether the file is ours to start over or resume.
    const int descriptor = OpenHiddenFileWithoutLinks(m_temporary, O_RDWR);
    if (descriptor < 0) {
        m_systemError = errno;
        return false;
    }
    // Unbuffered: the pieces are large already, and a second buffer would only add a copy.
    if (!m_file.open(descriptor, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    if (!lockExclusively(descriptor)) {
        m_file.close();
        return false;
    }
    return true;
}

void BodyFile::removeRecords()
{
    removeFile(m_record);
    if (m_file.isOpen())
        RemoveResumeRecordOn(m_file.handle());
}

bool BodyFile::truncate()
{
    // The record goes first: bytes without a record are never resumed, a record without its bytes means nothing.
    removeRecords();
    m_length = 0;
    m_writtenBack = 0;
    m_synced = false;
    m_resume.reset();
    if (m_file.resize(0) && m_file.seek(0))
        return true;
    discard();
    return false;
}

bool BodyFile::write(const char *data, qint64 length)
{
    if (!m_file.isOpen() || m_failed)
        return false;
    errno = 0;
    if (m_file.write(data, length) != length) {
        // A full disk: what follows could not be trusted either.
        m_systemError = errno;
        m_failed = true;
        return false;
    }
    m_length += length;
    m_synced = false;
    // A large body is sent on to the disk as it grows, without waiting for it: the sync at its end then has only
    // the last piece left, instead of the whole file at once while nothing else moves.
    if (m_length - m_writtenBack >= kWriteBackStep) {
        ::sync_file_range(m_file.handle(), m_writtenBack, m_length - m_writtenBack, SYNC_FILE_RANGE_WRITE);
        m_writtenBack = m_length;
    }
    return true;
}

QCoro::Task<bool> BodyFile::sync()
{
    if (!m_file.isOpen() || m_failed) {
        discard();
        co_return false;
    }
    errno = 0;
    // The record goes on the sync's thread too: dropping an attribute that took a block of its own frees that block,
    // and a file system mounted with "discard" and no journal waits for the disk to discard it there and then
    // (milliseconds, up to a tenth of a second on a busy disk), which would hold up every transfer.
    const int error =
        m_file.flush() ? co_await SyncToDisk(m_file.handle(), [](int own) { RemoveResumeRecordOn(own); }) : errno;
    if (error != 0) {
        m_systemError = error;
        discard();
        co_return false;
    }
    m_synced = m_file.isOpen();
    co_return m_synced;
}

bool BodyFile::commit()
{
    if (!m_file.isOpen() || m_failed) {
        discard();
        return false;
    }
    errno = 0;
    const bool onDisk = m_synced || (m_file.flush() && ::fdatasync(m_file.handle()) == 0);
    // The document carries nothing of the download's own (sync() took the record away already).
    if (onDisk && !m_synced)
        RemoveResumeRecordOn(m_file.handle());
    // Renamed while still open and locked, so a cleanup of another process never takes it between the two steps.
    if (!onDisk ||
        std::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData()) != 0) {
        m_systemError = errno;
        discard();
        return false;
    }
    removeFile(m_record);
    m_file.close();
    return true;
}

void BodyFile::discard()
{
    if (!m_file.isOpen())
        return;
    // Removed before the lock goes with the close, so nobody else can have taken the name over in between.
    removeFile(m_record);
    removeFile(m_temporary);
    m_file.close();
}

void BodyFile::setAside()
{
    if (!m_file.isOpen())
        return;
    // Bytes that may not all have reached the disk are no start for the rest.
    if (m_failed || !resumable(m_temporary, {}, m_length)) {
        discard();
        return;
    }
    m_file.close();
}

std::optional<ResumePoint> BodyFile::LeftoverFor(const QString &targetPath, const QString &address)
{
    const QFileInfo body(TemporaryPathFor(targetPath));
    if (body.isSymLink() || !body.isFile())
        return std::nullopt;
    return resumable(body.filePath(), address, body.size());
}

int BodyFile::RemoveLeftovers(const QString &folder)
{
    const QDir dir(folder);
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addSecs(-std::chrono::seconds(kResumableFor).count());
    const QStringList names =
        dir.entryList({kPrefix + QLatin1Char('*') + kSuffix}, QDir::Files | QDir::Hidden | QDir::System);
    int removed = 0;
    for (const QString &name : names) {
        QFile leftover(dir.filePath(name));
        const QFileInfo info(leftover.fileName());
        // A link is never a body of ours; opening it would reach outside the folder.
        if (info.isSymLink() || !leftover.open(QIODevice::ReadOnly))
            continue;
        const QString record = ResumeRecordPathFor(leftover.fileName());
        // Kept for the row that wants it, for a while: the list that holds that row may be started again days later,
        // but a body whose row never comes back must not stay for ever.
        const bool waitsForItsRow =
            info.lastModified().toUTC() >= oldest && resumable(leftover.fileName(), {}, info.size());
        if (lockExclusively(leftover.handle()) && !waitsForItsRow) {
            removeFile(record);
            if (::unlink(QFile::encodeName(leftover.fileName()).constData()) == 0)
                ++removed;
        }
        leftover.close();
    }
    // Records whose body is gone (a kill between the two removals).
    for (const QString &name :
         dir.entryList({kPrefix + QLatin1Char('*') + kResumeRecordSuffix}, QDir::Files | QDir::Hidden)) {
        const QString record = dir.filePath(name);
        const QFileInfo body(record.chopped(kResumeRecordSuffix.size()) + kSuffix);
        if (!body.exists() && !body.isSymLink())
            removeFile(record);
    }
    return removed;
}
