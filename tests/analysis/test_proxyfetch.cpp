#include "AnalysisBench.h"

#include "core/store/Settings.h"
#include "core/util/TextFile.h"
#include "support/TinyProxy.h"

#include <QTcpServer>
#include <QTest>

namespace {
QByteArray documentPage(const QString &pdfLink)
{
    return "<html><head><meta charset=\"utf-8\"/></head><body><div>这是一篇用于测试代理的文献页面，文字足够长。</div>"
           "<div><a class=\"dl_item\" href=\"" +
           pdfLink.toUtf8() + "\"><i class=\"c-icon-pdf\"></i>来源</a>(全网免费下载)</div></body></html>";
}

// A loopback port nothing listens on.
quint16 deadPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

bool logHasPath(const TinyProxy &proxy, const QString &path)
{
    return proxy.log().contains(path + QStringLiteral(" HTTP/"));
}
} // namespace

// Row fetches go through the proxies of ip.txt; five failed fetches in a row move the rotation on, and a proxy
// that does not answer at all is one more way to fail.
class TestProxyFetch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rotationThroughRealProxies()
    {
        if (!TinyProxy::isAvailable())
            QSKIP("tinyproxy is not installed (apt-get install tinyproxy)");
        TinyProxy a;
        TinyProxy b;
        QVERIFY2(a.start(), qPrintable(a.errorString()));
        QVERIFY2(b.start(), qPrintable(b.errorString()));
        const QString dead = QStringLiteral("127.0.0.1:%1").arg(deadPort());

        AnalysisBench bench;
        QVERIFY(TextFile::writeText(bench.home.filePath(QStringLiteral("ip.txt")),
                                    dead + QStringLiteral("\r\n") + a.hostPort() + QStringLiteral("\r\n") +
                                        b.hostPort() + QStringLiteral("\r\n")));
        SettingKeys::使用ip代理.write(true);
        SettingKeys::代理ip使用index.write(2); // the first rotation wraps to the dead proxy
        bench.proxies.load();
        QSignalSpy status(&bench.proxies, &ProxyRotation::statusTextChanged);

        // Rows 1-5 meet the dead proxy, 6 comes through A, 7-11 are missing pages fetched through A, 12 is
        // fetched through B.
        QStringList paths;
        for (int i = 1; i <= 12; ++i) {
            const bool missing = i >= 7 && i <= 11;
            const QString path = QString::fromLatin1(missing ? "/gone%1" : "/ok%1").arg(i);
            if (!missing)
                bench.server.route(path, FixtureHttpServer::Response::html(documentPage(
                                             bench.server.urlText(QStringLiteral("/files/%1.pdf").arg(i)))));
            bench.addRow(bench.server.urlText(path), QStringLiteral("文献%1").arg(i));
            paths << path;
        }
        QVERIFY(bench.runToEnd(AnalysisSet::All));

        QStringList expected = QStringList(5, QStringLiteral("失败(下载)"));
        expected << QStringLiteral("成功") << QStringList(5, QStringLiteral("失败(下载)")) << QStringLiteral("成功");
        QCOMPARE(bench.statuses(), expected);

        for (int i = 1; i <= 12; ++i) {
            const QString &path = paths.at(i - 1);
            const char *carrier = i <= 5 ? "none" : i <= 11 ? "A" : "B";
            QVERIFY2(logHasPath(a, path) == (i >= 6 && i <= 11), qPrintable(path + QStringLiteral(" via ") + carrier));
            QVERIFY2(logHasPath(b, path) == (i == 12), qPrintable(path + QStringLiteral(" via ") + carrier));
            QCOMPARE(bench.server.requestsFor(path).isEmpty(), i <= 5);
        }
        for (const auto &request : bench.server.requests())
            QVERIFY(request.header("Via").contains("tinyproxy"));

        // The status bar named each proxy before its fetches; the list had nothing to complain about.
        QStringList shown;
        for (const auto &args : status)
            if (shown.isEmpty() || shown.last() != args.at(0).toString())
                shown << args.at(0).toString();
        QCOMPARE(shown, (QStringList{ProxyRotation::proxyText(dead), ProxyRotation::proxyText(a.hostPort()),
                                     ProxyRotation::proxyText(b.hostPort())}));
        QVERIFY(bench.prompt.entries.isEmpty());

        bench.proxies.store();
        QCOMPARE(SettingKeys::代理ip使用index.read(), 2);
        QCOMPARE(bench.view.downloads.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestProxyFetch)
#include "test_proxyfetch.moc"
