#include "core/util/QuietRead.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

bool OpenQuietly(QFile &file, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    int descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOATIME);
    // O_NOATIME is refused on files of other users.
    if (descriptor < 0 && errno == EPERM)
        descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    file.setFileName(path);
    if (file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(descriptor);
    return false;
}
