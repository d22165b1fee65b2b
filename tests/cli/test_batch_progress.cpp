#include "cli/BatchProgress.h"

#include <QTest>
#include <cstdio>

namespace {
// What `write` puts on a stream, read back as UTF-8.
template <typename Write> QString written(bool live, Write &&write, bool quiet = false)
{
    std::FILE *stream = std::tmpfile();
    if (!stream)
        return QStringLiteral("<no temporary file>");
    {
        BatchProgress progress(stream, live, quiet);
        write(progress);
    }
    std::fflush(stream);
    std::rewind(stream);
    QByteArray bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
        bytes.append(buffer, qsizetype(n));
    std::fclose(stream);
    return QString::fromUtf8(bytes);
}
} // namespace

class TestBatchProgress final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A line shows what it carries without letting it steer the terminal; a message of several lines keeps them.
    void linesEscapeWhatWouldActOnTheTerminal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("title change and clear screen")
            << QStringLiteral("analysed 1/1 成功: \x1b]0;owned\x07\x1b[2Jx")
            << QStringLiteral("analysed 1/1 成功: \\x1b]0;owned\\x07\\x1b[2Jx\n");
        QTest::newRow("carriage return that would overwrite the line")
            << QStringLiteral("file done: /a\rfile failed") << QStringLiteral("file done: /a\\x0dfile failed\n");
        QTest::newRow("bidi override") << QStringLiteral("file done: /d/\u202efdp.exe")
                                       << QStringLiteral("file done: /d/\\u202efdp.exe\n");
        QTest::newRow("lines of a message") << QStringLiteral("创建文件夹出错！\n/x\nPermission denied")
                                            << QStringLiteral("创建文件夹出错！\n/x\nPermission denied\n");
    }
    void linesEscapeWhatWouldActOnTheTerminal()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(written(false, [&](BatchProgress &p) { p.line(text); }), shown);
    }

    // The bar's own erase sequence is the one escape that reaches the terminal.
    void liveBarStillErasesItsLine()
    {
        const QString out = written(true, [](BatchProgress &p) {
            p.bar(QStringLiteral("analysis"), 1, 2);
            p.line(QStringLiteral("x\x1b[2J"));
        });
        QCOMPARE(out.count(QStringLiteral("\r\x1b[K")), 2);
        QVERIFY(out.contains(QStringLiteral("x\\x1b[2J\n")));
        QCOMPARE(out.count(QChar(0x1b)), 2);
    }

    // Quiet: the errors still come, nothing else does, not even on a terminal.
    void quietKeepsOnlyErrors()
    {
        const QString out = written(
            true,
            [](BatchProgress &p) {
                p.line(QStringLiteral("analysed 1/2 成功: a"));
                p.bar({QStringLiteral("downloads"), 1, 2, QStringLiteral("1.00 KiB"), {}, {}, {}});
                p.error(QStringLiteral("file failed (HTTP 404): http://x/a.pdf"));
            },
            true);
        QCOMPARE(out, QStringLiteral("paperharvest batch: file failed (HTTP 404): http://x/a.pdf\n"));
    }

    // An error is one line that says whose it is, also when the message had several.
    void errorsAreOneLineWithTheProgramsName()
    {
        const QString out = written(false, [](BatchProgress &p) {
            p.error(QStringLiteral("创建文件夹出错！\n/x\nPermission denied\n"));
            p.error(QStringLiteral("file failed (HTTP 404): http://x/a.pdf"));
        });
        QCOMPARE(out, QStringLiteral("paperharvest batch: 创建文件夹出错！ /x Permission denied\n"
                                     "paperharvest batch: file failed (HTTP 404): http://x/a.pdf\n"));
    }
};

QTEST_APPLESS_MAIN(TestBatchProgress)
#include "test_batch_progress.moc"
