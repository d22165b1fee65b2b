#include "core/download/FileTypeDetection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// `head` followed by filler up to `length` bytes. The filler is a letter no rule looks for.
QByteArray sized(const QByteArray &head, qsizetype length, char filler = 'x')
{
    QByteArray bytes = head.left(length);
    bytes.append(QByteArray(length - bytes.size(), filler));
    return bytes;
}

QByteArray raw(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

// A compound document (the container of the old Office formats) whose first sector starts with `subtype`.
QByteArray compound(const QByteArray &subtype, qsizetype length = 2048)
{
    QByteArray bytes = sized(raw({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}), 512, '\0');
    bytes.append(subtype);
    return sized(bytes, length, '\0');
}

// A file whose last 128 bytes begin with `tag`.
QByteArray withTail(const QByteArray &body, const QByteArray &tag)
{
    return body + sized(tag, 128, ' ');
}

const QByteArray kPage = "<HTML lang=\"zh\">\r\n<TITLE>\xB5\xC7\xC2\xBC</TITLE>\r\n<body>please log in</body></html>";
const QByteArray kCaa = "[TARGET]\r\nA1=1\r\na2=2\r\nB1=x\r\nB2=y\r\nC1=\r\nC2=\r\nD1=\r\nD2=\r\nDocType=caj\r\n";

struct CountingReader {
    QByteArray data;
    qint64 total = 0;
    QList<QPair<qint64, qint64>> reads;

    FileTypeDetection::ByteReader reader()
    {
        return [this](qint64 offset, qint64 length) -> std::optional<QByteArray> {
            reads.append({offset, length});
            total += length;
            return data.mid(offset, length);
        };
    }
};

} // namespace

