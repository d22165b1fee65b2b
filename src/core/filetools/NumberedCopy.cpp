#include "core/filetools/NumberedCopy.h"

#include "core/filetools/CopyThroughTemporary.h"
#include "core/util/FileNameRules.h"

#include <QFileInfo>

namespace {
// A folder or a dangling link holds a name as firmly as a file does: copying onto it could only fail or replace it.
bool isNameTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}
} // namespace

QString NumberedCopyTarget(const QString &source, const QString &destination)
{
    QString name;
    QString extension;
    SplitPath(source, name, extension);
    QString base;
    SplitBracketNumber(name, base);
    const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;

    QString candidate = destination + base + suffix;
    for (int counter = 1; isNameTaken(candidate); ++counter)
        candidate = destination + base + QLatin1Char('[') + QString::number(counter).rightJustified(3, u'0') +
                    QLatin1Char(']') + suffix;
    return candidate;
}

QCoro::Task<bool> 复制相同文件自动重命名(QString source, QString destination, std::function<bool()> keepGoing)
{
    if (!IsExistingFile(source))
        co_return false;
    co_return co_await CopyThroughTemporary(source, NumberedCopyTarget(source, destination), std::move(keepGoing));
}
