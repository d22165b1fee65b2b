#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

// A small file system of its own (tmpfs), mounted on a fresh folder for one test and taken away with it, so a
// write can meet a real full disk (ENOSPC) the way a user's full partition makes it fail. Mounting needs the
// right to mount (root, as CI runs); without it available() is false and why() says so, and the test skips.
class SmallDisk final
{
public:
    explicit SmallDisk(qint64 bytes)
    {
        if (!m_dir.isValid()) {
            m_why = QStringLiteral("no temporary folder");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData()) != 0) {
            m_why = QStringLiteral("cannot mount a small tmpfs to fill (%1); run as root to test a full disk")
                        .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_mounted = true;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool available() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Takes every free byte with a filler file; true when the disk is full afterwards.
    bool fill()
    {
        const int fd = ::open(QFile::encodeName(filePath(QStringLiteral(".filler"))).constData(),
                              O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'f');
        // A write that finds less room than it asks for takes what there is; the next one fails.
        while (::write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }
    // Gives the filler's room back.
    void free() { QFile::remove(filePath(QStringLiteral(".filler"))); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};
