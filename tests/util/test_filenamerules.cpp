#include "core/util/AnsiCodePage.h"
#include "core/util/DocumentFileName.h"
#include "core/util/FileNameRules.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString sep(kPathSeparator);

QString repeated(const QString &piece, int count)
{
    return piece.repeated(count);
}

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}
} // namespace

class TestFileNameRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void makeSafeFileName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("forbidden characters removed") << "a/b:c*?.pdf"
                                                      << "abc.pdf";
        QTest::newRow("all nine forbidden") << "\\/:*?\"<>|"
                                            << "";
        QTest::newRow("edge dots") << "...name..."
                                   << "name";
        QTest::newRow("inner dots stay") << "a..b.pdf"
                                         << "a..b.pdf";
        QTest::newRow("space runs fold, tab dropped") << "x  \t  y"
                                                      << "x y";
        QTest::newRow("terminal escapes dropped")
            << QStringLiteral("\x1b]0;owned\x07\x1b[2Jname\x7f\u009b") << "]0;owned[2Jname";
        QTest::newRow("bidi overrides and isolates dropped")
            << QStringLiteral("evil\u202efdp.exe\u202a\u202b\u202c\u202d\u2066\u2067\u2068\u2069") << "evilfdp.exe";
        QTest::newRow("direction marks stay") << QStringLiteral("a\u200eb\u200f") << QStringLiteral("a\u200eb\u200f");
        QTest::newRow("name starting with ESC") << QStringLiteral("\x1b.pdf") << "pdf";
        QTest::newRow("long space run") << "a      b"
                                        << "a b";
        QTest::newRow("single edge spaces stay") << " a "
                                                 << " a ";
        QTest::newRow("line breaks and NUL") << QStringLiteral("a\r\nb\rc\nd") + QChar(u'\0') + "e"
                                             << "abcde";
        QTest::newRow("dot dot") << ".."
                                 << "";
        QTest::newRow("dot") << "."
                             << "";
        QTest::newRow("escape attempt") << "../../etc/passwd"
                                        << "etcpasswd";
        QTest::newRow("dots behind forbidden chars") << "/./"
                                                     << "";
        QTest::newRow("dot after line break") << ".\n."
                                              << "";
        QTest::newRow("half surrogate pairs dropped")
            << QString(QChar(0xD83D)) + "a" + QChar(0xDE00) + QString::fromUtf8("😀") + QChar(0xD800)
            << QString::fromUtf8("a😀");
        QTest::newRow("chinese title") << "深度学习：综述?"
                                       << "深度学习：综述";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("cut ends just after a dot") << repeated("a", 199) + ".bbb" << repeated("a", 199) + ".";
        QTest::newRow("300 ASCII characters") << repeated("x", 300) << repeated("x", 200);
        QTest::newRow("no half character at the limit") << repeated("a", 199) + "中" << repeated("a", 199);
    }
    void makeSafeFileName()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(MakeSafeFileName(text), expected);
    }

    // A long Chinese title: 100 characters fill the 200 GBK bytes; where names are counted in UTF-8 bytes the
    // name stays short enough that a counter and a long extension still make a name the file system takes.
    void makeSafeFileNameLongChineseTitle()
    {
        const QString title = repeated("学", 150);
        const QString name = MakeSafeFileName(title);
        QVERIFY(title.startsWith(name));
        QVERIFY(AnsiCodePage::encode(name).size() <= 200);
#ifdef Q_OS_WIN
        QCOMPARE(name.size(), 100);
#else
        QCOMPARE(name.size(), 75);
#endif
        QTemporaryDir dir;
        QVERIFY(touch(dir.filePath(name + "[10000].vnd.rn-realmedia")));
    }

    // The one name both the download and the later existence check use: no blanks or dots at the ends, so a title
    // ending in " ?" names the same file on every run.
    void documentBaseName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("question mark after a blank") << "Deep learning ?"
                                                     << "Deep learning";
        QTest::newRow("blank and dot ends left by removed characters") << " ?. A title. ?"
                                                                       << "A title";
        QTest::newRow("outer white space of any kind")
            << QStringLiteral("\u3000\t题目\u00a0") << QStringLiteral("题目");
        QTest::newRow("inner blanks fold") << "a   b"
                                           << "a b";
        QTest::newRow("only forbidden characters") << "???"
                                                   << "";
        QTest::newRow("only dots and controls") << QStringLiteral(". .\x1b\u202e.") << "";
        QTest::newRow("control characters")
            << QStringLiteral("\x1b[31mred\x1b[0m \u202eflipped") << "[31mred[0m flipped";
    }
    void documentBaseName()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString name = DocumentBaseName(text);
        QCOMPARE(name, expected);
        QCOMPARE(DocumentBaseName(name), name);
    }

    // A name is never empty: the chosen source, then the other one, then the fixed name.
    void documentFileName_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("fromAddress");
        QTest::addColumn<QString>("expected");
        const QString pdf = "http://h/files/d105.pdf";
        QTest::newRow("title") << "A &amp; B ?" << pdf << false << "A &amp; B";
        QTest::newRow("title that leaves nothing: the address") << " ?? " << pdf << false << "d105";
        QTest::newRow("address") << "Title" << pdf << true << "d105";
        QTest::newRow("address that leaves nothing: the title") << "Title"
                                                                << "http://h/dir/" << true << "Title";
        QTest::newRow("neither: the fixed name") << "..."
                                                 << "http://h/dir/" << false << kUnnamedDocument;
        QTest::newRow("neither, from the address") << ""
                                                   << "http://h/.pdf" << true << kUnnamedDocument;
    }
    void documentFileName()
    {
        QFETCH(QString, title);
        QFETCH(QString, address);
        QFETCH(bool, fromAddress);
        QFETCH(QString, expected);
        QCOMPARE(DocumentFileName(title, address, fromAddress), expected);
    }

    void truncateToAnsiBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fits") << "abc" << 3 << "abc";
        QTest::newRow("ascii cut") << "abcdef" << 4 << "abcd";
        QTest::newRow("two-byte characters") << "中文字" << 4 << "中文";
        QTest::newRow("limit inside a character drops it") << "中文字" << 5 << "中文";
        QTest::newRow("mixed") << "a中b" << 2 << "a";
        QTest::newRow("euro sign is one byte") << "€€€" << 2 << "€€";
        QTest::newRow("zero") << "abc" << 0 << "";
        QTest::newRow("negative") << "abc" << -5 << "";
        QTest::newRow("no GBK code: kept, not '?'") << "ä中" << 4 << "ä中";
        QTest::newRow("no GBK code: cut whole") << "aä" << 2 << "a";
        QTest::newRow("surrogate pair never split") << QString::fromUtf8("😀x") << 3 << "";
        QTest::newRow("surrogate pair kept") << QString::fromUtf8("😀x") << 5 << QString::fromUtf8("😀x");
    }
    void truncateToAnsiBytes()
    {
        QFETCH(QString, text);
        QFETCH(int, limit);
        QFETCH(QString, expected);
        QCOMPARE(TruncateToAnsiBytes(text, limit), expected);
    }

    void makeUniqueFileName_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free name") << QStringList{} << "b.pdf"
                                   << "b.pdf";
        QTest::newRow("first counter") << QStringList{"b.pdf"} << "b.pdf"
                                       << "b[0001].pdf";
        QTest::newRow("second counter") << QStringList{"b.pdf", "b[0001].pdf"} << "b.pdf"
                                        << "b[0002].pdf";
        QTest::newRow("no extension") << QStringList{"readme"} << "readme"
                                      << "readme[0001]";
        QTest::newRow("numbered name tries the bare name") << QStringList{"b[7].pdf"} << "b[7].pdf"
                                                           << "b.pdf";
        QTest::newRow("numbered suffix replaced, not stacked") << QStringList{"b[0003].pdf", "b.pdf"} << "b[0003].pdf"
                                                               << "b[0001].pdf";
        QTest::newRow("non-numeric bracket kept") << QStringList{"b[x].pdf"} << "b[x].pdf"
                                                  << "b[x][0001].pdf";
        QTest::newRow("long extension is still the extension") << QStringList{"a.torrent"} << "a.torrent"
                                                               << "a[0001].torrent";
        QTest::newRow("a folder takes the name too") << QStringList{"d.pdf/"} << "d.pdf"
                                                     << "d[0001].pdf";
    }
    void makeUniqueFileName()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, wanted);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString folder = QDir::toNativeSeparators(dir.path()) + sep;
        for (const QString &name : existing) {
            if (name.endsWith(u'/'))
                QVERIFY(QDir(dir.path()).mkdir(name.chopped(1)));
            else
                QVERIFY(touch(folder + name));
        }
        QCOMPARE(MakeUniqueFileName(folder + wanted), folder + expected);
    }

    void makeUniqueFileNameCounterWidth()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + sep;
        QVERIFY(touch(folder + "n.txt"));
        for (int i = 1; i <= 9; ++i)
            QVERIFY(touch(folder + QStringLiteral("n[000%1].txt").arg(i)));
        QCOMPARE(MakeUniqueFileName(folder + "n.txt"), folder + "n[0010].txt");
    }

    void makeUniqueFileNameLongBase()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + sep;
        const QString base = repeated("q", 120);
        QVERIFY(touch(folder + base + ".pdf"));
        QCOMPARE(MakeUniqueFileName(folder + base + ".pdf"), folder + repeated("q", 100) + ".pdf");
    }

