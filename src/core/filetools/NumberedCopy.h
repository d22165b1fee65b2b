#pragma once

#include <QCoroTask>
#include <QString>
#include <functional>

// The name a copy of `source` takes in `destination` (a folder path ending in a separator) when copies must not
// replace anything: the source's name without a trailing "[number]", then with "[001]", "[002]", ... (at least
// three digits) before the extension, the first that names nothing in the folder yet.
QString NumberedCopyTarget(const QString &source, const QString &destination);

// Copies `source` into `destination` under NumberedCopyTarget(). False when the source is not a file or the copy
// failed; `keepGoing` as for CopyThroughTemporary().
QCoro::Task<bool> 复制相同文件自动重命名(QString source, QString destination, std::function<bool()> keepGoing = {});
