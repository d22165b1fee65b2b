#pragma once

#include <QString>

// The download manager's user-visible texts, in one place.
namespace DownloadTexts {
inline const QString kModeLabel = QStringLiteral("下载方式：");
inline const QString kStopBeforeSetting = QStringLiteral("停止下载后方可设置！");
inline const QString kStopBeforeOperation = QStringLiteral("停止下载以后，才能执行此操作！");
inline const QString kForceCloseQuestion = QStringLiteral("正在下载文件或者下载没有完成，要强制关闭窗口吗？");
inline const QString kFileMissing = QStringLiteral("文件不存在！");
inline const QString kDownloading = QStringLiteral("正在下载:");
inline const QString kFinished = QStringLiteral("完成下载:");
inline const QString kWaitingAgain = QStringLiteral("等待重新下载");
inline const QString kCancelled = QStringLiteral("下载取消");
inline const QString kTooBig = QStringLiteral("大文件，跳过");
inline const QString kFolderNotCreated = QStringLiteral("创建文件夹出错！");
} // namespace DownloadTexts
