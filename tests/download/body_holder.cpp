// body_holder <target path> : a second process downloading into the same folder. It starts the body of `target`
// (its hidden part file, locked), prints "held" and keeps it until its standard input closes; then it drops it.
#include "core/download/BodyFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2)
        return 2;
    BodyFile body(app.arguments().at(1));
    if (!body.open() || !body.write(QByteArrayLiteral("the first bytes")))
        return 1;
    QTextStream(stdout) << "held\n" << Qt::flush;
    QFile in;
    if (in.open(stdin, QIODevice::ReadOnly))
        in.readAll();
    return 0;
}
