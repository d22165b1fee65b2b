#include "core/download/HiddenFileOpen.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

int OpenHiddenFileWithoutLinks(const QString &path, int flags)
{
    const QByteArray name = QFile::encodeName(path);
    flags |= O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    int descriptor = ::open(name.constData(), flags, 0666);
    if (descriptor < 0 && errno == ELOOP && ::unlink(name.constData()) == 0)
        descriptor = ::open(name.constData(), flags, 0666);
    return descriptor;
}