class TestDetection : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            qFatal("cannot write the fixture %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void detection_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");

        // Every signature, in a file long enough for all of them.
        QTest::newRow("pdf") << sized("%PDF-1.4\n", 600) << "pdf";
        QTest::newRow("caj") << sized(raw({0xC8, 0, 0, 0, 0x41}), 600) << "caj";
        QTest::newRow("CAJ zero is kdh") << sized(QByteArray("CAJ\0FILE", 8), 600) << "kdh";
        QTest::newRow("kdh") << sized("KDH 1.0", 600) << "kdh";
        QTest::newRow("nh") << sized(QByteArray("HN\0\0\x01", 5), 600) << "nh";
        QTest::newRow("tif little-endian") << sized(QByteArray("II*\0\x08\0", 6), 600) << "tif";
        QTest::newRow("tif big-endian not a rule") << sized(QByteArray("MM\0*\0\0", 6), 600) << "";
        QTest::newRow("rtf") << sized("{\\rtf1\\ansi", 600) << "rtf";
        QTest::newRow("exe") << sized("MZ\x90", 600) << "exe";
        QTest::newRow("rar") << sized("Rar!\x1A\x07", 600) << "rar";
        QTest::newRow("zip") << sized(raw({0x50, 0x4B, 3, 4, 0x14, 0, 0, 0, 8, 0}), 600) << "zip";
        QTest::newRow("docx") << sized(raw({0x50, 0x4B, 3, 4, 0x14, 0, 6, 0, 8, 0}), 600) << "docx";
        QTest::newRow("zip of another version") << sized(raw({0x50, 0x4B, 3, 4, 0x0A, 0, 0, 0, 0, 0}), 600) << "";
        QTest::newRow("swf") << sized("CWS\x06", 600) << "swf";
        QTest::newRow("swf other version") << sized("CWS\x0A", 600) << "";
        QTest::newRow("rm") << sized(".RMF\0", 600) << "rm";
        QTest::newRow("wma") << sized(raw({0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66}), 600) << "wma";
        QTest::newRow("mp3 id3v2.3") << sized("ID3\x03\0", 600) << "mp3";
        QTest::newRow("id3v2.4 is no signature") << sized("ID3\x04\0", 600) << "";
        QTest::newRow("png") << sized("\x89PNG\r\n\x1A\n", 600) << "png";
        QTest::newRow("gif89a") << sized("GIF89a", 600) << "gif";
        QTest::newRow("gif87a is no signature") << sized("GIF87a", 600) << "";
        QTest::newRow("jpg exif big-endian")
            << sized(raw({0xFF, 0xD8, 0xFF, 0xE1, 0, 0x20, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 0x2A}), 600) << "jpg";
        QTest::newRow("jpg exif little-endian not a rule")
            << sized(raw({0xFF, 0xD8, 0xFF, 0xE1, 0, 0x20, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0}), 600) << "";
        QTest::newRow("jpg jfif") << sized(raw({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0}), 600) << "jpg";
        QTest::newRow("doc") << compound(raw({0xEC, 0xA5, 0xC1, 0})) << "doc";
        QTest::newRow("xls") << compound(raw({0x09, 0x08, 0x10, 0})) << "xls";
        QTest::newRow("ppt") << compound(raw({0xA0, 0x46, 0x1D, 0xF0})) << "ppt";
        QTest::newRow("other compound document") << compound(raw({0xFD, 0xFF, 0xFF, 0xFF})) << "";

        // The first rule that matches decides; the text rules only run when no signature matched.
        QTest::newRow("pdf that looks like a page") << sized("%PDF-1.4\n" + kPage, 600) << "pdf";
        QTest::newRow("exe with a TAG tail") << withTail(sized("MZ", 600), "TAG") << "exe";
        QTest::newRow("TAG tail beats the page rule") << withTail(kPage, "TAG") << "mp3";
        QTest::newRow("page beats the caa rule") << kCaa + kPage << "htm";
        QTest::newRow("compound document with a TAG tail") << withTail(compound("\0\0\0\0", 1024), "TAG") << "mp3";

        // Files shorter than a rule needs: the head holds the file and one zero byte; a rule looking past it ends
        // the detection with no result.
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("3 bytes of %PDF") << QByteArray("%PD") << "";
        QTest::newRow("CAJ without its zero byte") << QByteArray("CAJ") << "kdh";
        QTest::newRow("MZ alone never reaches its rule") << QByteArray("MZ") << "";
        QTest::newRow("MZ in 4 bytes") << QByteArray("MZ\x90\0", 4) << "exe";
        QTest::newRow("page of 14 bytes") << QByteArray("<html><title>x") << "";
        QTest::newRow("page of 15 bytes") << QByteArray("<html><title>xy") << "htm";
        QTest::newRow("doc of 515 bytes") << compound(raw({0xEC, 0xA5, 0xC1}), 515) << "doc";
        QTest::newRow("doc of 514 bytes") << compound(raw({0xEC, 0xA5}), 514) << "";

        // The MP3 tag at the end.
        QTest::newRow("id3v1 tag") << withTail(QByteArray(4000, '\x55'), "TAGtitle") << "mp3";
        QTest::newRow("tag in lower case") << withTail(QByteArray(4000, '\x55'), "tag") << "";
        QTest::newRow("129 bytes with the tag") << withTail("y", "TAG") << "mp3";
        QTest::newRow("128 bytes with the tag") << sized("TAG", 128, ' ') << "";

        // Web pages: the opening tag (with its space) or a closing tag, and one of title, head or body.
        QTest::newRow("login page, upper case") << kPage << "htm";
        QTest::newRow("closing tag and head") << QByteArray("<!doctype html>\n<head></head>") << "htm";
        QTest::newRow("html without title, head or body") << QByteArray("<html lang=en><p>hello</p></html>") << "";
        QTest::newRow("title but no html tag") << QByteArray("<htmlx><title>t</title><body></body>") << "";
        QTest::newRow("page just under 200 KB") << sized(kPage, 200 * 1024 - 1, ' ') << "htm";
        QTest::newRow("page of 200 KB") << sized(kPage, 200 * 1024, ' ') << "";
        QTest::newRow("page of 250 KB") << sized(kPage, 250 * 1024, ' ') << "";
        QTest::newRow("tags beyond the head") << QByteArray(10241, ' ') + kPage << "";

        // The CNKI caa text: every key, letter case ignored, only in files under 3 KB.
        QTest::newRow("caa") << kCaa << "caa";
        QTest::newRow("caa missing a key") << QByteArray(kCaa).replace("D2=", "D3=") << "";
        QTest::newRow("caa just under 3 KB") << sized(kCaa, 3 * 1024 - 1, ' ') << "caa";
        QTest::newRow("caa of 3 KB") << sized(kCaa, 3 * 1024, ' ') << "";

        QTest::newRow("plain text") << QByteArray("just some words of text, nothing more to it.") << "";
    }

    void detection()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);

        QCOMPARE(打开文件判断文件类型(write(QStringLiteral("sample.bin"), content)), expected);

        // The same bytes through a reader that records what the detection asks for: the head from the start,
        // the tag window at the end, nothing else.
        CountingReader counter{content, 0, {}};
        QCOMPARE(FileTypeDetection::detect(content.size(), counter.reader()), expected);
        const qint64 n = content.size();
        for (const auto &[offset, length] : std::as_const(counter.reads)) {
            const bool head = offset == 0 && length == std::min<qint64>(n, 10240) + 1;
            const bool tag = n > 128 && offset == n - 128 && length == 129;
            QVERIFY2(head || tag, qPrintable(QStringLiteral("read of %1 bytes at %2").arg(length).arg(offset)));
        }
        QVERIFY(counter.total <= 10241 + 129);
    }

    void largeFileReadsOnlyItsEnds()
    {
        CountingReader counter{sized("unknown", 5 * 1024 * 1024), 0, {}};
        QCOMPARE(FileTypeDetection::detect(counter.data.size(), counter.reader()), QString());
        QCOMPARE(counter.total, qint64(10241 + 129));
    }

    void readFailureGivesNoResult()
    {
        int calls = 0;
        const auto failing = [&calls](qint64, qint64) -> std::optional<QByteArray> {
            ++calls;
            return std::nullopt;
        };
        QCOMPARE(FileTypeDetection::detect(4096, failing), QString());
        QCOMPARE(calls, 1);
        // A failure at the tag read ends the detection too, although the page rule would have matched.
        const QByteArray page = sized(kPage, 4096, ' ');
        const auto tailFails = [&page](qint64 offset, qint64 length) -> std::optional<QByteArray> {
            if (offset != 0)
                return std::nullopt;
            return page.mid(offset, length);
        };
        QCOMPARE(FileTypeDetection::detect(page.size(), tailFails), QString());
    }

    void missingOrNotAFile()
    {
        QCOMPARE(打开文件判断文件类型(m_dir.filePath(QStringLiteral("absent.pdf"))), QString());
        QCOMPARE(打开文件判断文件类型(QString()), QString());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.pdf")));
        QCOMPARE(打开文件判断文件类型(m_dir.filePath(QStringLiteral("folder.pdf"))), QString());
    }

    void menuMessages()
    {
        QCOMPARE(FileTypeMessage(write(QStringLiteral("chosen.dat"), sized("%PDF-1.7\n", 100))),
                 QStringLiteral("文件类型为：pdf"));
        QCOMPARE(FileTypeMessage(write(QStringLiteral("chosen.dat"), QByteArray("no known format here"))),
                 QStringLiteral("目前还无法判断。"));
        QCOMPARE(CorrectedFileTypesMessage(3), QStringLiteral("纠正文件类型：3个."));
    }

    void correctItemFileType_data()
    {
        QTest::addColumn<QStringList>("existing"); // other files already in the folder
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("corrected");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("newType");

        const QByteArray pdf = sized("%PDF-1.5\n", 2000);
        QTest::newRow("pdf queued as xxx") << QStringList() << "paper"
                                           << "xxx" << pdf << true << "paper"
                                           << "pdf";
        QTest::newRow("login page saved as pdf") << QStringList() << "paper"
                                                 << "pdf" << kPage << true << "paper"
                                                 << "htm";
        QTest::newRow("page name taken") << QStringList{"paper.htm"} << "paper"
                                         << "pdf" << kPage << true << "paper[0001]"
                                         << "htm";
        QTest::newRow("numbered page name taken too") << QStringList{"paper.htm", "paper[0001].htm"} << "paper"
                                                      << "pdf" << kPage << true << "paper[0002]"
                                                      << "htm";
        QTest::newRow("no type yet") << QStringList() << "paper"
                                     << "" << pdf << true << "paper"
                                     << "pdf";
        QTest::newRow("name keeps its trailing space") << QStringList() << "paper "
                                                       << "xxx" << pdf << true << "paper "
                                                       << "pdf";
        QTest::newRow("already right, other letter case") << QStringList() << "paper"
                                                          << "PDF" << pdf << false << "paper"
                                                          << "PDF";
        QTest::newRow("unknown content stays") << QStringList() << "paper"
                                               << "pdf" << QByteArray("plain words") << false << "paper"
                                               << "pdf";
    }

    void correctItemFileType()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QByteArray, content);
        QFETCH(bool, corrected);
        QFETCH(QString, newName);
        QFETCH(QString, newType);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString &other : existing)
            QVERIFY(QFile(dir.filePath(other)).open(QIODevice::WriteOnly));
        const QString fileName = type.isEmpty() ? name : name + QLatin1Char('.') + type;
        {
            QFile file(dir.filePath(fileName));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }

        DownloadItem item;
        item.folder = dir.path() + QLatin1Char('/');
        item.name = name;
        item.type = type;
        QCOMPARE(CorrectItemFileType(item), corrected);
        QCOMPARE(item.name, newName);
        QCOMPARE(item.type, newType);

        // The row points at its file, which holds the downloaded bytes; the other files are untouched and empty.
        QFile file(ItemFilePath(item));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        if (corrected)
            QVERIFY(!QFile::exists(dir.filePath(fileName)));
        for (const QString &other : existing)
            QCOMPARE(QFileInfo(dir.filePath(other)).size(), 0);
    }

    void correctItemFileTypeMissingFile()
    {
        DownloadItem item;
        item.folder = m_dir.path() + QLatin1Char('/');
        item.name = QStringLiteral("never-downloaded");
        item.type = QStringLiteral("xxx");
        QVERIFY(!CorrectItemFileType(item));
        QCOMPARE(item.type, QStringLiteral("xxx"));
    }

    void correctItemFileTypeFolderWithoutSeparator()
    {
        // The file lives inside the row's folder even when the folder was stored without a trailing separator;
        // a same-named file beside the folder is not the row's.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("save")));
        QFile outside(dir.filePath(QStringLiteral("savepaper.xxx")));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.write("%PDF-1.4 not the row's file");
        outside.close();
        QFile inside(dir.filePath(QStringLiteral("save/paper.xxx")));
        QVERIFY(inside.open(QIODevice::WriteOnly));
        inside.write(sized("%PDF-1.4\n", 100));
        inside.close();

        DownloadItem item;
        item.folder = dir.filePath(QStringLiteral("save"));
        item.name = QStringLiteral("paper");
        item.type = QStringLiteral("xxx");
        QVERIFY(CorrectItemFileType(item));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("save/paper.pdf"))));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("savepaper.xxx"))));
    }
};

QTEST_GUILESS_MAIN(TestDetection)
#include "test_detection.moc"
