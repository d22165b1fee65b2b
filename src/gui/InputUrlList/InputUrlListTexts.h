#pragma once

#include <QString>

// Every caption of the address-list dialog.
namespace InputUrlListTexts {
inline const QString kCaption = QStringLiteral("导入网址清单到列表");
inline const QString kLabel1 = QStringLiteral("每行1个网址：");
inline const QString kClear = QStringLiteral("清空");
inline const QString kLoadFile = QStringLiteral("从文件载入");
inline const QString kImport = QStringLiteral("导入到分析下载列表");
inline const QString kCancel = QStringLiteral("取消");
} // namespace InputUrlListTexts
