#include "core/util/FileOrigin.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <sys/xattr.h>
#endif

namespace {
#ifdef Q_OS_LINUX
constexpr char kOriginAttribute[] = "user.xdg.origin.url";
// Longer addresses are not taken for an origin: nothing the program saves comes from one.
constexpr int kLongestAddress = 64 * 1024;
#endif
} // namespace

bool SetFileOrigin(const QString &path, const QString &address)
{
#ifdef Q_OS_LINUX
    const QByteArray value = address.toUtf8();
    return ::setxattr(QFile::encodeName(path).constData(), kOriginAttribute, value.constData(),
                      static_cast<size_t>(value.size()), 0) == 0;
#else
    Q_UNUSED(path);
    Q_UNUSED(address);
    return false;
#endif
}

QString FileOrigin(const QString &path)
{
#ifdef Q_OS_LINUX
    QByteArray value(kLongestAddress, Qt::Uninitialized);
    const ssize_t size = ::getxattr(QFile::encodeName(path).constData(), kOriginAttribute, value.data(),
                                    static_cast<size_t>(value.size()));
    return size > 0 ? QString::fromUtf8(value.constData(), size) : QString();
#else
    Q_UNUSED(path);
    return {};
#endif
}
