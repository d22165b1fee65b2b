#include "cli/BatchProgress.h"
#include "cli/BatchRun.h"
#include "core/net/RetryRule.h"
#include "core/search/ListExchange.h"
#include "core/search/ListExchangeRun.h"
#include "core/search/QueryAddress.h"
#include "core/search/ResultListModel.h"
#include "core/search/SearchDriver.h"
#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/TextFile.h"
#include "pdfcheck/PdfFixtures.h"
#include "support/FixtureHttpServer.h"
#include "support/FolderFiles.h"
#include "support/ManualClock.h"
#include "support/ScholarSite.h"
#include "support/ScopedEnvironment.h"
#include "support/SmallDisk.h"
#include "support/TestEnvironment.h"
#include "web/WebEngineBrowser.h"

#include <QCoroTask>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
constexpr int kProgramLimitMs = 120000;

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// What a request for `address` looks like on the server's request line.
QString requestPath(const QString &address)
{
    return QString::fromUtf8(QUrl(address).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority));
}

QString resultPage(const QString &paperId)
{
    return QStringLiteral("/usercenter/paper/show?paperid=%1&site=xueshu_se").arg(paperId);
}

// A result page listing `results` (paper id, title markup) in the fixture site's form.
QByteArray resultListPage(const QList<QPair<QString, QByteArray>> &results)
{
    QByteArray page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>r</title></head><body>";
    for (const auto &[id, title] : results)
        page += "<div class=\"result\"><div class=\"sc_content\"><h3><a href=\"" + resultPage(id).toUtf8() +
                "\" target=\"_blank\">" + title + "</a></h3></div></div>";
    return page + "</body></html>";
}

QStringList keysAndStatuses(const QList<ResultRow> &rows)
{
    QStringList out;
    for (const ResultRow &row : rows)
        out << row.key + QLatin1Char('=') + row.status;
    return out;
}

bool askedFor(const FixtureHttpServer &server, const QString &pathStart)
{
    const auto requests = server.requests();
    return std::any_of(requests.cbegin(), requests.cend(),
                       [&](const FixtureHttpServer::Request &r) { return r.path.startsWith(pathStart.toUtf8()); });
}

template <typename T> T run(QCoro::Task<T> task)
{
    return QCoro::waitFor(std::move(task));
}

// A batch run going on while the test moves the clock.
class InBackground final
{
public:
    explicit InBackground(QCoro::Task<int> task) : m_task(follow(std::move(task))) {}
    bool endedWithin(int ms) const
    {
        return QTest::qWaitFor([this] { return done; }, ms);
    }

    bool done = false;
    int result = -1;

private:
    QCoro::Task<> follow(QCoro::Task<int> task)
    {
        result = co_await std::move(task);
        done = true;
    }
    QCoro::Task<> m_task;
};

} // namespace