#ifndef Q_OS_WIN
    void makeUniqueFileNameDanglingLinkCounts()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + sep;
        QVERIFY(QFile::link(folder + "nowhere", folder + "x.pdf"));
        QCOMPARE(MakeUniqueFileName(folder + "x.pdf"), folder + "x[0001].pdf");
    }

    // A free name with its counter must still be a name the file system accepts.
    void makeUniqueFileNameFitsTheFileSystem()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + sep;
        const QString base = repeated("文", 84); // 252 bytes of UTF-8 + ".p" fits; the counter would not
        QVERIFY(touch(folder + base + ".p"));
        const QString unique = MakeUniqueFileName(folder + base + ".p");
        QVERIFY(unique != folder + base + ".p");
        QVERIFY(touch(unique));
    }
#endif

    // The folder is made exactly as given: only NUL is no name on this platform.
    void createFolderPath_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("expected"); // relative to the root
        QTest::newRow("whole chain with trailing separator") << "a/b/"
                                                             << "a/b";
        QTest::newRow("dot folders stay dot folders") << ".cache/papers"
                                                      << ".cache/papers";
        QTest::newRow("question mark and other characters names refuse") << "what?/x:y*|<>\"q\""
                                                                         << "what?/x:y*|<>\"q\"";
        QTest::newRow("spaces and edge dots kept") << "a  b /c. /...d"
                                                   << "a  b /c. /...d";
        QTest::newRow("doubled separator") << "a//b"
                                           << "a//b";
        QTest::newRow("parent part climbs as the path says") << "a/../b"
                                                             << "a/../b";
        QTest::newRow("existing folders reused") << "pre/new"
                                                 << "pre/new";
        QTest::newRow("existing folder") << "pre"
                                         << "pre";
    }
    void createFolderPath()
    {
        QFETCH(QString, relative);
        QFETCH(QString, expected);
        RecordingPrompt prompt;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("pre"));
        const QString root = QDir::toNativeSeparators(dir.path());
        QString reason = "untouched";
        const QString result = CreateFolderPath(root + sep + QDir::toNativeSeparators(relative), &reason);
        QCOMPARE(result, root + sep + QDir::toNativeSeparators(expected));
        QVERIFY(QFileInfo(result).isDir());
        // The folder the path names, not one beside it.
        QCOMPARE(QFileInfo(result).canonicalFilePath(), QFileInfo(dir.path() + "/" + relative).canonicalFilePath());
        QCOMPARE(reason, QString("untouched"));
        QVERIFY(prompt.texts().isEmpty());
    }

    // A folder that cannot be made: nothing in its place, and the system's reason; never a message of its own.
    void createFolderPathFails_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("reason"); // a part of it
        QTest::newRow("a file on the way") << "file/x"
                                           << "Not a directory";
        QTest::newRow("a file in its place") << "file"
                                             << ""; // "Not a directory" or "File exists", as the library words it
        QTest::newRow("NUL") << QStringLiteral("a") + QChar(u'\0') + "b"
                             << "NUL";
