#include "PdfFixtures.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <functional>

bool WritePdf(const QString &path, const PdfRecipe &recipe)
{
    QPdfWriter writer(path);
    writer.setTitle(recipe.infoTitle);
    writer.setCreator(QStringLiteral("test"));
    if (!recipe.xmp.isEmpty())
        writer.setDocumentXmpMetadata(recipe.xmp);
    writer.setResolution(72);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    QFont titleFont(QStringLiteral("Noto Sans CJK SC"), 18);
    QFont bodyFont(QStringLiteral("Noto Sans CJK SC"), 10);
    const QString paragraph = QStringLiteral(
        "本文研究了学术文献的自动获取与校验方法。The harvested files are checked page by page so that damaged "
        "or wrong documents are found before they are cited. 实验结果表明该方法准确可靠。");
    for (int page = 0; page < recipe.pages; ++page) {
        if (page > 0)
            writer.newPage();
        int y = 60;
        if (page == 0) {
            painter.setFont(titleFont);
            painter.drawText(QRect(50, y, 500, 60), Qt::TextWordWrap, recipe.pageTitle);
            y += 70;
            // Latin digits from the CJK font come out of text extraction as blanks: the DOI line uses a Latin one.
            painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
            if (!recipe.doiLine.isEmpty()) {
                painter.drawText(50, y, recipe.doiLine);
                y += 20;
            }
        }
        painter.setFont(bodyFont);
        for (int line = 0; line < 8; ++line, y += 70)
            painter.drawText(QRect(50, y, 500, 60), Qt::TextWordWrap,
                             QStringLiteral("%1.%2 ").arg(page + 1).arg(line + 1) + paragraph);
    }
    return painter.end();
}

namespace {
bool writePrefix(const QString &from, const QString &to, const std::function<qint64(qint64)> &lengthOf)
{
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = in.readAll();
    const qint64 length = lengthOf(bytes.size());
    return out.write(bytes.left(length)) == length;
}
} // namespace

bool WriteFirstHalf(const QString &from, const QString &to)
{
    return writePrefix(from, to, [](qint64 size) { return size / 2; });
}

bool WriteAllBut(const QString &from, const QString &to, qint64 drop)
{
    return writePrefix(from, to, [drop](qint64 size) { return std::max<qint64>(0, size - drop); });
}

bool LockWithPassword(const QString &from, const QString &to)
{
    const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
    if (qpdf.isEmpty())
        return false;
    QProcess process;
    process.start(qpdf, {QStringLiteral("--encrypt"), QStringLiteral("user-secret"), QStringLiteral("owner-secret"),
                         QStringLiteral("256"), QStringLiteral("--"), from, to});
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
