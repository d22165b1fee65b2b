#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTest>

// Files for the copy tool's tests to copy and to find.

// Writes `body` to `path`, with `modified` as its modification time when given.
inline void writeFile(const QString &path, const QByteArray &body, const QDateTime &modified = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(body), body.size());
    // Written out first: closing would otherwise write the last bytes and stamp the time again.
    QVERIFY(file.flush());
    if (modified.isValid())
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every entry of the folder, hidden ones included, with its contents: a temporary left behind shows up here.
inline QMap<QString, QByteArray> folderState(const QString &folder)
{
    QMap<QString, QByteArray> state;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries)
        state.insert(entry.fileName(), entry.isDir() ? QByteArray("<folder>") : readFile(entry.filePath()));
    return state;
}
