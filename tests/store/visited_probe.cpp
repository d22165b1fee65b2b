// visited_probe <address>... : opens the visited-address database of $PAPERHARVEST_HOME and prints one line per
// address, "1" when it is recorded, "0" when not. Exit code 2 with the reason on stderr when the file won't open.
#include "core/store/VisitedDatabase.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    if (!OpenVisitedDatabase(&error)) {
        QTextStream(stderr) << error << '\n';
        return 2;
    }
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    for (QString address : args)
        out << (IsVisitedAddress(address) ? "1" : "0") << '\n';
    CloseVisitedDatabase();
    return 0;
}
