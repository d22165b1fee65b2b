// The reference exports of a list whose rows look like the service's: a third without authors or year, a third
// with Chinese first authors, a third with Western ones, and many sharing a name and year, as the rows of one
// search do. Each format is written to a file as the export writes it; the CSV export, which only quotes its
// fields, is the yardstick.
#include "core/search/ReferenceExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {
constexpr int kRuns = 3; // the fastest run of each format counts

QList<ResultRow> rows(int count)
{
    static const QString chinese[] = {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五"),
                                      QStringLiteral("赵六"), QStringLiteral("欧阳修")};
    static const QString western[] = {QStringLiteral("Smith, J."), QStringLiteral("Müller, Anna"),
                                      QStringLiteral("Garcia Lopez, M.")};
    QList<ResultRow> out;
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        ResultRow r{QStringLiteral("https://xueshu.baidu.com/usercenter/paper/show?paperid=%1&site=xueshu_se")
                        .arg(qint64(i) * 7919, 12, 16, QLatin1Char('0')),
                    QStringLiteral("基于深度学习的 CO<sub>2</sub> 图像识别方法研究（第%1篇）").arg(i),
                    QString(),
                    QStringLiteral("htm"),
                    QStringLiteral("/home/user/papers"),
                    {}};
        switch (i % 3) {
        case 0:
            break;
        case 1:
            r.citation = Citation{{chinese[i % 5], QStringLiteral("李四")},
                                  QStringLiteral("软件学报"),
                                  QString::number(2015 + i % 5),
                                  QString::number(i % 100),
                                  QStringLiteral("本文研究了深度学习在图像识别中的应用。")};
            break;
        default:
            r.citation = Citation{{western[i % 3]},
                                  QStringLiteral("IEEE Transactions on Pattern Analysis"),
                                  QString::number(2015 + i % 5),
                                  {},
                                  QStringLiteral("We study deep learning for image recognition & more.")};
        }
        out.append(r);
    }
    return out;
}

// The processor time of this process so far (user and system), in ms: on a machine other work keeps busy the wall
// times wait for the processor by chance, the processor times compare the work itself.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Cost {
    double wall = 1e300;
    double cpu = 1e300;
};

Cost fastest(const QString &path, ListFormat format, const QList<ResultRow> &list)
{
    Cost best;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuMs();
        QString error;
        if (!WriteReferenceFile(path, format, list, &error))
            qFatal("export failed: %s", qPrintable(error));
        best.wall = std::min(best.wall, clock.nsecsElapsed() / 1e6);
        best.cpu = std::min(best.cpu, cpuMs() - cpuBefore);
    }
    return best;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100'000;
    QTemporaryDir dir;
    const QList<ResultRow> list = rows(count);
    const Cost csv = fastest(dir.filePath(QStringLiteral("r.csv")), ListFormat::Csv, list);
    const Cost ris = fastest(dir.filePath(QStringLiteral("r.ris")), ListFormat::Ris, list);
    const Cost bib = fastest(dir.filePath(QStringLiteral("r.bib")), ListFormat::Bibtex, list);
    std::printf("Reference exports, %d rows, fastest of %d runs (ms; ratio = format / CSV, goal <= 1.5); wall time, "
                "then processor time\n",
                count, kRuns);
    std::printf("%-8s %10s %7s %10s %7s\n", "", "wall", "ratio", "cpu", "ratio");
    for (const auto &[name, cost] : {std::pair{"CSV", csv}, std::pair{"RIS", ris}, std::pair{"BibTeX", bib}})
        std::printf("%-8s %10.1f %7.2f %10.1f %7.2f\n", name, cost.wall, cost.wall / csv.wall, cost.cpu,
                    cost.cpu / csv.cpu);
    return 0;
}
