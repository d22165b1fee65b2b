// Files made by real tools (ImageMagick, zip, Ghostscript, LAME, LibreOffice), detected by us and by file(1).
// A format whose tool is not installed is skipped with the package to install.

#include "core/download/FileTypeDetection.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kToolTimeoutMs = 120000;

// What file(1) calls each format, in our extensions.
QString extensionForMime(const QString &mime)
{
    static const QHash<QString, QString> map{
        {QStringLiteral("image/png"), QStringLiteral("png")},
        {QStringLiteral("image/gif"), QStringLiteral("gif")},
        {QStringLiteral("image/jpeg"), QStringLiteral("jpg")},
        {QStringLiteral("image/tiff"), QStringLiteral("tif")},
        {QStringLiteral("application/zip"), QStringLiteral("zip")},
        {QStringLiteral("application/pdf"), QStringLiteral("pdf")},
        {QStringLiteral("audio/mpeg"), QStringLiteral("mp3")},
        {QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document"),
         QStringLiteral("docx")},
    };
    return map.value(mime);
}

struct Run {
    bool started = false;
    int exitCode = -1;
    QByteArray output;
};

Run run(const QString &program, const QStringList &arguments, const QString &workingDirectory)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    result.started = process.waitForStarted() && process.waitForFinished(kToolTimeoutMs);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAll();
    return result;
}

} // namespace

class TestDetectionCorpus : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_file;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_file = QStandardPaths::findExecutable(QStringLiteral("file"));
        if (m_file.isEmpty())
            QSKIP("file(1) is not installed (apt-get install file)");
        // Inputs for the tools: compressible text (so zip deflates it) and one second of silent 16-bit PCM.
        QFile words(m_dir.filePath(QStringLiteral("words.txt")));
        QVERIFY(words.open(QIODevice::WriteOnly));
        for (int i = 0; i < 2000; ++i)
            words.write(QByteArray::number(i) + " papers harvested\n");
        words.close();
        QFile silence(m_dir.filePath(QStringLiteral("silence.raw")));
        QVERIFY(silence.open(QIODevice::WriteOnly));
        silence.write(QByteArray(2 * 44100, '\0'));
    }

    void realFiles_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("package");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");

        const QStringList picture{QStringLiteral("-size"), QStringLiteral("48x32"),
                                  QStringLiteral("gradient:red-blue")};
        for (const char *ext : {"png", "gif", "jpg", "tif"}) {
            const QString out = QStringLiteral("picture.") + QLatin1String(ext);
            QTest::addRow("imagemagick %s", ext) << "convert"
                                                 << "imagemagick" << (picture + QStringList{out}) << out;
        }
        QTest::newRow("zip") << "zip"
                             << "zip" << QStringList{"-q", "archive.zip", "words.txt"} << "archive.zip";
        QTest::newRow("ghostscript pdf")
            << "gs"
            << "ghostscript"
            << QStringList{"-q",
                           "-dSAFER",
                           "-dNOPAUSE",
                           "-dBATCH",
                           "-sDEVICE=pdfwrite",
                           "-sOutputFile=document.pdf",
                           "-c",
                           "/Helvetica findfont 20 scalefont setfont 72 720 moveto (PaperHarvest) show showpage"}
            << "document.pdf";
        const QStringList pcm{"-r", "-s", "44.1", "--bitwidth", "16", "-m", "m", "--silent", "--tt", "Title"};
        QTest::newRow("lame mp3 with id3v2")
            << "lame"
            << "lame" << (pcm + QStringList{"--id3v2-only", "silence.raw", "v2.mp3"}) << "v2.mp3";
        QTest::newRow("lame mp3 with id3v1 tail")
            << "lame"
            << "lame" << (pcm + QStringList{"--id3v1-only", "silence.raw", "v1.mp3"}) << "v1.mp3";
        QTest::newRow("libreoffice docx")
            << "soffice"
            << "libreoffice-writer" << QStringList{"--headless", "--convert-to", "docx", "--outdir", ".", "words.txt"}
            << "words.docx";
    }

    void realFiles()
    {
        QFETCH(QString, program);
        QFETCH(QString, package);
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);

        const QString tool = QStandardPaths::findExecutable(program);
        if (tool.isEmpty())
            QSKIP(qPrintable(program + QStringLiteral(" is not installed (apt-get install ") + package +
                             QStringLiteral(")")));
        const Run made = run(tool, arguments, m_dir.path());
        const QString path = m_dir.filePath(output);
        if (!made.started || made.exitCode != 0 || !QFile::exists(path))
            QSKIP(qPrintable(program + QStringLiteral(" could not make a file (install ") + package +
                             QStringLiteral("): ") + QString::fromLocal8Bit(made.output).trimmed()));

        const Run described = run(m_file, {QStringLiteral("--brief"), QStringLiteral("--mime-type"), path}, {});
        QCOMPARE(described.exitCode, 0);
        const QString mime = QString::fromLatin1(described.output).trimmed();
        const QString expected = extensionForMime(mime);
        QVERIFY2(!expected.isEmpty(), qPrintable(QStringLiteral("file(1) says ") + mime));
        QCOMPARE(打开文件判断文件类型(path), expected);
    }
};

QTEST_GUILESS_MAIN(TestDetectionCorpus)
#include "test_detection_corpus.moc"
