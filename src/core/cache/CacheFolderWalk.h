#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QDirIterator;

// Walks a folder tree a batch at a time, so a cache of tens of thousands of files is listed in steps between which
// the window stays responsive. Links are neither listed nor entered: a link planted in a cache folder can neither
// lead the walk (and a later delete) out of it nor make it endless. A folder comes before everything under it.
class CacheFolderWalk final
{
public:
    enum class What { Files, Folders };

    CacheFolderWalk(const QString &folder, What what);
    ~CacheFolderWalk();
    CacheFolderWalk(const CacheFolderWalk &) = delete;
    CacheFolderWalk &operator=(const CacheFolderWalk &) = delete;

    // Up to `count` further full paths; an empty list at the end.
    QStringList next(int count);
    bool atEnd() const;

    // The whole walk at once, for small trees.
    static QStringList all(const QString &folder, What what);

private:
    std::unique_ptr<QDirIterator> m_iterator;
};
