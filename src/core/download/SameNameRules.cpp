#include "core/download/SameNameRules.h"

#include "core/download/BodyFile.h"
#include "core/download/DownloadTexts.h"
#include "core/util/FileNameRules.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <limits>
#include <optional>

namespace {

QString withType(const QString &base, const QString &type)
{
    return type.isEmpty() ? base : base + QLatin1Char('.') + type;
}

// A path is taken when anything is there: writing over a folder of that name would fail as surely as writing
// over a file would destroy it. A running download's target is taken too, before its body has arrived.
bool isTaken(const QString &path)
{
    return IsExistingFile(path) || QFileInfo(path).isDir() || BodyFile::IsReserved(path);
}

// The value of a bracket number, rounded to a whole number as an integer conversion would; a numeric text too
// large for a 32-bit counter is not taken as a number (its brackets are then kept as part of the title).
std::optional<qint64> bracketNumber(const QString &inner)
{
    if (!IsNumericText(inner))
        return std::nullopt;
    bool ok = false;
    const double value = inner.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double whole = std::nearbyint(value);
    if (whole > std::numeric_limits<qint32>::max() || whole < std::numeric_limits<qint32>::min())
        return std::nullopt;
    return qint64(whole);
}

// At least three digits: 1 gives 001, 1000 gives 1000, -2 gives -002.
QString threeDigits(qint64 number)
{
    const QString digits = QStringLiteral("%1").arg(number < 0 ? -number : number, 3, 10, QLatin1Char('0'));
    return number < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

QString SameNameCaption(SameNameOption option)
{
    switch (option) {
    case SameNameOption::Skip:
        return DownloadTexts::kSkip;
    case SameNameOption::Overwrite:
        return DownloadTexts::kOverwrite;
    case SameNameOption::Rename:
        break;
    }
    return DownloadTexts::kRename;
}

SameNameOption SameNameOptionFromCaption(const QString &caption)
{
    const QString text = caption.trimmed();
    if (text == DownloadTexts::kSkip)
        return SameNameOption::Skip;
    if (text == DownloadTexts::kOverwrite)
        return SameNameOption::Overwrite;
    return SameNameOption::Rename;
}

QString FolderWithSeparator(const QString &folder)
{
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QDir::separator();
}

bool 确定是需要下载(DownloadItem &item, SameNameOption option)
{
    if (option != SameNameOption::Skip)
        return true;
    // Without a type the file is the bare name: the same file the row's own path names.
    const QString path = withType(FolderWithSeparator(item.folder) + item.name, item.type);
    if (!IsExistingFile(path))
        return true;
    const QString length = QString::number(QFileInfo(path).size());
    item.state = ItemState::Done;
    item.size = length;
    item.downloaded = length;
    item.percent = DownloadTexts::kExistsSkipped;
    return false;
}

QString 重命名保存路径(const QString &folder, const QString &name, const QString &type, SameNameOption option,
                       QString *shownName)
{
    const QString dir = FolderWithSeparator(folder);
    const QString path = withType(dir + name, type);
    if (option == SameNameOption::Overwrite || !isTaken(path)) {
        if (shownName)
            *shownName = name;
        return path;
    }

    // A trailing bracket number ("report[7]") is continued rather than stacked; whatever follows the bracket goes
    // with it.
    QString base = name;
    qint64 number = 0;
    const qsizetype open = base.lastIndexOf(QLatin1Char('['));
    const qsizetype close = base.lastIndexOf(QLatin1Char(']'));
    if (open >= 0 && close > open) {
        if (const std::optional<qint64> value = bracketNumber(base.mid(open + 1, close - open - 1).trimmed())) {
            number = *value;
            base.truncate(open);
        }
    }
    // Brackets left in the title must never be read as a number on a later rename.
    base.replace(QLatin1Char('['), QStringLiteral("『")).replace(QLatin1Char(']'), QStringLiteral("』"));

    const auto numbered = [&base](qint64 n) { return base + QLatin1Char('[') + threeDigits(n) + QLatin1Char(']'); };
    QString shown = number != 0 ? numbered(number) : base;
    while (isTaken(withType(dir + shown, type))) {
        ++number;
        shown = numbered(number);
    }
    if (shownName)
        *shownName = shown;
    return withType(dir + shown, type);
}

bool MarkRowIfFileMissing(DownloadItem &item)
{
    if (IsExistingFile(ItemFilePath(item)))
        return false;
    item.percent = DownloadTexts::kMissing;
    return true;
}