class TestBatch final : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<FixtureHttpServer> m_server;
    std::unique_ptr<ScholarSite> m_site;

    std::unique_ptr<BatchProgress> m_progress = std::make_unique<BatchProgress>(stderr, false);

    QString outFolder() const { return m_home->filePath(QStringLiteral("out")); }

    BatchOptions options(const QStringList &keywords) const
    {
        BatchOptions o;
        o.keywords = keywords;
        o.delaySeconds = 0;
        o.saveFolder = outFolder();
        return o;
    }

    // Starts the program; `whileRunning` may act on the running process. The fixture site answers meanwhile.
    Outcome program(const QStringList &arguments, const std::function<void(QProcess &)> &whileRunning = {})
    {
        QProcess process;
        process.start(QStringLiteral(PH_PROGRAM), arguments);
        if (!process.waitForStarted())
            return {};
        if (whileRunning)
            whileRunning(process);
        QSignalSpy finished(&process, &QProcess::finished);
        if (process.state() != QProcess::NotRunning && !finished.wait(kProgramLimitMs)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    // The batch run through `executable` (python3 with a script that runs it, say) with `environment` added.
    Outcome batchThrough(const QString &executable, const QStringList &before, const QStringList &arguments,
                         const QHash<QString, QString> &environment = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto it = environment.cbegin(); it != environment.cend(); ++it)
            env.insert(it.key(), it.value());
        process.setProcessEnvironment(env);
        process.start(executable,
                      before +
                          QStringList{QStringLiteral(PH_PROGRAM), QStringLiteral("batch"), QStringLiteral("--delay"),
                                      QStringLiteral("0"), QStringLiteral("--out"), outFolder()} +
                          arguments);
        if (!process.waitForStarted())
            return {};
        QSignalSpy finished(&process, &QProcess::finished);
        if (process.state() != QProcess::NotRunning && !finished.wait(kProgramLimitMs)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    Outcome batch(QStringList arguments, const std::function<void(QProcess &)> &whileRunning = {})
    {
        return program(QStringList{QStringLiteral("batch"), QStringLiteral("--delay"), QStringLiteral("0"),
                                   QStringLiteral("--out"), outFolder()} +
                           arguments,
                       whileRunning);
    }

private Q_SLOTS:
    // The browser engine's first start in a process is slow; it happens here rather than inside the first run.
    void initTestCase()
    {
        init();
        WebEngineBrowser browser;
        QSignalSpy complete(&browser, &Browser::documentComplete);
        browser.navigate(m_site->base() + QStringLiteral("/"));
        QVERIFY(complete.wait(60000));
        cleanup();
    }

    void init()
    {
        m_home = std::make_unique<TestHome>();
        m_server = std::make_unique<FixtureHttpServer>();
        m_site = std::make_unique<ScholarSite>(*m_server);
        m_site->useAsSearchService();
    }

    void cleanup()
    {
        m_site.reset();
        m_server.reset();
        m_home.reset();
    }

    // The road from keywords to files, then a second run that skips what the first analysed.
    void wholeRoad_data()
    {
        QTest::addColumn<QStringList>("keywords");
        QTest::addColumn<QString>("keywordFile"); // "", "gbk" or "utf-8": the keywords come from a file
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("paperIds");
        QTest::addColumn<QStringList>("files");

        const QStringList typesFiles{QStringLiteral("图像里的文件类型.png"), QStringLiteral("网页里的文件类型.htm")};
        const QStringList twoKeywords{QStringLiteral("机器翻译"), QString(), QStringLiteral("  文件类型 ")};
        const QStringList twoIds{QStringLiteral("d201"), QStringLiteral("d202"), QStringLiteral("d301"),
                                 QStringLiteral("d302")};
        const QStringList twoFiles =
            QStringList{QStringLiteral("神经机器翻译.pdf"), QStringLiteral("统计机器翻译.pdf")} + typesFiles;

        QTest::newRow("one keyword, types corrected")
            << QStringList{QStringLiteral("文件类型")} << QString() << QStringList()
            << QStringList{QStringLiteral("d301"), QStringLiteral("d302")} << typesFiles;
        QTest::newRow("names from the addresses")
            << QStringList{QStringLiteral("文件类型")} << QString()
            << QStringList{QStringLiteral("--name-from-address")}
            << QStringList{QStringLiteral("d301"), QStringLiteral("d302")}
            << QStringList{QStringLiteral("d301.png"), QStringLiteral("d302.htm")};
        QTest::newRow("two keywords from a GBK file")
            << twoKeywords << QStringLiteral("gbk") << QStringList() << twoIds << twoFiles;
        QTest::newRow("two keywords from a UTF-8 file, engine 1")
            << twoKeywords << QStringLiteral("utf-8") << QStringList{QStringLiteral("--engine"), QStringLiteral("1")}
            << twoIds << twoFiles;
    }

    void wholeRoad()
    {
        QFETCH(QStringList, keywords);
        QFETCH(QString, keywordFile);
        QFETCH(QStringList, options);
        QFETCH(QStringList, paperIds);
        QFETCH(QStringList, files);

        QStringList arguments = options;
        if (keywordFile.isEmpty()) {
            arguments += keywords;
        } else {
            const QString path = m_home->filePath(QStringLiteral("keywords.list"));
            if (keywordFile == QLatin1String("gbk")) {
                QVERIFY(TextFile::writeLines(path, keywords));
            } else {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(keywords.join(QLatin1Char('\n')).toUtf8());
            }
            arguments << QStringLiteral("--keywords-file") << path;
        }

        const Outcome first = batch(arguments);
        QCOMPARE(first.exitCode, 0);
        QVERIFY2(first.out.contains(QStringLiteral("rows collected: %1\n").arg(paperIds.size())),
                 qPrintable(first.out));
        QVERIFY2(first.out.contains(QStringLiteral("analysed: 成功 %1\n").arg(paperIds.size())), qPrintable(first.out));
        QVERIFY2(first.out.contains(QStringLiteral("files: %1 done, 0 failed, 0 skipped").arg(files.size())),
                 qPrintable(first.out));
        files.sort();
        QCOMPARE(filesIn(outFolder()), files);
        // One progress line per page, per analysed row and per finished file.
        QCOMPARE(first.err.count(QStringLiteral("analysed ")), paperIds.size());
        QCOMPARE(first.err.count(QStringLiteral("file done: ")), files.size());

        QVERIFY(OpenVisitedDatabase());
        for (const QString &id : paperIds) {
            QString address = m_site->resultLink(id);
            QVERIFY2(IsVisitedAddress(address), qPrintable(address));
        }
        CloseVisitedDatabase();

        const Outcome second = batch(arguments + QStringList{QStringLiteral("--skip-visited")});
        QCOMPARE(second.exitCode, 0);
        QVERIFY2(second.out.contains(QStringLiteral("analysed: 跳过(曾经下载) %1\n").arg(paperIds.size())),
                 qPrintable(second.out));
        QVERIFY2(second.out.contains(QStringLiteral("files: 0 done, 0 failed, 0 skipped")), qPrintable(second.out));
        QCOMPARE(filesIn(outFolder()), files);
    }

    // A database the program may not write to: with --skip-visited the run stops before it asks anything; without,
    // it goes on without the database. The file stays as it was.
    void visitedDatabaseUnusable_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("our password, someone else's tables") << QByteArray();
        QTest::newRow("another password") << QByteArray("another password");
    }

    void visitedDatabaseUnusable()
    {
        QFETCH(QByteArray, key);
        const QString path = m_home->filePath(QStringLiteral("zxdata.db"));
        {
            Database foreign;
            if (key.isEmpty()) {
                QVERIFY(OpenOrCreateListFile(foreign, path)); // a list file where the database belongs
            } else {
                QVERIFY(foreign.create(path, key));
                QVERIFY(foreign.exec(QString::fromUtf16(VisitedDatabaseSql::kCreateVisitTable)));
            }
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        const Outcome skipping = batch({QStringLiteral("--skip-visited"), QStringLiteral("文件类型")});
        QCOMPARE(skipping.exitCode, BatchRun::kFatal);
        QVERIFY2(skipping.err.contains(QStringLiteral("the visited-address database cannot be used: %1").arg(path)),
                 qPrintable(skipping.err));
        QVERIFY(m_server->requests().isEmpty());
        QVERIFY(filesIn(outFolder()).isEmpty());

        const Outcome plain = batch({QStringLiteral("文件类型")});
        QCOMPARE(plain.exitCode, BatchRun::kCompleted);
        QVERIFY2(plain.err.contains(QStringLiteral("the visited-address database is not used: %1").arg(path)),
                 qPrintable(plain.err));
        QCOMPARE(filesIn(outFolder()).size(), 2);

        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // A paper whose download failed was never saved: the next run with --skip-visited analyses and saves it,
    // while the one that was saved stays skipped.
    void failedDownloadIsNotVisited()
    {
        FixtureHttpServer::Response cutShort =
            FixtureHttpServer::Response::html(QByteArray(4096, 'x'), "application/pdf");
        cutShort.closeAfterBodyBytes = 100;
        m_server->route(QStringLiteral("/files/d301.pdf"), cutShort);

        const QStringList arguments{QStringLiteral("--skip-visited"), QStringLiteral("文件类型")};
        const Outcome first = batch(arguments);
        QCOMPARE(first.exitCode, BatchRun::kSomeFailed);
        QVERIFY2(first.out.contains(QStringLiteral("analysed: 成功 2\n")), qPrintable(first.out));
        QVERIFY2(first.out.contains(QStringLiteral("files: 1 done, 1 failed")), qPrintable(first.out));
        QCOMPARE(filesIn(outFolder()), QStringList{QStringLiteral("网页里的文件类型.htm")});

        QVERIFY(OpenVisitedDatabase());
        QString failed = m_site->resultLink(QStringLiteral("d301"));
        QString saved = m_site->resultLink(QStringLiteral("d302"));
        QVERIFY(!IsVisitedAddress(failed));
        QVERIFY(IsVisitedAddress(saved));
        CloseVisitedDatabase();

        m_server->removeRoute(QStringLiteral("/files/d301.pdf"));
        const Outcome second = batch(arguments);
        QCOMPARE(second.exitCode, BatchRun::kCompleted);
        QVERIFY2(second.out.contains(QStringLiteral("成功 1")), qPrintable(second.out));
        QVERIFY2(second.out.contains(QStringLiteral("跳过(曾经下载) 1")), qPrintable(second.out));
        QVERIFY2(second.out.contains(QStringLiteral("files: 1 done, 0 failed")), qPrintable(second.out));
        QCOMPARE(filesIn(outFolder()),
                 (QStringList{QStringLiteral("图像里的文件类型.png"), QStringLiteral("网页里的文件类型.htm")}));
        QVERIFY(OpenVisitedDatabase());
        QVERIFY(IsVisitedAddress(failed));
        CloseVisitedDatabase();
    }

    // A file the server does not have and one whose server refuses the connection: the failed lines say why, and
    // the outputs for scripts carry the same, with the exit status unchanged.
    void scriptOutputs_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("--json") << QStringLiteral("--json");
        QTest::newRow("--quiet") << QStringLiteral("--quiet");
    }
    void scriptOutputs()
    {
        QFETCH(QString, option);
        m_server->route(QStringLiteral("/files/d301.pdf"),
                        FixtureHttpServer::Response::withStatus(404, "<html><body>Not Found</body></html>"));
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString refusedAddress = QStringLiteral("http://127.0.0.1:%1/files/d302.pdf").arg(closed.serverPort());
        closed.close();
        m_server->route(resultPage(QStringLiteral("d302")),
                        FixtureHttpServer::Response::html(
                            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>d302</title></head><body>"
                            "<div class=\"allversion_content\"><span class=\"dl_item_span\"><a class=\"dl_item\" "
                            "href=\"" +
                            refusedAddress.toUtf8() +
                            "\" target=\"_blank\"><span class=\"dl_source\">x</span><i class=\"c-icon "
                            "c-icon-pdf\"></i></a><span class=\"dl_lib\">(全网免费下载)</span></span></div>"
                            "</body></html>"));
        const QString notFoundAddress = m_site->base() + QStringLiteral("/files/d301.pdf");

        const Outcome outcome = batch({option, QStringLiteral("机器翻译"), QStringLiteral("文件类型")});
        QCOMPARE(outcome.exitCode, BatchRun::kSomeFailed);
        QVERIFY2(outcome.err.contains(QStringLiteral("file failed (HTTP 404): %1\n").arg(notFoundAddress)),
                 qPrintable(outcome.err));
        const qsizetype refusedLine = outcome.err.indexOf(QStringLiteral("): %1\n").arg(refusedAddress));
        QVERIFY2(refusedLine > 0, qPrintable(outcome.err));
        const qsizetype lineStart = outcome.err.lastIndexOf(QLatin1Char('\n'), refusedLine) + 1;
        const QString refusedPrefix = QStringLiteral("paperharvest batch: file failed (");
        QCOMPARE(outcome.err.mid(lineStart, refusedPrefix.size()), refusedPrefix);
        const QString refusedReason =
            outcome.err.mid(lineStart + refusedPrefix.size(), refusedLine - lineStart - refusedPrefix.size());
        QCOMPARE(refusedReason, QStringLiteral("连接被拒绝"));

        if (option == QLatin1String("--quiet")) {
            QVERIFY2(!outcome.err.contains(QStringLiteral("analysed ")), qPrintable(outcome.err));
            QVERIFY2(!outcome.err.contains(QStringLiteral("file done: ")), qPrintable(outcome.err));
            QCOMPARE(outcome.err.count(QStringLiteral("file failed (")), 2);
            QVERIFY2(outcome.out.contains(QStringLiteral("files: 2 done, 2 failed, 0 skipped\n")),
                     qPrintable(outcome.out));
            QVERIFY2(outcome.out.contains(QStringLiteral("received: ")), qPrintable(outcome.out));
            return;
        }

        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(outcome.out.toUtf8(), &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + outcome.out));
        const QJsonObject summary = document.object();
        QCOMPARE(summary.value(QStringLiteral("exitStatus")).toInt(), BatchRun::kSomeFailed);
        QCOMPARE(summary.value(QStringLiteral("rowsCollected")).toInt(), 4);
        QCOMPARE(summary.value(QStringLiteral("analysed")).toArray(),
                 (QJsonArray{QJsonObject{{QStringLiteral("status"), QStringLiteral("succeeded")},
                                         {QStringLiteral("label"), QStringLiteral("成功")},
                                         {QStringLiteral("rows"), 4}}}));
        QCOMPARE(summary.value(QStringLiteral("fileCounts")).toObject(),
                 (QJsonObject{{QStringLiteral("done"), 2},
                              {QStringLiteral("failed"), 2},
                              {QStringLiteral("skipped"), 0},
                              {QStringLiteral("notReached"), 0}}));
        QHash<QString, QJsonObject> byAddress;
        qint64 bytes = 0;
        for (const QJsonValue &file : summary.value(QStringLiteral("files")).toArray()) {
            const QJsonObject f = file.toObject();
            byAddress.insert(f.value(QStringLiteral("address")).toString(), f);
            // The total counts what arrived, error pages included.
            bytes += f.value(QStringLiteral("bytes")).toInteger();
            const QFileInfo saved(f.value(QStringLiteral("path")).toString());
            if (f.value(QStringLiteral("result")).toString() != QLatin1String("done"))
                continue;
            // A done file is the row's title under the save folder, with all its bytes.
            QCOMPARE(saved.completeBaseName(), f.value(QStringLiteral("title")).toString());
            QCOMPARE(saved.absolutePath(), QFileInfo(outFolder()).absoluteFilePath());
            QCOMPARE(f.value(QStringLiteral("bytes")).toInteger(), saved.size());
            QCOMPARE(f.value(QStringLiteral("reason")).toString(), QString());
        }
        QCOMPARE(byAddress.size(), 4);
        QCOMPARE(summary.value(QStringLiteral("bytesReceived")).toInteger(), bytes);
        const QJsonObject notFound = byAddress.value(notFoundAddress);
        QCOMPARE(notFound.value(QStringLiteral("result")).toString(), QStringLiteral("failed"));
        QCOMPARE(notFound.value(QStringLiteral("reason")).toString(), QStringLiteral("HTTP 404"));
        QVERIFY(!notFound.value(QStringLiteral("title")).toString().isEmpty());
        const QJsonObject refused = byAddress.value(refusedAddress);
        QCOMPARE(refused.value(QStringLiteral("result")).toString(), QStringLiteral("failed"));
        QCOMPARE(refused.value(QStringLiteral("reason")).toString(), refusedReason);
    }

    // What --json says, read by Python's json module: the address each engine fetched (the page's "&amp;" undone
    // by engine 2), the title of the row that handed the file over (not the file name made from it), and keys a
    // script matches on that are ASCII words, with the status words beside them as labels.
    void jsonSaysWhatHappened()
    {
        const QString keyword = QStringLiteral("脚本读者");
        m_server->route(ScholarSite::searchPath(keyword), FixtureHttpServer::Response::html(resultListPage({
                                                              {QStringLiteral("d101"), "A &amp; B &lt;c&gt;"},
                                                              {QStringLiteral("d102"), "无链接"},
                                                              {QStringLiteral("d202"), "Question ?"},
                                                          })));
        m_server->route(resultPage(QStringLiteral("d202")),
                        FixtureHttpServer::Response::html(
                            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>d202</title></head><body>"
                            "<div class=\"allversion_content\"><span class=\"dl_item_span\"><a class=\"dl_item\" "
                            "href=\"" +
                            m_site->base().toUtf8() +
                            "/files/get?id=5&amp;fmt=pdf\" target=\"_blank\"><span class=\"dl_source\">x</span><i "
                            "class=\"c-icon c-icon-pdf\"></i></a><span class=\"dl_lib\">(全网免费下载)</span></span>"
                            "</div></body></html>"));
        m_server->route(QStringLiteral("/files/get?id=5&fmt=pdf"),
                        FixtureHttpServer::Response::html("%PDF-1.4\n% a document\n%%EOF\n", "application/pdf"));
        m_server->route(QStringLiteral("/files/d101.pdf"),
                        FixtureHttpServer::Response::withStatus(404, "<html><body>Not Found</body></html>"));

        const Outcome o = batch({QStringLiteral("--json"), keyword});
        QCOMPARE(o.exitCode, BatchRun::kSomeFailed);

        QProcess reader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
        reader.setProcessEnvironment(environment);
        reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import json, sys
summary = json.load(sys.stdin)
def check(value):
    if isinstance(value, dict):
        for key, inner in value.items():
            if not (key.isascii() and key.isidentifier()):
                print("key not a word:", key)
            check(inner)
    elif isinstance(value, list):
        for inner in value:
            check(inner)
check(summary)
print("exit", summary["exitStatus"], summary["rowsCollected"], sep="|")
for entry in summary["analysed"]:
    print("analysed", entry["status"], entry["label"], entry["rows"], sep="|")
print("counts", *("%s=%d" % item for item in sorted(summary["fileCounts"].items())), sep="|")
for f in sorted(summary["files"], key=lambda f: f["address"]):
    print("file", f["result"], f["title"], f["address"], f["reason"], sep="|")
)")});
        QVERIFY(reader.waitForStarted());
        reader.write(o.out.toUtf8());
        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished());
        QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
        const QString base = m_site->base();
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{
                     QStringLiteral("exit|4|3"),
                     QStringLiteral("analysed|succeeded|成功|2"),
                     QStringLiteral("analysed|noPdf|无pdf|1"),
                     QStringLiteral("counts|done=1|failed=1|notReached=0|skipped=0"),
                     QStringLiteral("file|failed|A & B <c>|%1/files/d101.pdf|HTTP 404").arg(base),
                     QStringLiteral("file|done|Question ?|%1/files/get?id=5&fmt=pdf|").arg(base),
                 }));
        QVERIFY2(
            o.err.contains(QStringLiteral("paperharvest batch: file failed (HTTP 404): %1/files/d101.pdf\n").arg(base)),
            qPrintable(o.err));
    }

    // Every saved PDF is opened beside the downloads, with both engines: the paper asked for is 完好 with its pages
    // and gives its DOI, a file cut short is 损坏 (a failed file for the exit status), another paper is named as
    // such; --check-pdf move puts the suspicious ones into 待核对 and the JSON (read by Python) says where they went.
    void pdfCheckNamesWhatWasSaved_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("engine 1") << QStringLiteral("1");
        QTest::newRow("engine 2") << QStringLiteral("2");
    }
    void pdfCheckNamesWhatWasSaved()
    {
        QFETCH(QString, engine);
        const QString keyword = QStringLiteral("文献核对");
        const QString asked = QStringLiteral("基于深度学习的学术文献自动获取方法研究");
        const QString pdfs = m_home->filePath(QStringLiteral("pdfs"));
        QVERIFY(QDir().mkpath(pdfs));
        const QString good = pdfs + QStringLiteral("/good.pdf");
        QVERIFY(WritePdf(good, {asked, asked, QStringLiteral("DOI: 10.1000/ph.2021.7"), 2}));
        QVERIFY(WriteFirstHalf(good, pdfs + QStringLiteral("/half.pdf")));
        const QString other = QStringLiteral("农村劳动力转移对农民收入的影响分析");
        QVERIFY(WritePdf(pdfs + QStringLiteral("/other.pdf"), {other, other, QString(), 1}));

        const QList<QPair<QString, QString>> papers{{QStringLiteral("p1"), QStringLiteral("good")},
                                                    {QStringLiteral("p2"), QStringLiteral("half")},
                                                    {QStringLiteral("p3"), QStringLiteral("other")}};
        QList<QPair<QString, QByteArray>> results;
        for (const auto &[id, file] : papers) {
            results.append({id, (asked + QLatin1Char(' ') + id).toUtf8()});
            m_server->route(
                resultPage(id),
                FixtureHttpServer::Response::html(
                    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>x</title></head><body>"
                    "<div class=\"allversion_content\"><span class=\"dl_item_span\"><a class=\"dl_item\" "
                    "href=\"" +
                    m_site->base().toUtf8() + "/check/" + file.toUtf8() +
                    ".pdf\" target=\"_blank\"><span class=\"dl_source\">x</span><i "
                    "class=\"c-icon c-icon-pdf\"></i></a><span class=\"dl_lib\">(全网免费下载)</span></span>"
                    "</div></body></html>"));
            m_server->route(QStringLiteral("/check/%1.pdf").arg(file),
                            FixtureHttpServer::Response::text(readFile(pdfs + QLatin1Char('/') + file + ".pdf"),
                                                              "application/pdf"));
        }
        m_server->route(ScholarSite::searchPath(keyword), FixtureHttpServer::Response::html(resultListPage(results)));

        const Outcome o = batch({QStringLiteral("--engine"), engine, QStringLiteral("--check-pdf"),
                                 QStringLiteral("move"), QStringLiteral("--json"), keyword});
        QCOMPARE(o.exitCode, BatchRun::kSomeFailed);
        QVERIFY2(o.err.contains(QStringLiteral("file check 损坏 (damaged): ")), qPrintable(o.err));
        QVERIFY2(o.err.contains(QStringLiteral("file check 疑似他文 (other-paper): ")), qPrintable(o.err));
        QVERIFY2(!o.err.contains(QStringLiteral("(ok)")), qPrintable(o.err));

        QProcess reader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
        reader.setProcessEnvironment(environment);
        reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import json, os, sys
summary = json.load(sys.stdin)
print("counts", *("%s=%d" % item for item in sorted(summary["checkCounts"].items())), sep="|")
for f in sorted(summary["files"], key=lambda f: f["address"]):
    print(f["address"].rsplit("/", 1)[1], f["result"], f["check"], f["pages"],
          os.path.basename(os.path.dirname(f["path"])), os.path.exists(f["path"]), sep="|")
)")});
        QVERIFY(reader.waitForStarted());
        reader.write(o.out.toUtf8());
        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished());
        QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{
                     QStringLiteral("counts|damaged=1|encrypted=0|notPdf=0|ok=1|otherPaper=1|unchecked=0"),
                     QStringLiteral("good.pdf|done|ok|2|out|True"),
                     QStringLiteral("half.pdf|done|damaged|0|待核对|True"),
                     QStringLiteral("other.pdf|done|other-paper|1|待核对|True"),
                 }));
        QCOMPARE(filesIn(outFolder() + QStringLiteral("/待核对")).size(), 2);
    }

    // The lines come in the order things happened: a page's rows are told before the analysis of any of them,
    // also while the walk waits for the next page (slow to come here).
    void linesInTheOrderThingsHappened()
    {
        QFile second(QStringLiteral(PH_TEST_DATA_DIR "/scholar/deep_2.htm"));
        QVERIFY(second.open(QIODevice::ReadOnly));
        FixtureHttpServer::Response slow = FixtureHttpServer::Response::html(second.readAll());
        slow.headerDelayMs = 3000;
        m_server->route(QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8"),
                        slow);

        const Outcome o = batch({QStringLiteral("--no-download"), QStringLiteral("深度学习")});
        QCOMPARE(o.exitCode, 0);
        static const QRegularExpression pageLine(
            QStringLiteral("^search 深度学习, page \\d+: \\d+ new rows, (\\d+) in the list$"));
        static const QRegularExpression analysedLine(QStringLiteral("^analysed (\\d+)/\\d+ "));
        int told = 0;
        int analysed = 0;
        for (const QString &line : o.err.split(QLatin1Char('\n'))) {
            if (const QRegularExpressionMatch page = pageLine.match(line); page.hasMatch())
                told = page.captured(1).toInt();
            if (const QRegularExpressionMatch row = analysedLine.match(line); row.hasMatch()) {
                analysed = row.captured(1).toInt();
                QVERIFY2(analysed <= told, qPrintable(o.err));
            }
        }
        QCOMPARE(analysed, 6);
        QCOMPARE(told, 6);
    }

    // Quiet, a row whose analysis failed still says so, with the address to try again, and every error line
    // says whose it is.
    void quietSaysWhyRowsFailed()
    {
        m_server->route(resultPage(QStringLiteral("d301")),
                        FixtureHttpServer::Response::withStatus(500, "<html><body>Internal error</body></html>"));
        const Outcome o = batch({QStringLiteral("--quiet"), QStringLiteral("文件类型")});
        QCOMPARE(o.exitCode, BatchRun::kSomeFailed);
        QVERIFY2(o.err.contains(QStringLiteral("失败(下载)")) &&
                     o.err.contains(m_site->resultLink(QStringLiteral("d301"))),
                 qPrintable(o.err));
        for (const QString &line : o.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith(QStringLiteral("paperharvest batch: ")), qPrintable(line));
    }

    // On a terminal of 80 or 40 columns the bar never wraps: when the run ends, no part of any bar is left on the
    // screen (pyte emulates the terminal, wrapping as terminals do).
    void terminalKeepsNoStaleBar_data()
    {
        QTest::addColumn<int>("columns");
        QTest::newRow("80 columns") << 80;
        QTest::newRow("40 columns") << 40;
    }
    void terminalKeepsNoStaleBar()
    {
        QFETCH(int, columns);
        const Outcome o =
            batchThrough(QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral(PH_TERMINAL_SCREEN), QString::number(columns)}, {QStringLiteral("文件类型")});
        QVERIFY2(!o.out.isEmpty(), qPrintable(o.err));
        QStringList screen = o.out.split(QLatin1Char('\n'));
        QCOMPARE(screen.takeFirst(), QStringLiteral("0"));
        screen.takeFirst(); // the cursor's column
        static const QRegularExpression barPart(QStringLiteral("\\[[#-]+|elapsed \\d|left (\\d|-)"));
        QStringList stale;
        for (const QString &line : std::as_const(screen))
            if (barPart.match(line).hasMatch())
                stale << line;
        QVERIFY2(
            stale.isEmpty(),
            qPrintable(QStringLiteral("%1 stale lines:\n%2").arg(stale.size()).arg(screen.join(QLatin1Char('\n')))));
        QCOMPARE(screen.filter(QStringLiteral("file done: ")).size(), 2);
        QVERIFY2(screen.contains(QStringLiteral("files: 2 done, 0 failed, 0 skipped")),
                 qPrintable(screen.join(QLatin1Char('\n'))));
    }

    // Ctrl-C twice on a terminal during a transfer: the second ends the program at once, and the shell's prompt
    // comes on a fresh line rather than after the bar.
    void secondInterruptLeavesAFreshLine()
    {
        FixtureHttpServer::Response slow =
            FixtureHttpServer::Response::html(QByteArray(1 << 20, 'x'), "application/pdf");
        slow.bytesPerInterval = 1024;
        slow.intervalMs = 100;
        m_server->route(QStringLiteral("/files/d301.pdf"), slow);
        const Outcome o =
            batchThrough(QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral(PH_TERMINAL_SCREEN), QStringLiteral("--type-after"),
                          QStringLiteral("downloads ["), QStringLiteral("\\x03"), QStringLiteral("--type-after"),
                          QStringLiteral("interrupted: stopping"), QStringLiteral("\\x03"), QStringLiteral("80")},
                         {QStringLiteral("文件类型")});
        QStringList screen = o.out.split(QLatin1Char('\n'));
        QVERIFY2(screen.size() > 2, qPrintable(o.err));
        QCOMPARE(screen.takeFirst(), QStringLiteral("130"));
        QCOMPARE(screen.takeFirst(), QStringLiteral("0"));
        QVERIFY2(screen.filter(QStringLiteral("paperharvest batch: interrupted: stopping")).size() == 1,
                 qPrintable(screen.join(QLatin1Char('\n'))));
    }

    // A bad argument says what is wrong and where the good ones are listed; a system's reason inside a line comes
    // in the line's language, whatever the session's language is.
    void errorLinesReadTheSame()
    {
        const Outcome bad = batch({QStringLiteral("--bogus"), QStringLiteral("x")});
        QCOMPARE(bad.exitCode, 2);
        QCOMPARE(bad.err,
                 QStringLiteral("paperharvest batch: Unknown option 'bogus' (see \"paperharvest batch --help\")\n"));

        const QString missing = m_home->filePath(QStringLiteral("missing.zxul"));
        const Outcome unreadable =
            batchThrough(QStringLiteral("/usr/bin/env"), {}, {QStringLiteral("--import"), missing},
                         {{QStringLiteral("LANG"), QStringLiteral("zh_CN.UTF-8")},
                          {QStringLiteral("LANGUAGE"), QStringLiteral("zh_CN:zh")},
                          {QStringLiteral("LC_ALL"), QStringLiteral("zh_CN.UTF-8")}});
        QCOMPARE(unreadable.exitCode, BatchRun::kFatal);
        static const QRegularExpression chinese(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
        QVERIFY2(unreadable.err.startsWith(QStringLiteral("paperharvest batch: --import: ")),
                 qPrintable(unreadable.err));
        QVERIFY2(!chinese.match(unreadable.err).hasMatch(), qPrintable(unreadable.err));
    }

    // On a terminal the bar ends with the files finished, the bytes, the rate, the time elapsed and the time left.
    void liveBarShowsTheTransfer()
    {
        std::FILE *stream = std::tmpfile();
        QVERIFY(stream);
        const auto closeStream = qScopeGuard([stream] { std::fclose(stream); });
        {
            BatchProgress live(stream, true);
            live.setColumns(120);
            BatchRun batchRun(options({QStringLiteral("文件类型")}), live);
            QCOMPARE(run(batchRun.run()), BatchRun::kCompleted);
        }
        std::rewind(stream);
        QByteArray bytes;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
            bytes.append(buffer, qsizetype(n));
        const QString written = QString::fromUtf8(bytes);
        // Everything arrived: nothing is left to wait for.
        static const QRegularExpression lastBar(
            QStringLiteral("downloads \\[#{30}\\] 2/2 \\d+ B [\\d.]+ (Ki|Mi)?B/s elapsed \\d\\d:\\d\\d left 00:00"));
        QVERIFY2(lastBar.match(written).hasMatch(), qPrintable(written));
    }

    // --no-download stops after the analysis; --export writes the analysed list.
    void exportWithoutDownloads()
    {
        const QString list = m_home->filePath(QStringLiteral("rows.zxul"));
        const Outcome o =
            batch({QStringLiteral("--no-download"), QStringLiteral("--export"), list, QStringLiteral("深度学习")});
        QCOMPARE(o.exitCode, 0);
        QVERIFY2(o.out.contains(QStringLiteral("files: not downloaded")), qPrintable(o.out));
        QVERIFY(filesIn(outFolder()).isEmpty());

        QList<ListRecord> records;
        QVERIFY(ReadListFile(list, [&](const ListRecord &r) { records.append(r); }));
        QCOMPARE(records.size(), 6);
        QCOMPARE(records.at(0).key, m_site->resultLink(QStringLiteral("d101")));
        QCOMPARE(records.at(0).status, QStringLiteral("成功"));
        QCOMPARE(records.at(1).status, QStringLiteral("无pdf"));
        QCOMPARE(records.at(3).type, QStringLiteral("doc"));
        QCOMPARE(QDir::cleanPath(records.at(5).folder), QDir::cleanPath(outFolder()));
    }

    // A keyword the service has nothing for: the road still runs to its end, with no file to fetch.
    void keywordWithoutResults()
    {
        const Outcome o = batch({QStringLiteral("没有这样的文献")});
        QCOMPARE(o.exitCode, 0);
        QVERIFY2(o.err.contains(QStringLiteral("no results")), qPrintable(o.err));
        QVERIFY2(o.out.contains(QStringLiteral("files: 0 done, 0 failed, 0 skipped")), qPrintable(o.out));
    }

    // A list saved from the windows is analysed by the batch without a search: rows analysed before keep their
    // status and are not fetched again, the others are analysed. The batch's export then opens in the windows
    // with the same rows.
    void importedListRoundTrip()
    {
        RecordingPrompt quiet;
        ListExchangeView view;
        ResultListModel saved;
        const QString folder = outFolder();
        saved.addRow(
            {m_site->resultLink(QStringLiteral("d101")), QStringLiteral("深度学习综述"), {}, "htm", folder, {}});
        saved.addRow({m_site->resultLink(QStringLiteral("d201")),
                      QStringLiteral("已经分析"),
                      QStringLiteral("成功"),
                      "pdf",
                      folder,
                      {}});
        saved.addRow({m_site->resultLink(QStringLiteral("d102")), QStringLiteral("无链接"), {}, "htm", folder, {}});
        const QString fromWindows = m_home->filePath(QStringLiteral("windows.zxul"));
        ListExchangeRun windows(saved, view);
        QVERIFY(run(windows.exportRows(fromWindows, ListExportSet::All)));

        BatchOptions o = options({});
        o.importFiles = {fromWindows};
        o.noDownload = true;
        o.exportFile = m_home->filePath(QStringLiteral("batch.zxul"));
        BatchRun batchRun(o, *m_progress);
        QCOMPARE(run(batchRun.run()), BatchRun::kCompleted);
        QVERIFY(!askedFor(*m_server, QStringLiteral("/s?")));
        QVERIFY(!askedFor(*m_server, resultPage(QStringLiteral("d201"))));
        QVERIFY(askedFor(*m_server, resultPage(QStringLiteral("d101"))));
        QCOMPARE(keysAndStatuses(batchRun.results().rows()),
                 (QStringList{m_site->resultLink(QStringLiteral("d101")) + QStringLiteral("=成功"),
                              m_site->resultLink(QStringLiteral("d201")) + QStringLiteral("=成功"),
                              m_site->resultLink(QStringLiteral("d102")) + QStringLiteral("=无pdf")}));

        ResultListModel reopened;
        ListExchangeRun again(reopened, view);
        QCOMPARE(run(again.importFile(o.exportFile)), 3);
        QCOMPARE(keysAndStatuses(reopened.rows()), keysAndStatuses(batchRun.results().rows()));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(reopened.row(i).title, batchRun.results().row(i).title);
            QCOMPARE(reopened.row(i).type, batchRun.results().row(i).type);
        }
    }

    // The export's format follows --export-format, or else the file's extension; the citations go along.
    void exportFormats_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("begins");
        QTest::newRow("csv by extension") << "rows.csv" << QString() << QByteArray("\xEF\xBB\xBF\"标题\"");
        QTest::newRow("ris by name") << "rows.txt"
                                     << "ris" << QByteArray("TY  - JOUR\r\nDB  - PaperHarvest\r\nTI  - 已分析");
        QTest::newRow("bibtex by extension")
            << "rows.bib" << QString() << QByteArray("% Exported by PaperHarvest\n\n@article{Wang2018,");
    }
    void exportFormats()
    {
        QFETCH(QString, file);
        QFETCH(QString, format);
        QFETCH(QByteArray, begins);
        ResultListModel saved;
        saved.addRow({m_site->resultLink(QStringLiteral("d101")),
                      QStringLiteral("已分析"),
                      QStringLiteral("成功"),
                      "pdf",
                      outFolder(),
                      {},
                      Citation{{QStringLiteral("Wang")}, QStringLiteral("软件学报"), QStringLiteral("2018"), {}, {}}});
        const QString list = m_home->filePath(QStringLiteral("in.zxul"));
        QList<ListRecord> records{ToListRecord(saved.row(0))};
        QVERIFY(ExportListFile(list, records));

        BatchOptions o = options({});
        o.importFiles = {list};
        o.noDownload = true;
        o.exportFile = m_home->filePath(file);
        if (!format.isEmpty())
            o.exportFormat = ListFormatNamed(format);
        BatchRun batchRun(o, *m_progress);
        QCOMPARE(run(batchRun.run()), BatchRun::kCompleted);
        QFile written(o.exportFile);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY2(bytes.startsWith(begins), bytes.left(80).constData());
        QVERIFY(m_server->requests().isEmpty());
    }

    // What the saved PDFs tell goes into the export, which is written once they are checked: the paper asked for
    // gives its DOI (and to a list file its page count too); a PDF of another paper gives nothing, though it has a
    // DOI of its own, and neither does a file cut short. Read back by the readers of each format.
    void pdfFactsGoIntoTheExport_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reader"); // parse_references.py's name for it, or "sqlcipher"
        QTest::newRow("csv") << "rows.csv"
                             << "csv";
        QTest::newRow("ris") << "rows.ris"
                             << "ris";
        QTest::newRow("bibtex") << "rows.bib"
                                << "bibtexparser";
        QTest::newRow("list file") << "rows.zxul"
                                   << "sqlcipher";
    }
    void pdfFactsGoIntoTheExport()
    {
        QFETCH(QString, file);
        QFETCH(QString, reader);
        const QString asked = QStringLiteral("基于深度学习的学术文献自动获取方法研究");
        const QString other = QStringLiteral("农村劳动力转移对农民收入的影响分析");
        const QString pdfs = m_home->filePath(QStringLiteral("pdfs"));
        QVERIFY(QDir().mkpath(pdfs));
        QVERIFY(
            WritePdf(pdfs + QStringLiteral("/good.pdf"), {asked, asked, QStringLiteral("DOI: 10.1000/ph.2021.7"), 2}));
        QVERIFY(WriteFirstHalf(pdfs + QStringLiteral("/good.pdf"), pdfs + QStringLiteral("/half.pdf")));
        QVERIFY(
            WritePdf(pdfs + QStringLiteral("/other.pdf"), {other, other, QStringLiteral("DOI: 10.1000/other.3"), 1}));
        QList<ListRecord> records;
        for (const QString &name : {QStringLiteral("good"), QStringLiteral("half"), QStringLiteral("other")}) {
            m_server->route(QStringLiteral("/check/%1.pdf").arg(name),
                            FixtureHttpServer::Response::text(readFile(pdfs + QLatin1Char('/') + name + ".pdf"),
                                                              "application/pdf"));
            // Direct file rows: handed to the downloads as they are, without a search or a page to analyse.
            records.append({m_site->base() + QStringLiteral("/check/%1.pdf").arg(name),
                            asked + u' ' + QString::number(records.size() + 1),
                            {},
                            QStringLiteral("pdf"),
                            outFolder()});
        }
        const QString list = m_home->filePath(QStringLiteral("in.zxul"));
        QVERIFY(ExportListFile(list, records));

        BatchOptions o = options({});
        o.importFiles = {list};
        o.exportFile = m_home->filePath(file);
        BatchRun batchRun(o, *m_progress);
        QCOMPARE(run(batchRun.run()), BatchRun::kSomeFailed); // the damaged file
        QCOMPARE(batchRun.summary().checkCount(PdfVerdict::Ok), 1);

        QStringList read;
        if (reader == QLatin1String("sqlcipher")) {
            const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
            if (shell.isEmpty())
                QSKIP("the sqlcipher shell is not installed");
            QProcess p;
            p.start(shell, {QStringLiteral("-batch"), o.exportFile});
            QVERIFY(p.waitForStarted());
            p.write("PRAGMA key='" +
                    DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant)).replace("'", "''") +
                    "';\nselect L1, coalesce(DOI, ''), coalesce(页数, '') from 导出表 left join 引文表 on "
                    "引文表.id = 导出表.id order by 导出表.id;\n");
            p.closeWriteChannel();
            QVERIFY(p.waitForFinished(20000));
            read = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            read.removeAll(QStringLiteral("ok"));
        } else {
            QProcess p;
            p.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(PH_TESTS_DIR "/search/parse_references.py"), reader, o.exportFile});
            QVERIFY(p.waitForFinished(60000));
            QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
            const QJsonArray parsed = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
            if (reader == QLatin1String("csv")) {
                // The header row names the columns.
                const QStringList header = parsed[0].toVariant().toStringList();
                for (int i = 1; i < parsed.size(); ++i)
                    read << parsed[i][0].toString() + u'|' +
                                parsed[i][header.indexOf(QStringLiteral("DOI"))].toString();
            } else {
                for (const QJsonValue &record : parsed)
                    read << record[QStringLiteral("title")].toString() + u'|' +
                                record[QStringLiteral("doi")].toString();
            }
        }
        const bool listFile = reader == QLatin1String("sqlcipher");
        // Rows 1, 2, 3: the good file, the one cut short, another paper.
        QCOMPARE(read, (QStringList{asked + QStringLiteral(" 1|10.1000/ph.2021.7") + (listFile ? "|2" : ""),
                                    asked + QStringLiteral(" 2|") + (listFile ? "|" : ""),
                                    asked + QStringLiteral(" 3|") + (listFile ? "|" : "")}));
    }

    // A plain address list (GBK, blank lines, a repeated address, other sites) becomes one direct-file row per
    // document address, downloaded without a search; keywords given beside it are searched as well.
    void importedAddressList()
    {
        const QString prefix = m_site->base() + QStringLiteral("/files/");
        qputenv("PAPERHARVEST_DOC_PREFIX", prefix.toUtf8());
        const auto restore = qScopeGuard([] { qunsetenv("PAPERHARVEST_DOC_PREFIX"); });
        const QString list = m_home->filePath(QStringLiteral("addresses.txt"));
        QVERIFY(TextFile::writeLines(list, {QStringLiteral("文献清单"), prefix + QStringLiteral("d101.pdf"), QString(),
                                            QStringLiteral("  ") + prefix + QStringLiteral("d201.pdf  "),
                                            prefix + QStringLiteral("d101.pdf"),
                                            QStringLiteral("http://elsewhere.invalid/files/d202.pdf")}));
        const Outcome o = batch({QStringLiteral("--name-from-address"), QStringLiteral("--import"), list});
        QCOMPARE(o.exitCode, 0);
        QVERIFY2(o.err.contains(QStringLiteral("imported 2 rows from %1 (3 document addresses)").arg(list)),
                 qPrintable(o.err));
        QCOMPARE(filesIn(outFolder()), (QStringList{QStringLiteral("d101.pdf"), QStringLiteral("d201.pdf")}));
        QVERIFY(!askedFor(*m_server, QStringLiteral("/s?")));
    }

    // An --import that cannot be read ends the run before anything is searched or fetched, naming the file.
    void importFailures_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::newRow("missing") << QByteArray("missing");
        QTest::newRow("a .zxul that is no list file") << QByteArray("text");
        QTest::newRow("a list file with another password") << QByteArray("password");
    }
    void importFailures()
    {
        QFETCH(QByteArray, kind);
        const QString file = m_home->filePath(QStringLiteral("in.zxul"));
        if (kind == "text") {
            QVERIFY(TextFile::writeLines(file, {m_site->resultLink(QStringLiteral("d101"))}));
        } else if (kind == "password") {
            Database db;
            QVERIFY(db.create(file, QByteArray("another key")));
            QVERIFY(db.exec(QString::fromUtf16(VisitedDatabaseSql::kCreateExportTable)));
        }
        const Outcome o = batch({QStringLiteral("--import"), file, QStringLiteral("深度学习")});
        QCOMPARE(o.exitCode, 1);
        QVERIFY2(o.err.contains(QStringLiteral("--import: ")) && o.err.contains(file), qPrintable(o.err));
        QVERIFY(m_server->requests().isEmpty());
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");
        const QString k = QStringLiteral("深度学习");
        QTest::newRow("type") << QStringList{QStringLiteral("--type"), QStringLiteral("9"), k}
                              << QStringLiteral("--type");
        QTest::newRow("engine") << QStringList{QStringLiteral("--engine"), QStringLiteral("3"), k}
                                << QStringLiteral("--engine");
        QTest::newRow("same-name") << QStringList{QStringLiteral("--same-name"), QStringLiteral("maybe"), k}
                                   << QStringLiteral("--same-name");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate"), k}
                                        << QStringLiteral("frobnicate");
        QTest::newRow("no keyword") << QStringList{QStringLiteral("  ")} << QStringLiteral("KEYWORD");
        QTest::newRow("unreadable keyword file")
            << QStringList{QStringLiteral("--keywords-file"), QStringLiteral("/nonexistent/k.txt")}
            << QStringLiteral("--keywords-file");
    }

    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        const Outcome o = program(QStringList{QStringLiteral("batch")} + arguments);
        QCOMPARE(o.exitCode, 2);
        QCOMPARE(o.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(o.err.contains(named), qPrintable(o.err));
        QVERIFY(o.out.isEmpty());
        QVERIFY(m_server->requests().isEmpty());
    }

    void saveFolderThatCannotBeMade()
    {
        const QString blocker = m_home->filePath(QStringLiteral("a-file"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString wanted = blocker + QStringLiteral("/sub");
        const Outcome o =
            program({QStringLiteral("batch"), QStringLiteral("--out"), wanted, QStringLiteral("深度学习")});
        QCOMPARE(o.exitCode, 1);
        // The folder and the system's reason, and no search started.
        QVERIFY2(o.err.contains(QStringLiteral("cannot create the save folder %1: ").arg(wanted)), qPrintable(o.err));
        QVERIFY2(o.err.contains(QStringLiteral("Not a directory"), Qt::CaseInsensitive), qPrintable(o.err));
        QVERIFY(m_server->requests().isEmpty());
    }

    // The save folder is the one named, however unusual its parts: no part is renamed, no file lands beside it.
    void saveFolderUsedAsGiven_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("dot folder") << QStringLiteral(".cache/papers");
        QTest::newRow("question mark") << QStringLiteral("what?/papers");
        QTest::newRow("colon, star and edge blanks") << QStringLiteral(" a:b* /papers. ");
    }
    void saveFolderUsedAsGiven()
    {
        QFETCH(QString, folder);
        const QString wanted = m_home->filePath(folder);
        BatchOptions o = options({QStringLiteral("文件类型")});
        o.saveFolder = wanted;
        BatchRun batchRun(o, *m_progress);
        QCOMPARE(run(batchRun.run()), BatchRun::kCompleted);
        QCOMPARE(filesIn(wanted),
                 (QStringList{QStringLiteral("图像里的文件类型.png"), QStringLiteral("网页里的文件类型.htm")}));
        QStringList everywhere;
        QDirIterator it(m_home->path(), {QStringLiteral("*的文件类型*")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            everywhere << QDir(m_home->path()).relativeFilePath(it.next());
        everywhere.sort();
        QCOMPARE(everywhere, (QStringList{folder + QStringLiteral("/图像里的文件类型.png"),
                                          folder + QStringLiteral("/网页里的文件类型.htm")}));
    }

    // Hostile titles: references decoded, nothing that acts on a terminal in the output or in a name, a title
    // that leaves no name named after its document, and a second run that finds every title-named file it saved.
    void hostileTitles()
    {
        const QString keyword = QStringLiteral("敌意标题");
        m_server->route(ScholarSite::searchPath(keyword),
                        FixtureHttpServer::Response::html(resultListPage({
                            {QStringLiteral("d101"), "A &amp; B &lt;c&gt;"},
                            {QStringLiteral("d105"), "\x1b]0;owned\x07Title&#27;[2J\xc2\x9b"},
                            {QStringLiteral("d106"), "evil&#x202E;fdp.exe\xe2\x81\xa6"},
                            {QStringLiteral("d201"), "???"},
                            {QStringLiteral("d202"), "Question ?"},
                        })));
        const QStringList files{QStringLiteral("A & B c.pdf"), QStringLiteral("Question.pdf"),
                                QStringLiteral("]0;ownedTitle[2J.pdf"), QStringLiteral("d201.pdf"),
                                QStringLiteral("evilfdp.exe.pdf")};

        const Outcome first = batch({keyword});
        QCOMPARE(first.exitCode, 0);
        QVERIFY2(first.out.contains(QStringLiteral("files: 5 done, 0 failed, 0 skipped")), qPrintable(first.out));
        QCOMPARE(filesIn(outFolder()), files);
        for (const Outcome *o : {&first}) {
            QVERIFY2(!o->err.contains(QChar(0x1b)) && !o->err.contains(QChar(0x202e)), qPrintable(o->err));
            QVERIFY(!o->out.contains(QChar(0x1b)));
        }
        QVERIFY2(first.err.contains(QStringLiteral(": A & B <c>\n")), qPrintable(first.err));

        // The nameless row cannot be looked for before its document is known; the same-name rule settles it.
        const Outcome second =
            batch({QStringLiteral("--skip-existing"), QStringLiteral("--same-name"), QStringLiteral("skip"), keyword});
        QCOMPARE(second.exitCode, 0);
        QVERIFY2(second.out.contains(QStringLiteral("跳过(文件存在) 4")), qPrintable(second.out));
        QVERIFY2(second.out.contains(QStringLiteral("files: 0 done, 0 failed, 1 skipped")), qPrintable(second.out));
        QCOMPARE(filesIn(outFolder()), files);
    }

    // --export replaces only the program's own export of that format unless --overwrite consents; a target that
    // cannot be written at all is refused at once, before the search, with exit status 2.
    void exportTarget_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("existing"); // "notes", "list", "folder" or empty
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("someone's notes") << "notes.txt"
                                         << "notes" << false << 2
                                         << "notes.txt exists and is not a list exchange file this program exported";
        QTest::newRow("a hand-kept .bib")
            << "mine.bib"
            << "notes" << false << 2 << "mine.bib exists and is not a BibTeX file this program exported";
        QTest::newRow("a hand-kept .bib, --overwrite") << "mine.bib"
                                                       << "notes" << true << 0 << "";
        QTest::newRow("an earlier list") << "notes.txt"
                                         << "list" << false << 0 << "";
        QTest::newRow("no such folder") << "missing/list.zxul"
                                        << "" << false << 2 << "does not exist";
        QTest::newRow("a folder") << "taken.csv"
                                  << "folder" << false << 2 << "taken.csv is a folder";
    }
    void exportTarget()
    {
        QFETCH(QString, name);
        QFETCH(QString, existing);
        QFETCH(bool, overwrite);
        QFETCH(int, status);
        QFETCH(QString, said);
        const QString target = m_home->filePath(name);
        if (existing == u"list") {
            QVERIFY(ExportListFile(target, {{QStringLiteral("http://old/1"), QStringLiteral("old"), {}, {}, {}}}));
        } else if (existing == u"notes") {
            QFile notes(target);
            QVERIFY(notes.open(QIODevice::WriteOnly));
            notes.write("my notes\n");
        } else if (existing == u"folder") {
            QVERIFY(QDir().mkpath(target));
        }
        QStringList arguments{QStringLiteral("--no-download"), QStringLiteral("--export"), target};
        if (overwrite)
            arguments << QStringLiteral("--overwrite");
        const Outcome o = batch(arguments << QStringLiteral("文件类型"));
        QCOMPARE(o.exitCode, status);
        if (status != 0) {
            QVERIFY2(o.err.contains(said), qPrintable(o.err));
            if (existing == u"notes") {
                QFile notes(target);
                QVERIFY(notes.open(QIODevice::ReadOnly));
                QCOMPARE(notes.readAll(), QByteArray("my notes\n"));
            }
            // Refused before the search: no time spent on a run whose list could not be kept.
            QVERIFY(m_server->requests().isEmpty());
            return;
        }
        if (name.endsWith(u".bib")) {
            QFile written(target);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QVERIFY(written.readAll().startsWith("% Exported by PaperHarvest"));
            return;
        }
        QList<ListRecord> records;
        QVERIFY(ReadListFile(target, [&](const ListRecord &r) { records.append(r); }));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0).key, m_site->resultLink(QStringLiteral("d301")));
    }

    void emptyExportKeepsTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("list file") << "kept.zxul";
        QTest::newRow("BibTeX") << "kept.bib";
        QTest::newRow("CSV") << "kept.csv";
    }
    // A run that ends with no rows (here an address list without an address) leaves the export's file as it was.
    void emptyExportKeepsTheFile()
    {
        QFETCH(QString, name);
        const QString target = m_home->filePath(name);
        QFile existing(target);
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("kept by hand\n") > 0);
        existing.close();
        const QString addresses = m_home->filePath(QStringLiteral("none.txt"));
        QFile list(addresses);
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write("not an address\n") > 0);
        list.close();
        const Outcome o = batch({QStringLiteral("--no-download"), QStringLiteral("--overwrite"),
                                 QStringLiteral("--export"), target, QStringLiteral("--import"), addresses});
        QCOMPARE(o.exitCode, 0);
        QVERIFY2(o.err.contains(QStringLiteral("no rows to export")), qPrintable(o.err));
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("kept by hand\n"));
    }

    // Arguments the program does not know, and a windows start with no display named, end at once with a word
    // instead of opening (or aborting) the windows.
    void windowsStartRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << true << 2
                                        << QStringLiteral("unknown argument \"--bogus\"");
        QTest::newRow("short option") << QStringList{QStringLiteral("-v")} << true << 2
                                      << QStringLiteral("Usage: paperharvest");
        QTest::newRow("word") << QStringList{QStringLiteral("search")} << true << 2
                              << QStringLiteral("unknown argument");
        QTest::newRow("no display") << QStringList() << false << 1 << QStringLiteral("no display");
    }
    void windowsStartRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, status);
        QFETCH(QString, said);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!display)
            for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                environment.remove(QString::fromLatin1(name));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PH_PROGRAM), arguments);
        QVERIFY(process.waitForFinished(kProgramLimitMs));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains(said), qPrintable(err));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }

    void help()
    {
        const Outcome batchHelp = program({QStringLiteral("batch"), QStringLiteral("--help")});
        QCOMPARE(batchHelp.exitCode, 0);
        for (const char *option :
             {"--keywords-file", "--type", "--year", "--delay", "--out", "--name-from-address", "--skip-visited",
              "--skip-existing", "--engine", "--threads", "--same-name", "--max-size", "--export", "--no-download"})
            QVERIFY2(batchHelp.out.contains(QLatin1String(option)), option);
        for (const char *status : {"  0 ", "  1 ", "  2 ", "  3 ", "  4 ", "  130 "})
            QVERIFY2(batchHelp.out.section(QStringLiteral("Exit status:"), 1).contains(QLatin1String(status)), status);
        const Outcome programHelp = program({QStringLiteral("--help")});
        QCOMPARE(programHelp.exitCode, 0);
        QVERIFY(programHelp.out.contains(QStringLiteral("paperharvest batch")));
    }

    // Ctrl-C, a polite kill or a closed terminal or SSH session during transfers that never finish: the run ends at
    // once and leaves no partial file behind.
    void interruptLeavesNoPartialFiles_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void interruptLeavesNoPartialFiles()
    {
        QFETCH(int, signalNumber);
        FixtureHttpServer::Response stalled =
            FixtureHttpServer::Response::html(QByteArray(4096, 'x'), "application/pdf");
        stalled.stallAfterBodyBytes = 1024;
        m_server->route(QStringLiteral("/files/d201.pdf"), stalled);
        m_server->route(QStringLiteral("/files/d202.pdf"), stalled);

        const Outcome o = program({QStringLiteral("batch"), QStringLiteral("--delay"), QStringLiteral("0"),
                                   QStringLiteral("--out"), outFolder(), QStringLiteral("机器翻译")},
                                  [&](QProcess &process) {
                                      // Both transfers have written part of their body.
                                      QTRY_VERIFY_WITH_TIMEOUT(
                                          m_server->requestsFor(QStringLiteral("/files/d202.pdf")).size() == 1 &&
                                              m_server->requestsFor(QStringLiteral("/files/d201.pdf")).size() == 1,
                                          kProgramLimitMs);
                                      QTRY_VERIFY(!filesIn(outFolder()).isEmpty());
                                      ::kill(static_cast<pid_t>(process.processId()), signalNumber);
                                  });
        QCOMPARE(o.exitCode, BatchRun::kInterrupted);
        QVERIFY2(o.out.contains(QStringLiteral("files: 0 done")), qPrintable(o.out));
        QCOMPARE(filesIn(outFolder()), QStringList());
    }

    // kill -9 in the middle of a run: no document's name holds part of a body, and the next run finishes every paper
    // under its own name and leaves no body file of the killed run behind.
    void killedRunLeavesOnlyWholePapers_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("stalledPaths");
        const QStringList bothFiles{QStringLiteral("/files/d201.pdf"), QStringLiteral("/files/d202.pdf")};
        QTest::newRow("engine 1, a body half in") << QStringList{QStringLiteral("--engine"), QStringLiteral("1")}
                                                  << QStringList{QStringLiteral("/files/d201.pdf")};
        QTest::newRow("engine 2, two bodies half in")
            << QStringList{QStringLiteral("--engine"), QStringLiteral("2")} << bothFiles;
        QTest::newRow("analysis of a document page") << QStringList() << QStringList{QStringLiteral("d202")};
    }
    void killedRunLeavesOnlyWholePapers()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, stalledPaths);
        // A paper id stands for its document page, whose address only the running site knows.
        for (QString &path : stalledPaths)
            if (!path.startsWith(QLatin1Char('/')))
                path = requestPath(m_site->resultLink(path));
        const QString sources = QStringLiteral(PH_TEST_DATA_DIR "/scholar/files/");
        const QStringList papers{QStringLiteral("神经机器翻译.pdf"), QStringLiteral("统计机器翻译.pdf")};
        QStringList wholeBodies;
        for (const QString &name : {QStringLiteral("d201.pdf"), QStringLiteral("d202.pdf")}) {
            QFile source(sources + name);
            QVERIFY(source.open(QIODevice::ReadOnly));
            wholeBodies.append(QString::fromLatin1(source.readAll().toBase64()));
        }
        wholeBodies.sort();
        const auto bodiesIn = [this] {
            QStringList bodies;
            for (const QString &name : QDir(outFolder()).entryList(QDir::Files, QDir::Name)) {
                QFile file(QDir(outFolder()).filePath(name));
                bodies.append(file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().toBase64()) : name);
            }
            bodies.sort();
            return bodies;
        };

        for (const QString &path : stalledPaths) {
            // Larger than the papers, so that no part of it can pass for one of them.
            FixtureHttpServer::Response stalled =
                path.startsWith(QLatin1String("/files/"))
                    ? FixtureHttpServer::Response::html("%PDF-1.4\n" + QByteArray(65536, 'x'), "application/pdf")
                    : FixtureHttpServer::Response::html(QByteArray(8192, ' '));
            stalled.stallAfterBodyBytes = 1024;
            m_server->route(path, stalled);
        }
        const QStringList arguments = options + QStringList{QStringLiteral("机器翻译")};
        const Outcome killed = batch(arguments + QStringList{QStringLiteral("--skip-visited")}, [&](QProcess &process) {
            QTRY_VERIFY_WITH_TIMEOUT(
                std::all_of(stalledPaths.begin(), stalledPaths.end(),
                            [&](const QString &p) {
                                return !m_server->requestsFor(p.section(QLatin1Char('?'), 0, 0)).isEmpty();
                            }),
                kProgramLimitMs);
            // The bodies have begun (the analysis row has nothing on disk yet).
            if (stalledPaths.first().startsWith(QLatin1String("/files/")))
                QTRY_COMPARE(filesIn(outFolder()).size(), stalledPaths.size());
            ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        });
        QCOMPARE(killed.exitCode, -1);
        // A document's name holds a whole body or nothing; parts stay under their hidden names.
        for (const QString &body : bodiesIn())
            QVERIFY(wholeBodies.contains(body));

        // The rerun skips nothing: what the killed run analysed was never saved, so it is not taken as visited.
        for (const QString &path : stalledPaths)
            m_server->removeRoute(path);
        const Outcome rerun = batch(arguments + QStringList{QStringLiteral("--skip-visited")});
        QCOMPARE(rerun.exitCode, 0);
        QCOMPARE(filesIn(outFolder()), papers);
        QCOMPARE(bodiesIn(), wholeBodies);

        // The database the killed run wrote to is usable: a third run finds both papers analysed before.
        const Outcome third = batch(arguments + QStringList{QStringLiteral("--skip-visited")});
        QCOMPARE(third.exitCode, 0);
        QVERIFY2(third.out.contains(QStringLiteral("analysed: 跳过(曾经下载) 2\n")), qPrintable(third.out));
        QCOMPARE(filesIn(outFolder()), papers);
    }

    // Two batches on one data folder: one started while another's files download leaves that one's visits alone
    // (its downloads may still save them), and ends cleanly; once the downloading batch is gone, the next opening
    // takes its unsaved visits back.
    void secondBatchWhileTheFirstDownloads()
    {
        const QStringList papers{QStringLiteral("d201"), QStringLiteral("d202")};
        for (const QString &id : papers) {
            FixtureHttpServer::Response stalled =
                FixtureHttpServer::Response::html("%PDF-1.4\n" + QByteArray(65536, 'x'), "application/pdf");
            stalled.stallAfterBodyBytes = 1024;
            m_server->route(QStringLiteral("/files/%1.pdf").arg(id), stalled);
        }
        QProcess first;
        first.start(QStringLiteral(PH_PROGRAM),
                    {QStringLiteral("batch"), QStringLiteral("--delay"), QStringLiteral("0"), QStringLiteral("--out"),
                     outFolder(), QStringLiteral("--engine"), QStringLiteral("2"), QStringLiteral("机器翻译")});
        const auto stopFirst = qScopeGuard([&first] {
            first.kill();
            first.waitForFinished();
        });
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(papers.begin(), papers.end(),
                        [&](const QString &id) {
                            return !m_server->requestsFor(QStringLiteral("/files/%1.pdf").arg(id)).isEmpty();
                        }),
            kProgramLimitMs);

        const Outcome second = batch({QStringLiteral("--no-download"), QStringLiteral("深度学习")});
        QVERIFY2(second.exitCode == 0, qPrintable(second.err));
        QVERIFY(OpenVisitedDatabase());
        for (const QString &id : papers) {
            QString address = m_site->resultLink(id);
            QVERIFY2(IsVisitedAddress(address), qPrintable(address));
        }
        CloseVisitedDatabase();

        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(OpenVisitedDatabase());
        for (const QString &id : papers) {
            QString address = m_site->resultLink(id);
            QVERIFY2(!IsVisitedAddress(address), qPrintable(address));
        }
        CloseVisitedDatabase();
    }

    // kill -9 while the visited-address database is first made: the next run finishes the file and uses it.
    void killedWhileTheDatabaseIsMade()
    {
        const QString path = m_home->filePath(QStringLiteral("zxdata.db"));
        const int watch = inotify_init1(IN_CLOEXEC);
        QVERIFY(watch >= 0);
        const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(m_home->filePath(QString())).constData(), IN_CREATE) >= 0);
        const QStringList arguments{QStringLiteral("--skip-visited"), QStringLiteral("机器翻译")};
        const Outcome killed = batch(arguments, [&](QProcess &process) {
            // Read straight from the kernel, not through the event loop, so the kill lands within moments of the
            // file's creation, while its key is still being derived.
            pollfd ready{watch, POLLIN, 0};
            alignas(inotify_event) char events[4096];
            for (bool created = false; !created;) {
                QVERIFY(::poll(&ready, 1, kProgramLimitMs) == 1);
                const ssize_t got = ::read(watch, events, sizeof events);
                QVERIFY(got > 0);
                for (ssize_t at = 0; at < got;) {
                    const auto *event = reinterpret_cast<const inotify_event *>(events + at);
                    created = created || (event->len > 0 && QByteArray(event->name) == "zxdata.db");
                    at += ssize_t(sizeof(inotify_event) + event->len);
                }
            }
            ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        });
        QCOMPARE(killed.exitCode, -1);
        QVERIFY(QFile::exists(path));

        const Outcome rerun = batch(arguments);
        QCOMPARE(rerun.exitCode, 0);
        QVERIFY2(!rerun.err.contains(QStringLiteral("visited-address database")), qPrintable(rerun.err));
        QCOMPARE(filesIn(outFolder()).size(), 2);
        const Outcome third = batch(arguments);
        QCOMPARE(third.exitCode, 0);
        QVERIFY2(third.out.contains(QStringLiteral("analysed: 跳过(曾经下载) 2\n")), qPrintable(third.out));
    }

    // kill -9 half-way through a download: the next run asks only for the rest, and the paper is the same, byte for
    // byte, with nothing of the killed run left beside it.
    void killedDownloadResumes_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("engine 1") << QStringLiteral("1");
        QTest::newRow("engine 2") << QStringLiteral("2");
    }
    void killedDownloadResumes()
    {
        QFETCH(QString, engine);
        const QString path = QStringLiteral("/files/d201.pdf");
        QByteArray body = "%PDF-1.4\n";
        for (int i = 0; body.size() < 400000; ++i)
            body += QByteArray::number(i) + ' ';
        const qint64 half = body.size() / 2;
        const QByteArray tag = "\"d201-1\"";
        FixtureHttpServer::Response first = FixtureHttpServer::Response::text(body, "application/pdf");
        first.withHeader("ETag", tag).stallAfterBodyBytes = half;
        m_server->route(path, first);
        // The other paper may have been finished before the kill; the rerun leaves it as it is. The body is no whole
        // PDF, which the check would call damaged.
        const QStringList arguments{QStringLiteral("--engine"),    engine,
                                    QStringLiteral("--same-name"), QStringLiteral("skip"),
                                    QStringLiteral("--check-pdf"), QStringLiteral("off"),
                                    QStringLiteral("机器翻译")};
        const auto hiddenBody = [this] {
            const QStringList parts =
                QDir(outFolder()).entryList({QStringLiteral(".paperharvest-*.part")}, QDir::Files | QDir::Hidden);
            return parts.size() == 1 ? QFileInfo(QDir(outFolder()).filePath(parts.first())) : QFileInfo();
        };
        const Outcome killed = batch(arguments, [&](QProcess &process) {
            QTRY_VERIFY_WITH_TIMEOUT(hiddenBody().exists() && hiddenBody().size() == half, kProgramLimitMs);
            ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        });
        QCOMPARE(killed.exitCode, -1);

        FixtureHttpServer::Response rest = FixtureHttpServer::Response::text(body.mid(half), "application/pdf");
        rest.status = 206;
        rest.withHeader("ETag", tag)
            .withHeader("Content-Range", "bytes " + QByteArray::number(half) + '-' +
                                             QByteArray::number(body.size() - 1) + '/' +
                                             QByteArray::number(body.size()));
        m_server->route(path, rest);
        m_server->clearRequests();
        const Outcome rerun = batch(arguments);
        QCOMPARE(rerun.exitCode, 0);
        const QList<FixtureHttpServer::Request> asked = m_server->requestsFor(path);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().header("Range"), "bytes=" + QByteArray::number(half) + '-');
        QCOMPARE(asked.first().header("If-Range"), tag);
        const QStringList files = filesIn(outFolder());
        QCOMPARE(files, (QStringList{QStringLiteral("神经机器翻译.pdf"), QStringLiteral("统计机器翻译.pdf")}));
        QVERIFY(readFile(QDir(outFolder()).filePath(files.first())) == body ||
                readFile(QDir(outFolder()).filePath(files.last())) == body);
    }

    // A service that is not there, refuses or asks for a verification is not a keyword without results: the batch
    // says which and why, keeps and exports the rows found until then and exits with status 3. Rows of earlier
    // pages may have been analysed meanwhile, beside the walk; with none found, nothing is.
    void serviceThatCannotBeUsed_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("answer"); // "" as the fixture site has it, "huge", or "closed" (nothing listens)
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("rowsKept");
        QTest::newRow("verification page")
            << QStringLiteral("安全验证") << QString() << QStringLiteral("asks for a verification") << 0;
        QTest::newRow("verification after the first page")
            << QStringLiteral("翻页验证") << QString() << QStringLiteral("asks for a verification") << 1;
        QTest::newRow("closed port") << QStringLiteral("机器翻译") << QStringLiteral("closed")
                                     << QStringLiteral("cannot be reached") << 0;
        QTest::newRow("page too large to read")
            << QStringLiteral("机器翻译") << QStringLiteral("huge") << QStringLiteral("too large to read") << 0;
    }
    void serviceThatCannotBeUsed()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, answer);
        QFETCH(QString, cause);
        QFETCH(int, rowsKept);
        if (answer == u"huge")
            m_server->route(requestPath(QueryAddress(keyword, 0, 0)),
                            FixtureHttpServer::Response::html("<html><body>" + QByteArray(int(kPageReadLimit), 'x') +
                                                              "</body></html>"));
        if (answer == u"closed") {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            qputenv("PAPERHARVEST_SEARCH_BASE", QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()).toUtf8());
        }

        // The list of an earlier run: a run that finds nothing leaves it as it was.
        const QString list = m_home->filePath(QStringLiteral("rows.zxul"));
        QVERIFY(ExportListFile(list, {{QStringLiteral("http://old/1"), QStringLiteral("old"), {}, {}, {}},
                                      {QStringLiteral("http://old/2"), QStringLiteral("old"), {}, {}, {}}}));
        const Outcome o = batch({QStringLiteral("--export"), list, keyword});
        QCOMPARE(o.exitCode, BatchRun::kServiceUnusable);
        QVERIFY2(o.err.contains(cause) && o.err.contains(keyword), qPrintable(o.err));
        QVERIFY2(!o.err.contains(QStringLiteral("no results")), qPrintable(o.err));
        // A verification is for a person to solve, in the windows' browser.
        QCOMPARE(o.err.contains(QStringLiteral("solve the verification in its browser, then run the batch again")),
                 cause.contains(QStringLiteral("verification")));
        if (rowsKept == 0)
            QVERIFY(m_server->requestsFor(QStringLiteral("/usercenter/paper/show")).isEmpty());
        QList<ListRecord> records;
        QVERIFY(ReadListFile(list, [&](const ListRecord &r) { records.append(r); }));
        QCOMPARE(records.size(), rowsKept > 0 ? rowsKept : 2);
        if (rowsKept == 0)
            QVERIFY2(o.err.contains(QStringLiteral("no rows to export")), qPrintable(o.err));
    }

    // A refusal that concerns one keyword's request (its address too long, a bad request, a result page that is not
    // there) fails that keyword with its reason, and the batch goes on with the next one; the run ends with status
    // 4. The keyword's error line stays a line however long the keyword is.
    void refusedKeywordEndsOnlyThatKeyword_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("refusedPath");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("rowsBefore"); // rows the refused keyword gave before its refusal
        const QString huge(300000, u'x');
        QTest::newRow("414 for a keyword of 300 000 characters")
            << huge << requestPath(QueryAddress(huge, 0, 0)) << 414 << 0;
        QTest::newRow("400") << QStringLiteral("坏请求") << requestPath(QueryAddress(QStringLiteral("坏请求"), 0, 0))
                             << 400 << 0;
        QTest::newRow("404 of the second result page")
            << QStringLiteral("深度学习")
            << QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8") << 404 << 3;
    }
    void refusedKeywordEndsOnlyThatKeyword()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, refusedPath);
        QFETCH(int, status);
        QFETCH(int, rowsBefore);
        m_server->route(refusedPath, FixtureHttpServer::Response::withStatus(status, "<html><body>no</body></html>"));
        const QString keywords = m_home->filePath(QStringLiteral("keywords.list"));
        QVERIFY(TextFile::writeLines(keywords, {keyword, QStringLiteral("机器翻译")}));

        const Outcome o = batch({QStringLiteral("--keywords-file"), keywords});
        QCOMPARE(o.exitCode, BatchRun::kSomeFailed);
        QVERIFY2(o.err.contains(QStringLiteral("HTTP %1").arg(status)) &&
                     o.err.contains(QStringLiteral("this keyword fails")),
                 qPrintable(o.err.left(4000)));
        QVERIFY2(o.out.contains(QStringLiteral("keywords failed: 1\n")), qPrintable(o.out));
        QVERIFY2(o.out.contains(QStringLiteral("rows collected: %1\n").arg(rowsBefore + 2)), qPrintable(o.out));
        const QStringList files = filesIn(outFolder());
        QVERIFY2(files.contains(QStringLiteral("神经机器翻译.pdf")) &&
                     files.contains(QStringLiteral("统计机器翻译.pdf")),
                 qPrintable(files.join(u',')));
        for (const QString &line : o.err.split(u'\n'))
            QVERIFY2(line.size() < 1000, qPrintable(line.left(300)));
    }

    // A settings file with a quote left open is named with its line and left exactly as it was, while the run goes
    // on with the lines that read cleanly.
    void faultySettingsFileIsNamedAndLeftAlone()
    {
        const QString ini = m_home->filePath(QStringLiteral("PaperHarvest.ini"));
        const QByteArray text = "[fWebSearch]\r\n代理ip使用index=\"2\r\ncombo1=0\r\n";
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        const Outcome o = batch({QStringLiteral("--no-download"), QStringLiteral("文件类型")});
        QCOMPARE(o.exitCode, BatchRun::kCompleted);
        QVERIFY2(o.err.contains(QStringLiteral("settings file %1, line 2: ").arg(QDir::toNativeSeparators(ini))),
                 qPrintable(o.err));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), text);
    }

    // The data folder filling up mid-run: the writes that fail are counted and the run ends with status 4 and the
    // reason. The next run that skips visited addresses recognises the files saved although their visits did not
    // settle, and fetches none of them again. A real small file system fills up here, as a user's partition
    // does: a file-size limit would fail with "File too large", and SQLite's page limit without any disk at all.
    void fullDataFolderMidRun()
    {
        SmallDisk disk(64 * 1024 * 1024);
        if (!disk.available())
            QSKIP(qPrintable(disk.why()));
        ScopedEnvironment home("PAPERHARVEST_HOME", QFile::encodeName(disk.path()));
        bool filled = false;
        const QStringList papers{QStringLiteral("神经机器翻译.pdf"), QStringLiteral("统计机器翻译.pdf")};
        {
            BatchOptions first = options({QStringLiteral("机器翻译")});
            first.skipVisited = true;
            BatchRun batchRun(first, *m_progress);
            // Both rows' visits are recorded as they are analysed; the disk fills as the last one is, so the
            // downloads' visits settle on a full disk.
            connect(&batchRun.results(), &QAbstractItemModel::dataChanged, this, [&] {
                const ResultListModel &rows = batchRun.results();
                if (!filled && rows.rowCount() == 2 && rows.row(1).status == QStringLiteral("成功"))
                    filled = disk.fill();
            });
            const int st = run(batchRun.run());
            QCOMPARE(st, BatchRun::kSomeFailed);
            QVERIFY(filled);
            QVERIFY(batchRun.summary().dataWritesFailed >= 1);
            QVERIFY(batchRun.summary().text().contains(QStringLiteral("data folder writes failed: ")));
            QCOMPARE(filesIn(outFolder()), papers);
        }
        disk.free();
        // Whether the database still found room for the downloads' settling depends on how its log lies on the
        // disk; a settle that found none leaves each visit marked as waiting on its download, as here.
        {
            Database db;
            QVERIFY(db.open(disk.filePath(QStringLiteral("zxdata.db")),
                            DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))));
            QVERIFY(
                db.exec(QStringLiteral("delete from 待下载表; insert into 待下载表(网址) select 网址 from 访问表")));
            QCOMPARE(db.changes(), 2);
        }
        const qsizetype fetched = m_server->requestsFor(QStringLiteral("/files")).size();
        BatchOptions second = options({QStringLiteral("机器翻译")});
        second.skipVisited = true;
        BatchRun again(second, *m_progress);
        QCOMPARE(run(again.run()), BatchRun::kCompleted);
        QCOMPARE(m_server->requestsFor(QStringLiteral("/files")).size(), fetched);
        QCOMPARE(filesIn(outFolder()), papers);
        QVERIFY(OpenVisitedDatabase());
        for (const QString &id : {QStringLiteral("d201"), QStringLiteral("d202")}) {
            QString address = m_site->resultLink(id);
            QVERIFY2(IsVisitedAddress(address), qPrintable(address));
        }
        CloseVisitedDatabase();
    }

    // A result page the service refuses (429) is asked again after its Retry-After, or without one after 5, 20 and
    // 60 s: refused twice, the walk goes on with every row; refused past the third retry, the batch ends with status
    // 3 and keeps the rows found before.
    void resultPageRefusals_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<int>("refusals");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("rows");
        const QString deep = QStringLiteral("深度学习");
        const QString secondPage =
            QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8");
        QTest::newRow("second page, 429 twice")
            << deep << secondPage << QByteArray() << 2 << int(BatchRun::kCompleted) << 6;
        QTest::newRow("second page, 429 twice, Retry-After 7 s")
            << deep << secondPage << QByteArray("7") << 2 << int(BatchRun::kCompleted) << 6;
        QTest::newRow("second page, 429 past the retries")
            << deep << secondPage << QByteArray() << 4 << int(BatchRun::kServiceUnusable) << 3;
        const QString translation = QStringLiteral("机器翻译");
        QTest::newRow("search page, 429 past the retries")
            << translation << requestPath(QueryAddress(translation, 0, 0)) << QByteArray() << 4
            << int(BatchRun::kServiceUnusable) << 0;
    }
    void resultPageRefusals()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, page);
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, refusals);
        QFETCH(int, exitCode);
        QFETCH(int, rows);
        using namespace std::chrono_literals;
        ManualClock clock;
        auto refusal = FixtureHttpServer::Response::withStatus(429, "<html><body>busy</body></html>");
        if (!retryAfter.isEmpty())
            refusal.withHeader("Retry-After", retryAfter);
        m_server->route(page, refusal);
        // Loads of the page; a browser that keeps a refusal's headers to itself also asks for them with a HEAD.
        int asked = 0;
        QObject lift;
        connect(m_server.get(), &FixtureHttpServer::requestReceived, &lift, [&](const FixtureHttpServer::Request &r) {
            if (r.path == page.toUtf8() && r.method == "GET" && ++asked > refusals)
                m_server->removeRoute(page);
        });
        char *text = nullptr;
        size_t length = 0;
        std::FILE *stream = open_memstream(&text, &length);
        QVERIFY(stream);
        const auto streamText = [&] {
            std::fflush(stream);
            return QString::fromUtf8(text, qsizetype(length));
        };
        BatchOptions o = options({keyword});
        o.noDownload = true;
        {
            BatchProgress progress(stream, false);
            BatchRun batchRun(o, progress);
            InBackground running(batchRun.run());
            int retry = 0;
            const QList<std::chrono::seconds> delays =
                retryAfter.isEmpty() ? QList{5s, 20s, 60s} : QList<std::chrono::seconds>(3, retryAfter.toInt() * 1s);
            for (const auto delay : delays) {
                if (asked > refusals)
                    break;
                // The clock moves only once the refused page waits for its retry: the page reads have limits of
                // their own on it.
                const QString retryLine =
                    QStringLiteral("retry %1 of 3 in %2 s").arg(++retry).arg(std::chrono::seconds(delay).count());
                QTRY_VERIFY_WITH_TIMEOUT(streamText().contains(retryLine), kProgramLimitMs);
                const int before = asked;
                // Not asked again at the first of the usual waits when the server asked for longer.
                if (delay > 5s) {
                    QVERIFY(clock.advance(5s));
                    QVERIFY(!QTest::qWaitFor([&] { return asked > before; }, kQuietMs));
                }
                QVERIFY(clock.advance(delay > 5s ? delay - 5s : delay));
                QTRY_VERIFY_WITH_TIMEOUT(asked > before, kProgramLimitMs);
            }
            QVERIFY(running.endedWithin(kProgramLimitMs));
            QCOMPARE(running.result, exitCode);
            QCOMPARE(batchRun.results().rowCount(), rows);
        }
        const QString err = streamText();
        std::fclose(stream);
        std::free(text);
        QCOMPARE(asked, std::min(refusals, RetryRule::kMaxRetries) + 1);
        QCOMPARE(err.contains(QStringLiteral("refused the request (HTTP 429) while searching")),
                 exitCode == int(BatchRun::kServiceUnusable));
    }

    // The service withholding the analysis's document pages: three rows in a row end the road with status 3 and
    // the cause named, the search beside the analysis included; the list is exported as it stands and nothing is
    // downloaded.
    void rowPagesWithheld_data()
    {
        QTest::addColumn<QString>("answer"); // "v": the verification page; "429": refused, "ask again at once"
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("requestsPerRow");
        QTest::newRow("verification pages") << QStringLiteral("v") << QStringLiteral("asks for a verification") << 1;
        QTest::newRow("429 outlasting the retries")
            << QStringLiteral("429") << QStringLiteral("refused the request (HTTP 429)") << 4;
    }
    void rowPagesWithheld()
    {
        QFETCH(QString, answer);
        QFETCH(QString, cause);
        QFETCH(int, requestsPerRow);
        QFile verify(QStringLiteral(PH_TEST_DATA_DIR "/scholar/verify.htm"));
        QVERIFY(verify.open(QIODevice::ReadOnly));
        const FixtureHttpServer::Response withheld =
            answer == u"v" ? FixtureHttpServer::Response::html(verify.readAll())
                           : FixtureHttpServer::Response::withStatus(429, "<html><body>Too Many Requests</body></html>")
                                 .withHeader("Retry-After", "0");
        const QStringList ids{QStringLiteral("d101"), QStringLiteral("d102"), QStringLiteral("d103")};
        for (const QString &id : ids)
            m_server->route(resultPage(id), withheld);

        const QString list = m_home->filePath(QStringLiteral("rows.zxul"));
        const Outcome o = batch({QStringLiteral("--export"), list, QStringLiteral("深度学习")});
        QCOMPARE(o.exitCode, BatchRun::kServiceUnusable);
        QVERIFY2(o.err.contains(cause) && o.err.contains(QStringLiteral("3 rows in a row")), qPrintable(o.err));
        const auto asked = [&](const QString &id) {
            const auto requests = m_server->requests();
            return std::count_if(requests.cbegin(), requests.cend(), [&](const FixtureHttpServer::Request &r) {
                return r.path == resultPage(id).toUtf8();
            });
        };
        for (const QString &id : ids)
            QCOMPARE(asked(id), requestsPerRow);
        QCOMPARE(asked(QStringLiteral("d104")), 0);
        QVERIFY(m_server->requestsFor(QStringLiteral("/files")).isEmpty());
        QVERIFY(filesIn(outFolder()).isEmpty());
        if (requestsPerRow > 1)
            QVERIFY2(o.out.contains(QStringLiteral("retries after 429/503: %1\n").arg(3 * (requestsPerRow - 1))),
                     qPrintable(o.out));
        QStringList statuses;
        QVERIFY(ReadListFile(list, [&](const ListRecord &r) { statuses.append(r.status); }));
        // The walk ends after the page it was on: later pages may or may not have been reached by then.
        QVERIFY2(statuses.size() >= 3, qPrintable(statuses.join(u',')));
        QCOMPARE(statuses.mid(0, 3), QStringList(3, QStringLiteral("失败(下载)")));
        QVERIFY2(std::all_of(statuses.cbegin() + 3, statuses.cend(), [](const QString &s) { return s.isEmpty(); }),
                 qPrintable(statuses.join(u',')));
    }

    // A document page and a file that the server refuses before serving them: the road waits, asks again, ends
    // with nothing failed, and the summary counts the retries.
    void refusalsOutwaited()
    {
        const auto refuseTimes = [this](const QString &path, int status, int times) {
            m_server->route(path, FixtureHttpServer::Response::withStatus(status, "<html><body>busy</body></html>")
                                      .withHeader("Retry-After", "0"));
            // The route is looked up after the signal, so the request that lifts it is served.
            auto seen = std::make_shared<int>(0);
            connect(m_server.get(), &FixtureHttpServer::requestReceived, this,
                    [this, path, times, seen](const FixtureHttpServer::Request &r) {
                        if (r.path == path.toUtf8() && ++*seen > times)
                            m_server->removeRoute(path);
                    });
        };
        refuseTimes(resultPage(QStringLiteral("d201")), 429, 2);
        refuseTimes(QStringLiteral("/files/d202.pdf"), 503, 1);
        const Outcome o = batch({QStringLiteral("机器翻译")});
        QCOMPARE(o.exitCode, BatchRun::kCompleted);
        QVERIFY2(o.out.contains(QStringLiteral("analysed: 成功 2\n")), qPrintable(o.out));
        QVERIFY2(o.out.contains(QStringLiteral("retries after 429/503: 3\n")), qPrintable(o.out));
        QVERIFY2(o.out.contains(QStringLiteral("files: 2 done, 0 failed")), qPrintable(o.out));
        QCOMPARE(m_server->requestsFor(QStringLiteral("/files/d202.pdf")).size(), 2);
    }

    // Ctrl-C during a back-off ends the road at once, without waiting the delay out.
    void interruptDuringABackOff()
    {
        ManualClock clock;
        m_server->route(resultPage(QStringLiteral("d201")),
                        FixtureHttpServer::Response::withStatus(429, "<html><body>busy</body></html>")
                            .withHeader("Retry-After", "120"));
        BatchRun batchRun(options({QStringLiteral("机器翻译")}), *m_progress);
        InBackground running(batchRun.run());
        // The run waits out the server's two minutes, and nothing else.
        QTRY_COMPARE_WITH_TIMEOUT(ClockTimer::msToNextSingleShot(), qint64(120000), kProgramLimitMs);
        batchRun.interrupt();
        QVERIFY(running.endedWithin(kProgramLimitMs));
        QCOMPARE(running.result, BatchRun::kInterrupted);
        QCOMPARE(m_server->requestsFor(QStringLiteral("/usercenter/paper/show")).size(), 1);
    }

    // A row whose page arrives after Ctrl-C still finds its link, but its file is never fetched: its line says so
    // instead of announcing a success.
    void rowAnalysedAfterTheStop()
    {
        char *text = nullptr;
        size_t length = 0;
        std::FILE *stream = open_memstream(&text, &length);
        QVERIFY(stream);
        int result = -1;
        {
            BatchProgress progress(stream, false);
            BatchRun batchRun(options({QStringLiteral("机器翻译")}), progress);
            // Ctrl-C while the first row's page is on its way: the server answers it after the stop.
            QObject stopper;
            connect(m_server.get(), &FixtureHttpServer::requestReceived, &stopper,
                    [&](const FixtureHttpServer::Request &r) {
                        if (r.path == resultPage(QStringLiteral("d201")).toUtf8())
                            batchRun.interrupt();
                    });
            InBackground running(batchRun.run());
            QVERIFY(running.endedWithin(kProgramLimitMs));
            result = running.result;
        }
        std::fflush(stream);
        const QString err = QString::fromUtf8(text, qsizetype(length));
        std::fclose(stream);
        std::free(text);
        QCOMPARE(result, BatchRun::kInterrupted);
        const QStringList lines = err.split(u'\n');
        const auto row = std::find_if(lines.cbegin(), lines.cend(), [](const QString &line) {
            return line.startsWith(QStringLiteral("analysed ")) && line.contains(QStringLiteral("神经机器翻译"));
        });
        QVERIFY2(row != lines.cend(), qPrintable(err));
        QVERIFY2(row->contains(QStringLiteral(" 成功: ")), qPrintable(*row));
        QVERIFY2(row->endsWith(QStringLiteral("(link found; not downloaded: the run has stopped)")), qPrintable(*row));
        QVERIFY(m_server->requestsFor(QStringLiteral("/files/d201.pdf")).isEmpty());
        QVERIFY(filesIn(outFolder()).isEmpty());
    }

    // The files download while the analysis goes on: the first paper arrives while the second row's page is still
    // refused.
    void downloadsRunBesideTheAnalysis()
    {
        ManualClock clock;
        m_server->route(resultPage(QStringLiteral("d202")),
                        FixtureHttpServer::Response::withStatus(429, "<html><body>busy</body></html>")
                            .withHeader("Retry-After", "120"));
        BatchRun batchRun(options({QStringLiteral("机器翻译")}), *m_progress);
        InBackground running(batchRun.run());
        QTRY_COMPARE_WITH_TIMEOUT(ClockTimer::msToNextSingleShot(), qint64(120000), kProgramLimitMs);
        // A scheduler tick's worth of time, well short of the back-off.
        QVERIFY(clock.advance(std::chrono::seconds(1)));
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(outFolder()), QStringList{QStringLiteral("神经机器翻译.pdf")},
                                  kProgramLimitMs);
        // Each row's page asked for once: the second one's retry is still two minutes away.
        QCOMPARE(m_server->requestsFor(QStringLiteral("/usercenter/paper/show")).size(), 2);
        batchRun.interrupt();
        QVERIFY(running.endedWithin(kProgramLimitMs));
        QCOMPARE(running.result, BatchRun::kInterrupted);
    }

    // The analysis takes each page's rows while the walk goes on: the first page's rows are analysed and their
    // papers saved while the second page has not answered yet.
    void analysisRunsBesideTheSearch()
    {
        ManualClock clock;
        FixtureHttpServer::Response never;
        never.headerDelayMs = -1;
        m_server->route(QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8"),
                        never);
        BatchRun batchRun(options({QStringLiteral("深度学习")}), *m_progress);
        InBackground running(batchRun.run());
        // The pauses between rows pass; the page turn's limit of a minute is never reached.
        const auto passPauses = [&](auto done) {
            return ManualClock::passShortWaitsUntil(done, std::chrono::seconds(1), kProgramLimitMs);
        };
        QVERIFY(
            passPauses([&] { return m_server->requestsFor(QStringLiteral("/usercenter/paper/show")).size() == 3; }));
        // A scheduler tick's worth of time.
        QVERIFY(clock.advance(std::chrono::seconds(1)));
        const QStringList papers{QStringLiteral("卷积神经网络研究.pdf"), QStringLiteral("深度学习综述.pdf")};
        QVERIFY(passPauses([&] { return filesIn(outFolder()) == papers; }));
        QCOMPARE(m_server->requestsFor(QStringLiteral("/s")).size(), 2);
        QVERIFY(!running.done);
        batchRun.interrupt();
        m_server->closeAllConnections();
        QVERIFY(running.endedWithin(kProgramLimitMs));
        QCOMPARE(running.result, BatchRun::kInterrupted);
    }

    // A keyword whose search page never answers: the batch waits its limit and says the service could not be
    // reached.
    void searchPageThatNeverAnswers()
    {
        ManualClock clock;
        const QString silentKeyword = QStringLiteral("无人应答");
        FixtureHttpServer::Response never;
        never.headerDelayMs = -1;
        m_server->route(requestPath(QueryAddress(silentKeyword, 0, 0)), never);

        BatchRun batchRun(options({silentKeyword}), *m_progress);
        InBackground running(batchRun.run());
        QTRY_COMPARE(m_server->requestsFor(QStringLiteral("/s")).size(), 1);
        QVERIFY(clock.advance(SearchDriver::kQueryPageWait - std::chrono::milliseconds(1)));
        QVERIFY(!running.endedWithin(kQuietMs));
        // The limit, then the download ticks of an empty list.
        QVERIFY(clock.advanceUntil([&] { return running.done; }, std::chrono::seconds(1), 60));
        QCOMPARE(running.result, BatchRun::kServiceUnusable);
        m_server->closeAllConnections();
        QCOMPARE(m_server->requestsFor(QStringLiteral("/s")).size(), 1);
        QCOMPARE(batchRun.summary().rowsCollected, 0);
    }

    // A document page that never answers, a file server error and a file body cut short: the rows get their
    // failure statuses and the run still runs to its end, with the status that says something failed.
    void brokenDocumentAndFileServers()
    {
        m_server->route(resultPage(QStringLiteral("d103")), [] {
            FixtureHttpServer::Response never;
            never.headerDelayMs = -1;
            return never;
        }());
        // An error page is never taken for the document.
        m_server->route(QStringLiteral("/files/d101.pdf"),
                        FixtureHttpServer::Response::withStatus(
                            500, "<html><head><title>500</title></head><body>Internal error</body></html>"));
        FixtureHttpServer::Response cutShort =
            FixtureHttpServer::Response::html(QByteArray(4096, 'x'), "application/pdf");
        cutShort.closeAfterBodyBytes = 100;
        m_server->route(QStringLiteral("/files/d106.pdf"), cutShort);

        ManualClock clock;
        BatchRun batchRun(options({QStringLiteral("深度学习")}), *m_progress);
        InBackground running(batchRun.run());
        // The fetch of the document page that never answers gives up after its 60 s; the pages that do answer
        // need no time; then the download ticks come.
        const auto askedForD103 = [&] {
            const auto requests = m_server->requests();
            return std::any_of(requests.cbegin(), requests.cend(), [](const FixtureHttpServer::Request &r) {
                return r.path == resultPage(QStringLiteral("d103")).toUtf8();
            });
        };
        // The walk collects all three pages first: a minute passed while a page turn is still loading would end
        // that turn's wait, which in real time cannot happen to a page that answers at once.
        QTRY_VERIFY_WITH_TIMEOUT(askedForD103() && batchRun.results().rowCount() == 6, kProgramLimitMs);
        QVERIFY(clock.advance(std::chrono::seconds(60)));
        QVERIFY(clock.advanceUntil([&] { return running.done; }, std::chrono::seconds(1), 300));
        QCOMPARE(running.result, BatchRun::kSomeFailed);
        m_server->closeAllConnections();

        QStringList statuses;
        for (const ResultRow &row : batchRun.results().rows())
            statuses << row.title + QLatin1Char('=') + row.status;
        QCOMPARE(statuses,
                 (QStringList{QStringLiteral("深度学习综述=成功"), QStringLiteral("基于深度学习的图像识别=无pdf"),
                              QStringLiteral("卷积神经网络研究=失败(下载)"), QStringLiteral("循环神经网络=成功"),
                              QStringLiteral("长短期记忆网络=成功"), QStringLiteral("注意力机制=成功")}));
        const BatchSummary summary = batchRun.summary();
        QCOMPARE(summary.filesDone, 2);
        QCOMPARE(summary.filesFailed, 2);
        // Neither the error page nor the body cut short leaves anything that could pass for the document later.
        QCOMPARE(filesIn(outFolder()),
                 (QStringList{QStringLiteral("循环神经网络.doc"), QStringLiteral("长短期记忆网络.pdf")}));
    }
};

QTEST_MAIN(TestBatch)
#include "test_batch.moc"