#ifndef Q_OS_WIN
        QTest::newRow("no permission") << "locked/x"
                                       << "Permission denied";
#endif
    }
    void createFolderPathFails()
    {
        QFETCH(QString, relative);
        QFETCH(QString, reason);
        RecordingPrompt prompt;
        QTemporaryDir dir;
        QVERIFY(touch(dir.filePath("file")));
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        if (relative.startsWith("locked") && QFileInfo(dir.filePath("locked")).isWritable())
            QSKIP("the file system lets this user write anywhere");
        QString why;
        QCOMPARE(CreateFolderPath(dir.path() + sep + relative, &why), QString());
        QVERIFY(!why.isEmpty());
        QVERIFY2(why.contains(reason, Qt::CaseInsensitive), qPrintable(why));
        QVERIFY(prompt.texts().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"file", "locked"}));
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

#ifndef Q_OS_WIN
    void createFolderPathRoot()
    {
        QCOMPARE(CreateFolderPath("/"), QString("/"));
        QCOMPARE(CreateFolderPath("//"), QString("/"));
        QString why;
        QCOMPARE(CreateFolderPath("", &why), QString());
        QVERIFY(!why.isEmpty());
    }
#endif

    void isExistingFileAndFolder()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("f.txt");
        QVERIFY(touch(file));
        QVERIFY(touch(dir.filePath(".hidden")));
        QVERIFY(IsExistingFile(file));
        QVERIFY(IsExistingFile("  " + file + "  "));
        QVERIFY(IsExistingFile(QUrl::fromLocalFile(file).toString()));
        QVERIFY(IsExistingFile(dir.filePath(".hidden")));
        QVERIFY(!IsExistingFile(dir.path()));
        QVERIFY(!IsExistingFile(dir.filePath("missing")));
        QVERIFY(!IsExistingFile("   "));
        QVERIFY(!IsExistingFile("file:///"));
        QVERIFY(IsExistingFolder(dir.path()));
        QVERIFY(!IsExistingFolder(file));
        QVERIFY(!IsExistingFolder("  "));
        QVERIFY(!IsExistingFolder(""));
    }

    void fileNameFromPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("expected");
        QTest::newRow("address") << "http://h/a/b.pdf" << false << "b.pdf";
        QTest::newRow("address, no extension") << "http://h/a/b.pdf" << true << "b";
        QTest::newRow("backslash path trimmed") << "C:\\x\\ y.pdf " << false << "y.pdf";
        QTest::newRow("no separator stays untrimmed") << " name " << false << " name ";
        QTest::newRow("last dot only") << "/x/a.tar.gz" << true << "a.tar";
        QTest::newRow("trailing separator") << "/x/y/" << false << "";
        QTest::newRow("hidden file without extension") << "/x/.cfg" << true << "";
        QTest::newRow("no dot") << "/x/readme" << true << "readme";
    }
    void fileNameFromPath()
    {
        QFETCH(QString, path);
        QFETCH(bool, drop);
        QFETCH(QString, expected);
        QCOMPARE(FileNameFromPath(path, drop), expected);
    }

    void splitPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("fileExtension"); // SplitFileName's result
        QTest::addColumn<QString>("fileBase");
        QTest::newRow("plain") << "/x/a.pdf"
                               << "/x/"
                               << "a"
                               << "pdf"
                               << "pdf"
                               << "a";
        QTest::newRow("seven-character extension") << "/x/archive.torrent"
                                                   << "/x/"
                                                   << "archive.torrent"
                                                   << ""
                                                   << ""
                                                   << "archive.torrent";
        QTest::newRow("six-character extension") << "/x/a.backup"
                                                 << "/x/"
                                                 << "a"
                                                 << "backup"
                                                 << "backup"
                                                 << "a";
        QTest::newRow("dot name") << "/x/.pdf"
                                  << "/x/"
                                  << ".pdf"
                                  << ""
                                  << "pdf"
                                  << "";
        QTest::newRow("no folder") << "a.b.c"
                                   << ""
                                   << "a.b"
                                   << "c"
                                   << "c"
                                   << "a.b";
        QTest::newRow("spaces trimmed") << "  /x/a b .pdf  "
                                        << "/x/"
                                        << "a b"
                                        << "pdf"
                                        << "pdf"
                                        << "a b";
        QTest::newRow("trailing dot") << "/x/a."
                                      << "/x/"
                                      << "a"
                                      << ""
                                      << ""
                                      << "a";
        QTest::newRow("folder only") << "/x/"
                                     << "/x/"
                                     << ""
                                     << ""
                                     << ""
                                     << "";
    }
    void splitPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QString, base);
        QFETCH(QString, extension);
        QFETCH(QString, fileExtension);
        QFETCH(QString, fileBase);
        const QString native = QDir::toNativeSeparators(path);
        QString gotBase, gotExtension;
        QCOMPARE(SplitPath(native, gotBase, gotExtension), QDir::toNativeSeparators(folder));
        QCOMPARE(gotBase, base);
        QCOMPARE(gotExtension, extension);
        QCOMPARE(SplitFileName(native, gotBase), fileExtension);
        QCOMPARE(gotBase, fileBase);
    }

    void splitBracketNumber_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("base");
        QTest::newRow("counter") << "report[0012]"
                                 << "0012"
                                 << "report";
        QTest::newRow("decimal with spaces") << "r[ 3.5 ]"
                                             << "3.5"
                                             << "r";
        QTest::newRow("signed") << "r[-2]"
                                << "-2"
                                << "r";
        QTest::newRow("base not trimmed") << "a [7]"
                                          << "7"
                                          << "a ";
        QTest::newRow("last bracket pair") << "a[1][2]"
                                           << "2"
                                           << "a[1]";
        QTest::newRow("not numeric") << "r[x]"
                                     << ""
                                     << "r[x]";
        QTest::newRow("empty brackets") << "r[]"
                                        << ""
                                        << "r[]";
        QTest::newRow("only the number") << "[12]"
                                         << ""
                                         << "[12]";
        QTest::newRow("not at the end") << "a[1]b"
                                        << ""
                                        << "a[1]b";
        QTest::newRow("no opening bracket") << "a1]"
                                            << ""
                                            << "a1]";
        QTest::newRow("two signs") << "a[+-1]"
                                   << ""
                                   << "a[+-1]";
    }
    void splitBracketNumber()
    {
        QFETCH(QString, name);
        QFETCH(QString, number);
        QFETCH(QString, base);
        QString gotBase;
        QCOMPARE(SplitBracketNumber(name, gotBase), number);
        QCOMPARE(gotBase, base);
    }

    void urlFileNameAndExtension_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::newRow("query") << "http://h/dl.php?id=3"
                               << "dl.php?id=3"
                               << "php";
        QTest::newRow("nested address") << "http://a.com/x/go?u=http://b.com/f.pdf"
                                        << "go?u=http://b.com/f.pdf"
                                        << "";
        QTest::newRow("fragment") << "https://h/p/file.name.pdf#page=2"
                                  << "file.name.pdf"
                                  << "pdf";
        QTest::newRow("dot after the query mark") << "http://h/x.htm?a=b.c"
                                                  << "x.htm?a=b.c"
                                                  << "htm";
        QTest::newRow("long extension") << "http://h/file.torrent"
                                        << "file.torrent"
                                        << "";
        QTest::newRow("no path") << "http://h.com"
                                 << "h.com"
                                 << "com";
        QTest::newRow("trailing slash") << "http://h/dir/"
                                        << ""
                                        << "";
        QTest::newRow("no scheme") << "dir/a.pdf"
                                   << "a.pdf"
                                   << "pdf";
        QTest::newRow("backslash separates") << "http://h/a\\b.doc"
                                             << "b.doc"
                                             << "doc";
        QTest::newRow("stops at quote") << "http://h/a.pdf'x"
                                        << "a.pdf"
                                        << "pdf";
        QTest::newRow("stops at tab") << "http://h/a.pdf\tx"
                                      << "a.pdf"
                                      << "pdf";
        QTest::newRow("empty segment of a nested address") << "http://a.com/://x"
                                                           << ""
                                                           << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
    }
    void urlFileNameAndExtension()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QString gotName;
        QCOMPARE(UrlFileNameAndExtension(address, gotName), extension);
        QCOMPARE(gotName, name);
    }

    void stripLineBreaks()
    {
        QCOMPARE(StripLineBreaks(QStringLiteral("a\r\nb\rc\nd") + QChar(u'\0') + "e\r\n\r\n"), QString("abcde"));
        QCOMPARE(StripLineBreaks("tab\tstays"), QString("tab\tstays"));
    }

    void isNumericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("whole") << "12" << true;
        QTest::newRow("decimal") << "3.5" << true;
        QTest::newRow("signed") << "-2" << true;
        QTest::newRow("leading space") << " 7" << true;
        QTest::newRow("trailing dot") << "7." << true;
        QTest::newRow("leading dot") << ".5" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << "  " << false;
        QTest::newRow("sign only") << "-" << false;
        QTest::newRow("letters") << "x1" << false;
        QTest::newRow("inner space") << "1 2" << false;
    }
    void isNumericText()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(IsNumericText(text), numeric);
    }
};

QTEST_GUILESS_MAIN(TestFileNameRules)
#include "test_filenamerules.moc"
