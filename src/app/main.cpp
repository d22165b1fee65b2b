#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PaperHarvest"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PH_VERSION));
    QTextStream(stdout) << "PaperHarvest " << PH_VERSION << Qt::endl;
    return 0;
}
