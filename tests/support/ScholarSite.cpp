#include "support/ScholarSite.h"

#include <QUrl>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

QByteArray readFile(const QString &path, bool *ok)
{
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? f.readAll() : QByteArray();
}

// Query parameters of a request path; values are percent-decoded bytes ('+' stands for a space).
QHash<QByteArray, QByteArray> queryOf(const QByteArray &path)
{
    QHash<QByteArray, QByteArray> out;
    const auto q = path.indexOf('?');
    if (q < 0)
        return out;
    for (const QByteArray &pair : path.mid(q + 1).split('&')) {
        const auto eq = pair.indexOf('=');
        const QByteArray key = eq < 0 ? pair : pair.left(eq);
        QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        value.replace('+', ' ');
        if (!out.contains(key))
            out.insert(key, QByteArray::fromPercentEncoding(value));
    }
    return out;
}

bool isPlainName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_.\\-]+$"));
    return plain.match(name).hasMatch() && !name.startsWith(QLatin1Char('.'));
}

} // namespace

ScholarSite::ScholarSite(FixtureHttpServer &server, const QString &folder)
    : m_server(server),
      m_folder(folder.isEmpty() ? qEnvironmentVariable("PH_TEST_DATA") + QStringLiteral("/scholar") : folder)
{
    bool ok = false;
    const QString table = QString::fromUtf8(readFile(m_folder + QStringLiteral("/search.tsv"), &ok));
    for (const QString &line : table.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')) || line.trimmed().isEmpty())
            continue;
        const QStringList cols = line.split(QLatin1Char('\t'));
        if (cols.size() == 3)
            m_searchPages.insert(cols[0] + QLatin1Char('\t') + cols[1].trimmed(), cols[2].trimmed());
    }
    m_server.setHandler([this](const FixtureHttpServer::Request &request) { return answer(request); });
}

ScholarSite::~ScholarSite()
{
    m_server.setHandler({});
    if (m_setSearchBase) {
        if (m_hadSearchBase)
            qputenv("PAPERHARVEST_SEARCH_BASE", m_previousSearchBase);
        else
            qunsetenv("PAPERHARVEST_SEARCH_BASE");
    }
}

QString ScholarSite::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.port());
}

QString ScholarSite::altBase() const
{
    return QStringLiteral("http://localhost:%1").arg(m_server.port());
}

void ScholarSite::useAsSearchService()
{
    if (!m_setSearchBase) {
        m_hadSearchBase = qEnvironmentVariableIsSet("PAPERHARVEST_SEARCH_BASE");
        m_previousSearchBase = qgetenv("PAPERHARVEST_SEARCH_BASE");
        m_setSearchBase = true;
    }
    qputenv("PAPERHARVEST_SEARCH_BASE", base().toUtf8());
}

QString ScholarSite::searchPath(const QString &keyword, int pn)
{
    QStringEncoder gbk("GBK");
    const QByteArray bytes = gbk.encode(keyword);
    QString path = QStringLiteral("/s?wd=") + QString::fromLatin1(bytes.toPercentEncoding());
    if (pn != 0)
        path += QStringLiteral("&pn=%1").arg(pn);
    return path;
}

QString ScholarSite::resultLink(const QString &paperId) const
{
    return base() + QStringLiteral("/usercenter/paper/show?paperid=") + paperId + QStringLiteral("&site=xueshu_se");
}

std::optional<FixtureHttpServer::Response> ScholarSite::page(const QString &file) const
{
    if (!isPlainName(file))
        return std::nullopt;
    bool ok = false;
    QByteArray body = readFile(m_folder + QLatin1Char('/') + file, &ok);
    if (!ok)
        return std::nullopt;
    body.replace("@ALTBASE@", altBase().toUtf8());
    body.replace("@BASE@", base().toUtf8());
    body.replace("@HOSTPORT@", QUrl(base()).authority().toUtf8());
    return FixtureHttpServer::Response::html(body, "text/html; charset=utf-8");
}

std::optional<FixtureHttpServer::Response> ScholarSite::answer(const FixtureHttpServer::Request &request) const
{
    const QString path = QString::fromUtf8(request.pathOnly());
    const auto query = queryOf(request.path);

    if (path == u"/")
        return page(QStringLiteral("index.htm"));
    if (path == u"/s") {
        QStringDecoder gbk("GBK");
        const QString keyword = QString(gbk.decode(query.value("wd"))).trimmed();
        const QString pn = QString::number(query.value("pn").toInt());
        return page(m_searchPages.value(keyword + QLatin1Char('\t') + pn, QStringLiteral("no_results.htm")));
    }
    if (path == u"/usercenter/paper/show")
        return page(QStringLiteral("doc_") + QString::fromUtf8(query.value("paperid")) + QStringLiteral(".htm"));
    if (path.startsWith(u"/scholar/"))
        return page(path.mid(9));
    if (path.startsWith(u"/files/")) {
        const QString name = path.mid(7);
        if (!isPlainName(name))
            return std::nullopt;
        bool ok = false;
        const QByteArray body = readFile(m_folder + QStringLiteral("/files/") + name, &ok);
        if (!ok)
            return std::nullopt;
        const QByteArray type = QFileInfo(name).suffix().isEmpty() ? QByteArray("application/pdf")
                                                                   : FixtureHttpServer::contentTypeForFile(name);
        return FixtureHttpServer::Response::text(body, type);
    }
    return std::nullopt;
}
