#include "core/download/BodyFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
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

// The hidden file opened for writing without following a link planted under its name (that would write outside the
// folder); such a link is removed and the file made anew. -1 when it cannot be opened.
int openWithoutLinks(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    int descriptor = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0 && errno == ELOOP && ::unlink(name.constData()) == 0)
        descriptor = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    return descriptor;
}
} // namespace

BodyFile::BodyFile(const QString &targetPath) : m_target(targetPath), m_temporary(TemporaryPathFor(targetPath))
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
    return reservations().contains(reservationKey(targetPath));
}

bool BodyFile::open()
{
    discard();
    m_failed = false;
    m_length = 0;
    m_systemError = 0;
    // Opened without truncating first: the lock decides whether the file is ours to start over.
    const int descriptor = openWithoutLinks(m_temporary);
    if (descriptor < 0) {
        m_systemError = errno;
        return false;
    }
    // Unbuffered: the pieces are large already, and a second buffer would only add a copy.
    if (!m_file.open(descriptor, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    if (!lockExclusively(descriptor) || !m_file.resize(0)) {
        m_file.close();
        return false;
    }
    return true;
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
    return true;
}

bool BodyFile::commit()
{
    if (!m_file.isOpen() || m_failed) {
        discard();
        return false;
    }
    errno = 0;
    const bool onDisk = m_file.flush() && ::fsync(m_file.handle()) == 0;
    // Renamed while still open and locked, so a cleanup of another process never takes it between the two steps.
    if (!onDisk ||
        std::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData()) != 0) {
        m_systemError = errno;
        discard();
        return false;
    }
    m_file.close();
    return true;
}

void BodyFile::discard()
{
    if (!m_file.isOpen())
        return;
    // Removed before the lock goes with the close, so nobody else can have taken the name over in between.
    ::unlink(QFile::encodeName(m_temporary).constData());
    m_file.close();
}

int BodyFile::RemoveLeftovers(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({kPrefix + QLatin1Char('*') + kSuffix}, QDir::Files | QDir::Hidden | QDir::System);
    int removed = 0;
    for (const QString &name : names) {
        QFile leftover(dir.filePath(name));
        // A link is never a body of ours; opening it would reach outside the folder.
        if (QFileInfo(leftover.fileName()).isSymLink() || !leftover.open(QIODevice::ReadOnly))
            continue;
        if (lockExclusively(leftover.handle()) && ::unlink(QFile::encodeName(leftover.fileName()).constData()) == 0)
            ++removed;
        leftover.close();
    }
    return removed;
}
