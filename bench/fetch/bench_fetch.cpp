// bench_fetch [runs]: FetchPageText of a 2 MB page against `curl -s -o /dev/null` on the same loopback server,
// which runs in a child process (this binary with --serve) so neither client shares its event loop with it.
// Prints the median wall time of each, the ratio, and the CPU a fetch uses while its server stays silent.
#include "core/net/FetchPageText.h"
#include "core/net/TransferControl.h"
#include "support/FixtureHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <qcoro/qcorotask.h>
#include <sys/resource.h>

namespace {

QByteArray page()
{
    QByteArray body = "<html><head><meta charset=\"utf-8\" /><title>bench</title></head><body>\n";
    const QByteArray line =
        QStringLiteral("<div class=\"sc_content\"><a "
                       "href=\"http://xueshu.example/paper?id=%1\">基于深度学习的文献检索方法研究 %1</a></div>\n")
            .toUtf8();
    for (int i = 0; body.size() < 2 * 1024 * 1024; ++i)
        body += QString::fromUtf8(line).arg(i).toUtf8();
    return body + "</body></html>\n";
}

int serve()
{
    FixtureHttpServer server;
    server.route("/page", FixtureHttpServer::Response::html(page(), "text/html"));
    FixtureHttpServer::Response silent;
    silent.headerDelayMs = -1;
    server.route("/silent", silent);
    std::printf("%u\n", server.port());
    std::fflush(stdout);
    return QCoreApplication::exec();
}

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--serve")
        return serve();
    const int runs = argc > 1 ? std::max(3, QByteArray(argv[1]).toInt()) : 15;

    QTemporaryDir home;
    qputenv("PAPERHARVEST_HOME", home.path().toUtf8());
    QProcess server;
    server.start(QCoreApplication::applicationFilePath(), {"--serve"});
    if (!server.waitForStarted() || !server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "server did not start\n");
        return 1;
    }
    const int port = server.readLine().trimmed().toInt();
    const QString url = QStringLiteral("http://127.0.0.1:%1/page").arg(port);
    const QString curl = QStandardPaths::findExecutable("curl");

    std::vector<double> ours, curlWall, curlOwn, oursCpu;
    qsizetype chars = 0;
    for (int i = 0; i < runs + 2; ++i) { // the first two runs of each warm up
        TransferControl control;
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        const QString text =
            QCoro::waitFor(FetchPageText({.address = url, .charset = "auto", .timeoutSeconds = 60}, &control));
        const double ms = t.nsecsElapsed() / 1e6;
        const double cpu = cpuMs() - c0;
        if (text.isEmpty()) {
            std::fprintf(stderr, "fetch failed\n");
            return 1;
        }
        chars = text.size();
        if (i >= 2) {
            ours.push_back(ms);
            oursCpu.push_back(cpu);
        }
        if (curl.isEmpty())
            continue;
        QProcess p;
        t.restart();
        p.start(curl, {"-s", "-o", "/dev/null", "-w", "%{time_total}", url});
        p.waitForFinished(60000);
        const double cms = t.nsecsElapsed() / 1e6;
        if (i >= 2) {
            curlWall.push_back(cms);
            curlOwn.push_back(p.readAllStandardOutput().trimmed().replace(',', '.').toDouble() * 1000.0);
        }
    }

    std::printf("page: %.2f MB, %lld characters after decoding, %d runs each (medians)\n", page().size() / 1048576.0,
                static_cast<long long>(chars), runs);
    std::printf("FetchPageText            %8.1f ms  (CPU %.1f ms)\n", median(ours), median(oursCpu));
    if (!curl.isEmpty()) {
        std::printf("curl, process wall time  %8.1f ms\n", median(curlWall));
        std::printf("curl, its own time_total %8.1f ms\n", median(curlOwn));
        std::printf("ratio FetchPageText / curl wall: %.2f   / curl time_total: %.2f\n",
                    median(ours) / median(curlWall), median(ours) / median(curlOwn));
    } else {
        std::printf("curl not found: no comparison\n");
    }

    // A fetch that waits on a silent server: how much CPU do three seconds of waiting cost?
    {
        TransferControl control;
        auto task = FetchPageText(
            {.address = QStringLiteral("http://127.0.0.1:%1/silent").arg(port), .timeoutSeconds = 60}, &control);
        const double c0 = cpuMs();
        QElapsedTimer t;
        t.start();
        QTimer::singleShot(3000, &control, [&] { control.cancel(); });
        QCoro::waitFor(task);
        std::printf("waiting %.1f s on a silent server used %.1f ms of CPU\n", t.elapsed() / 1000.0, cpuMs() - c0);
    }

    server.kill();
    server.waitForFinished();
    return 0;
}
