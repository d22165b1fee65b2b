// Serves the fixture scholar site on 127.0.0.1 until stopped, printing its base address as the first line of
// stdout:   ph_fixture_site [folder]   (default: the site of the source tree)
#include "support/FixtureHttpServer.h"
#include "support/ScholarSite.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString folder = arguments.size() > 1 ? arguments.at(1) : QStringLiteral(PH_TEST_DATA_DIR "/scholar");
    FixtureHttpServer server;
    ScholarSite site(server, folder);
    QTextStream(stdout) << site.base() << Qt::endl;
    return QCoreApplication::exec();
}
