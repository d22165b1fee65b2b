#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtEndian>

// Entry files in the browser's cache format, made by hand for tests: the fixed header, the key, then a body.
namespace CacheEntryFiles {
inline QByteArray header(quint32 keyLength, quint32 version = 5, quint64 magic = 0xfcfb6d1ba7725c30ULL)
{
    QByteArray bytes(24, '\0');
    auto *data = reinterpret_cast<uchar *>(bytes.data());
    qToLittleEndian<quint64>(magic, data);
    qToLittleEndian<quint32>(version, data + 8);
    qToLittleEndian<quint32>(keyLength, data + 12);
    qToLittleEndian<quint32>(0x12345678u, data + 16);
    return bytes;
}

inline QByteArray entry(const QByteArray &key, const QByteArray &body = "body")
{
    return header(quint32(key.size())) + key + body;
}

// Writes `bytes` to `folder`/`name`, creating the folder; returns the path.
inline QString write(const QString &folder, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// The entry file name for the n-th made-up entry.
inline QString name(int n, const char *stream = "0")
{
    return QStringLiteral("%1_%2").arg(n, 16, 16, QLatin1Char('0')).arg(QLatin1String(stream));
}
} // namespace CacheEntryFiles
