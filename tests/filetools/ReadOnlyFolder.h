#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Makes a folder refuse new entries, renames and removals for the helper's lifetime, whoever the test runs as:
// the permission bits do that for an ordinary user, but root passes them, so there the folder is also made
// immutable (which binds root too). ok() is false when neither took hold.
class ReadOnlyFolder final
{
public:
    explicit ReadOnlyFolder(QString path) : m_path(std::move(path))
    {
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        if (acceptsNewFiles())
            m_immutable = setImmutable(true);
        m_ok = !acceptsNewFiles();
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            setImmutable(false);
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    bool ok() const { return m_ok; }

private:
    bool acceptsNewFiles() const
    {
        QFile probe(m_path + QStringLiteral("/.probe"));
        if (!probe.open(QIODevice::WriteOnly))
            return false;
        probe.close();
        probe.remove();
        return true;
    }

    bool setImmutable(bool on) const
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QString m_path;
    bool m_immutable = false;
    bool m_ok = false;
};
