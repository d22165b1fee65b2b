#pragma once

#include <QString>

// The user-visible texts of the shared tools, in one place.
namespace UtilTexts {
inline const QString kFolderNameError = QStringLiteral("文件夹名称有误！不能创建文件夹！");
} // namespace UtilTexts
