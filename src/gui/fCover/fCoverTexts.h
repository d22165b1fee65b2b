#pragma once

#include <QString>

// Every caption of the start-up window, in one place.
namespace fCoverTexts {
// Followed by the program's version.
inline const QString kVersion = QStringLiteral("版本:");
inline const QString kLoading = QStringLiteral("正在加载组件，请稍候...");
inline const QString kNotice = QStringLiteral("(该软件仅用于科研人员辅助少量下载；请不要恶意下载和大量下载！)");
inline const QString kSearch = QStringLiteral("文档检索下载");
inline const QString kExit = QStringLiteral("退出软件");
} // namespace fCoverTexts
