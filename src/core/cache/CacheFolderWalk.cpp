#include "core/cache/CacheFolderWalk.h"

#include <QDirIterator>

namespace {
QDir::Filters filtersFor(CacheFolderWalk::What what)
{
    // Without QDir::System: pipes, sockets and devices are not cache files, and opening one could block.
    const QDir::Filters common = QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot;
    return common | (what == CacheFolderWalk::What::Files ? QDir::Files : QDir::Dirs);
}
} // namespace

CacheFolderWalk::CacheFolderWalk(const QString &folder, What what)
{
    if (!folder.isEmpty())
        m_iterator = std::make_unique<QDirIterator>(folder, filtersFor(what), QDirIterator::Subdirectories);
}

CacheFolderWalk::~CacheFolderWalk() = default;

QStringList CacheFolderWalk::next(int count)
{
    QStringList paths;
    while (m_iterator && paths.size() < count && m_iterator->hasNext())
        paths.append(m_iterator->next());
    return paths;
}

bool CacheFolderWalk::atEnd() const
{
    return !m_iterator || !m_iterator->hasNext();
}

QStringList CacheFolderWalk::all(const QString &folder, What what)
{
    CacheFolderWalk walk(folder, what);
    QStringList paths;
    while (!walk.atEnd())
        paths += walk.next(4096);
    return paths;
}
