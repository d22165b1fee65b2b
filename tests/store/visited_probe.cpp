// visited_probe <address>... : opens the visited-address database of $PAPERHARVEST_HOME and prints one line per
// address, "1" when it is recorded, "0" when not. Exit code 2 with the reason on stderr when the file won't open.
// visited_probe --record-without-room <address>... : records the addresses in a process that may not grow any
// file (as on a full disk) and prints "1" or "0" for each; the program's messages go to stderr.
#include "core/store/VisitedDatabase.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool record = !args.isEmpty() && args.first() == QLatin1String("--record-without-room");
    if (record)
        args.removeFirst();
    QString error;
    if (!OpenVisitedDatabase(&error)) {
        QTextStream(stderr) << error << '\n';
        return 2;
    }
    if (record) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, 0};
        setrlimit(RLIMIT_FSIZE, &none);
    }
    QTextStream out(stdout);
    for (QString address : args)
        out << ((record ? RecordVisitedAddress(address) : IsVisitedAddress(address)) ? "1" : "0") << '\n';
    CloseVisitedDatabase();
    return 0;
}
