#include "RoadSite.h"

#include <QUrlQuery>

namespace {
QString documentPath(int id)
{
    return QStringLiteral("/usercenter/paper/show?paperid=p%1&site=xueshu_se").arg(id);
}

QString resultPagePath(int page)
{
    return page == 0 ? QStringLiteral("/s?wd=road") : QStringLiteral("/s?wd=road&pn=%1").arg(page * 10);
}

QByteArray resultPage(int page)
{
    QByteArray html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>road_百度学术</title></head><body>"
                      "<div id=\"content_leftrs\">";
    for (int i = 0; i < RoadSite::kResultsPerPage; ++i) {
        const int id = page * RoadSite::kResultsPerPage + i;
        html += QStringLiteral("<div class=\"result sc_default_result\"><div class=\"sc_content\"><h3 class=\"t\">"
                               "<a href=\"%1\" target=\"_blank\">道路文献 %2 的标题</a></h3></div></div>")
                    .arg(QString(documentPath(id)).replace(QLatin1Char('&'), QStringLiteral("&amp;")))
                    .arg(id)
                    .toUtf8();
    }
    html += "</div><p id=\"page\">";
    if (page + 1 < RoadSite::kPages)
        html += QStringLiteral("<a href=\"%1\" class=\"n\">下一页&gt;</a>")
                    .arg(resultPagePath(page + 1).replace(QLatin1Char('&'), QStringLiteral("&amp;")))
                    .toUtf8();
    return html + "</p></body></html>";
}

QByteArray documentPage(const QString &fileAddress, int id)
{
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>道路文献 %1_百度学术</title></head>"
               "<body><div class=\"abstract\">这是第 %1 篇文献的摘要，页面足够长，可以被分析。</div>"
               "<div class=\"allversion_content\"><span class=\"dl_item_span\"><a class=\"dl_item\" "
               "href=\"%2\" target=\"_blank\"><span class=\"dl_source\">www.road.example</span>"
               "<i class=\"c-icon c-icon-pdf\"></i></a><span class=\"dl_lib\">(全网免费下载)</span>"
               "</span></div></body></html>")
        .arg(id)
        .arg(fileAddress)
        .toUtf8();
}
// A whole one-page PDF of about `size` bytes, its page's content padded with comment lines: the road's PDF check
// must find each file whole, as it finds a real paper, or every file would count as damaged.
QByteArray wholePdf(qsizetype size)
{
    QByteArray content;
    while (content.size() < size - 600)
        content += "% road bench filler line of a page's content that stands in for the paper\n";
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream",
    };
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : std::as_const(offsets))
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}
} // namespace

RoadSite::RoadSite(FixtureHttpServer &server) : m_server(server)
{
    m_file = wholePdf(kFileBytes);
    m_server.setHandler([this](const FixtureHttpServer::Request &request) { return answer(request); });
}

QString RoadSite::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.port());
}

QStringList RoadSite::resultPages(const QString &base)
{
    QStringList out;
    for (int page = 0; page < kPages; ++page)
        out << base + resultPagePath(page);
    return out;
}

QStringList RoadSite::documentPages(const QString &base)
{
    QStringList out;
    for (int id = 0; id < kResults; ++id)
        out << base + documentPath(id);
    return out;
}

QStringList RoadSite::files(const QString &base)
{
    QStringList out;
    for (int id = 0; id < kResults; ++id)
        out << base + QStringLiteral("/files/p%1.pdf").arg(id);
    return out;
}

std::optional<FixtureHttpServer::Response> RoadSite::answer(const FixtureHttpServer::Request &request) const
{
    const QUrl url(QString::fromUtf8(request.path));
    const QUrlQuery query(url);
    const QString path = url.path();
    if (path == u"/s") {
        const int page = query.queryItemValue(QStringLiteral("pn")).toInt() / 10;
        if (page >= 0 && page < kPages)
            return FixtureHttpServer::Response::html(resultPage(page), "text/html; charset=utf-8");
    } else if (path == u"/usercenter/paper/show") {
        const QString id = query.queryItemValue(QStringLiteral("paperid"));
        const int n = id.mid(1).toInt();
        return FixtureHttpServer::Response::html(documentPage(base() + QStringLiteral("/files/p%1.pdf").arg(n), n),
                                                 "text/html; charset=utf-8");
    } else if (path.startsWith(u"/files/")) {
        return FixtureHttpServer::Response::text(m_file, "application/pdf");
    } else if (path == u"/") {
        return FixtureHttpServer::Response::html("<html><head><title>road</title></head><body></body></html>");
    }
    return std::nullopt;
}
