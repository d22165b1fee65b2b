// visited_probe <address>... : opens the visited-address database of $PAPERHARVEST_HOME and prints one line per
// address, "1" when it is recorded, "0" when not. Exit code 2 with the reason on stderr when the file won't open.
// visited_probe --record-without-room <address>... : records the addresses in a process that may not grow any
// file (as on a full disk) and prints "1" or "0" for each; the program's messages go to stderr.
// visited_probe --record <address>... : records the addresses and prints "1" or "0" for each as soon as its call
// returned, so a test that kills the probe knows which records were answered.
// visited_probe --await <address>... : records the addresses as waiting on their downloads, prints "1" or "0" for
// each, then keeps the database open until its standard input closes (a run whose downloads are still going).
// Every mode ends with a line "failed writes: <n>" on stderr.
#include "core/store/VisitedDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <csignal>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool withoutRoom = !args.isEmpty() && args.first() == QLatin1String("--record-without-room");
    const bool await = !args.isEmpty() && args.first() == QLatin1String("--await");
    const bool record = withoutRoom || await || (!args.isEmpty() && args.first() == QLatin1String("--record"));
    if (record)
        args.removeFirst();
    QString error;
    if (!OpenVisitedDatabase(&error)) {
        QTextStream(stderr) << error << '\n';
        return 2;
    }
    if (withoutRoom) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, 0};
        setrlimit(RLIMIT_FSIZE, &none);
    }
    QTextStream out(stdout);
    for (QString address : args) {
        const bool yes = await    ? RecordVisitedAwaitingDownload(address)
                         : record ? RecordVisitedAddress(address)
                                  : IsVisitedAddress(address);
        out << (yes ? "1" : "0") << '\n' << Qt::flush;
    }
    if (await) {
        QFile in;
        if (in.open(stdin, QIODevice::ReadOnly))
            in.readAll();
    }
    QTextStream(stderr) << "failed writes: " << VisitedWriteFailures() << '\n';
    CloseVisitedDatabase();
    return 0;
}
