#pragma once

#include "support/FixtureHttpServer.h"

#include <QString>
#include <QStringList>

// A search site of kResults results on kPages result pages for one keyword, each result's document page with one
// free PDF link and the file behind it, generated on request by a FixtureHttpServer.
class RoadSite final
{
public:
    static constexpr int kPages = 50;
    static constexpr int kResultsPerPage = 20;
    static constexpr int kResults = kPages * kResultsPerPage;
    static constexpr int kFileBytes = 32 * 1024;

    explicit RoadSite(FixtureHttpServer &server);

    static QString keyword() { return QStringLiteral("road"); }
    QString base() const;
    // The addresses the road fetches on the site at `base`, in the order it fetches them: the result pages, each
    // result's document page, each file.
    static QStringList resultPages(const QString &base);
    static QStringList documentPages(const QString &base);
    static QStringList files(const QString &base);

private:
    std::optional<FixtureHttpServer::Response> answer(const FixtureHttpServer::Request &request) const;

    FixtureHttpServer &m_server;
    QByteArray m_file;
};
