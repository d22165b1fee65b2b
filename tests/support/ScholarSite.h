#pragma once

#include "support/FixtureHttpServer.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// The fixture scholar site (tests/data/scholar, described in its README.md) served by a FixtureHttpServer:
// search addresses "/s?wd=<GBK-percent-encoded keyword>&pn=<n>&..." map to result pages through search.tsv,
// "/usercenter/paper/show?paperid=<id>" to document pages doc_<id>.htm, "/scholar/<file>" to the other pages and
// "/files/<file>" to the downloadable files. In pages, "@BASE@" becomes the site's base address and "@ALTBASE@"
// the same server under another origin (localhost instead of 127.0.0.1).
class ScholarSite final
{
public:
    // `folder` empty: $PH_TEST_DATA/scholar. Installs the server's catch-all handler.
    explicit ScholarSite(FixtureHttpServer &server, const QString &folder = {});
    ~ScholarSite();
    ScholarSite(const ScholarSite &) = delete;
    ScholarSite &operator=(const ScholarSite &) = delete;

    // "http://127.0.0.1:<port>" (no trailing slash) and "http://localhost:<port>".
    QString base() const;
    QString altBase() const;
    // Points the program's search service (PAPERHARVEST_SEARCH_BASE) at this site until the site goes away.
    void useAsSearchService();

    // "/s?wd=<GBK percent-encoded keyword>", with "&pn=<pn>" when pn is not 0.
    static QString searchPath(const QString &keyword, int pn = 0);
    QString searchUrl(const QString &keyword, int pn = 0) const { return base() + searchPath(keyword, pn); }
    // A page under /scholar/.
    QString pageUrl(const QString &file) const { return base() + QStringLiteral("/scholar/") + file; }
    // A result's link as the result pages write it (after "&amp;" became "&").
    QString resultLink(const QString &paperId) const;

private:
    std::optional<FixtureHttpServer::Response> answer(const FixtureHttpServer::Request &request) const;
    std::optional<FixtureHttpServer::Response> page(const QString &file) const;

    FixtureHttpServer &m_server;
    QString m_folder;
    QHash<QString, QString> m_searchPages; // keyword + '\t' + pn -> file
    bool m_setSearchBase = false;
    QByteArray m_previousSearchBase;
    bool m_hadSearchBase = false;
};
