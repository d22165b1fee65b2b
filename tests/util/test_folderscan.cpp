#include "core/util/FileNameRules.h"
#include "core/util/FolderHistory.h"
#include "core/util/FolderScan.h"
#include "core/util/TextFile.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {
bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

QSet<QString> directEntries(const QString &folder, QDir::Filters kind)
{
    QSet<QString> out;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(kind | QDir::Hidden | QDir::NoDotAndDotDot))
        if (name.compare("pagefile.sys", Qt::CaseInsensitive) != 0)
            out.insert(dir.filePath(name));
    return out;
}

// Checks the walk order from `pos`: first exactly the folder's own subfolders (any order), then each one's whole
// subtree in that same order. Returns the position after the subtree, -1 on a violation.
qsizetype checkFolderOrder(const QString &folder, const QStringList &list, qsizetype pos)
{
    const QSet<QString> own = directEntries(folder, QDir::Dirs);
    if (pos + own.size() > list.size())
        return -1;
    const QStringList mine = list.mid(pos, own.size());
    if (QSet<QString>(mine.cbegin(), mine.cend()) != own)
        return -1;
    pos += own.size();
    for (const QString &sub : mine) {
        if (QFileInfo(sub).isSymLink())
            continue;
        pos = checkFolderOrder(sub, list, pos);
        if (pos < 0)
            return -1;
    }
    return pos;
}
} // namespace

class TestFolderScan : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString root() const { return m_dir.path(); }

private Q_SLOTS:
    void initTestCase()
    {
        QDir dir(root());
        for (const char *folder : {"d1/d11/d111", "d1/d12", "d2/d21/d211", "d3/RECYCLER/r2", ".hiddendir"})
            QVERIFY(dir.mkpath(folder));
        for (const char *file : {"f1", "d1/g1", "d1/d11/h1", "d1/d11/d111/i1", "d2/g2", "d3/RECYCLER/r", ".hiddendir/x",
                                 "pagefile.sys", "d2/PageFile.SYS"})
            QVERIFY(touch(dir.filePath(file)));
#ifndef Q_OS_WIN
        // A link back to the root would make a following walk endless; a fifo would block whoever opens it.
        QVERIFY(QFile::link(root(), dir.filePath("d2/loop")));
        QVERIFY(QFile::link(dir.filePath("f1"), dir.filePath("d2/f1link")));
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("d1/fifo")).constData(), 0600), 0);
#endif
    }

    void subfoldersRecursive()
    {
        QStringList list{"kept"};
        ListSubfolders(root(), list, true);
        QCOMPARE(list.takeFirst(), QString("kept"));
        // Every top folder is two levels deep, so a breadth-first walk would give a different order.
        QStringList expected{"d1",          "d1/d11", "d1/d11/d111", "d1/d12",         "d2",        "d2/d21",
                             "d2/d21/d211", "d3",     "d3/RECYCLER", "d3/RECYCLER/r2", ".hiddendir"};
#ifndef Q_OS_WIN
        expected << "d2/loop";
#endif
        QStringList got = list;
        for (QString &path : got)
            path = QDir(root()).relativeFilePath(path);
        QCOMPARE(QSet<QString>(got.cbegin(), got.cend()), QSet<QString>(expected.cbegin(), expected.cend()));
        QCOMPARE(list.size(), expected.size());
        QCOMPARE(checkFolderOrder(root(), list, 0), list.size());
    }

    void subfoldersOneLevel()
    {
        QStringList list;
        ListSubfolders(root() + "/", list, false);
        QCOMPARE(QSet<QString>(list.cbegin(), list.cend()), directEntries(root(), QDir::Dirs));
    }

    void filesRecursive()
    {
        QStringList list;
        ListFilesUnder(root(), list, true);
        QStringList got = list;
        for (QString &path : got)
            path = QDir(root()).relativeFilePath(path);
        QStringList expected{"f1", "d1/g1", "d1/d11/h1", "d1/d11/d111/i1", "d2/g2", "d3/RECYCLER/r", ".hiddendir/x"};
#ifndef Q_OS_WIN
        expected << "d2/f1link";
#endif
        QCOMPARE(QSet<QString>(got.cbegin(), got.cend()), QSet<QString>(expected.cbegin(), expected.cend()));
        QCOMPARE(list.size(), expected.size());
        // The root's own files come before anything from a subfolder, and each subtree's files stay together.
        QCOMPARE(got.first(), QString("f1"));
        QStringList tops;
        for (const QString &path : got.mid(1))
            if (tops.isEmpty() || tops.last() != path.section('/', 0, 0))
                tops << path.section('/', 0, 0);
        QCOMPARE(QSet<QString>(tops.cbegin(), tops.cend()).size(), tops.size());
    }

    void filesOneLevel()
    {
        QStringList list;
        ListFilesUnder(root() + "/d1", list, false);
        QCOMPARE(list, QStringList{root() + "/d1/g1"});
    }

    void nothingForRelativeOrMissingFolders()
    {
        QStringList list;
        ListSubfolders("docs", list, true);
        ListSubfolders(QDir(root()).dirName(), list, true);
        ListSubfolders(root() + "/missing", list, true);
        ListFilesUnder(root() + "/missing", list, true);
        ListFilesUnder(root() + "/f1", list, true);
        QVERIFY(list.isEmpty());
    }

    void historyLoadsFirstHundredLines()
    {
        QTemporaryDir dir;
        QStringList lines;
        for (int i = 0; i < 150; ++i)
            lines << QStringLiteral("/data/文件夹%1").arg(i);
        QVERIFY(TextFile::writeLines(dir.filePath("SaveList.dat"), lines));
        QStringList box{"old"};
        LoadFolderHistory(box, dir.filePath("SaveList.dat"));
        QCOMPARE(box, lines.mid(0, 100));
    }

    void historyTrimsSkipsBlanksAndRepeats()
    {
        QTemporaryDir dir;
        QStringList lines{"  /a  ", "", "   ", "/A", "/b"};
        for (int i = 0; i < 96; ++i)
            lines << "/a";
        lines << "/c"
              << "/d";
        QVERIFY(TextFile::writeLines(dir.filePath("h.dat"), lines));
        QStringList box;
        LoadFolderHistory(box, dir.filePath("h.dat"));
        // Repeats count towards the hundred lines: "/c" is the hundredth non-empty line, "/d" the 101st.
        QCOMPARE(box, (QStringList{"/a", "/b", "/c"}));
    }

    void historyMissingFileLeavesTheBoxAlone()
    {
        QTemporaryDir dir;
        QStringList box{"x", "y"};
        LoadFolderHistory(box, dir.filePath("none.dat"));
        LoadFolderHistory(box, dir.path());
        QCOMPARE(box, (QStringList{"x", "y"}));
    }

    void historySaveWritesGbkLines()
    {
        TestHome home;
        QCOMPARE(FolderHistoryFile(), home.filePath("SaveList.dat"));
        QVERIFY(SaveFolderHistory({"/中", "/b"}));
        QFile file(FolderHistoryFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("/\xD6\xD0\r\n/b\r\n"));
        file.close();

        QVERIFY(SaveFolderHistory({}));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\r\n"));
        file.close();
        QStringList box{"x"};
        LoadFolderHistory(box);
        QVERIFY(box.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFolderScan)
#include "test_folderscan.moc"
