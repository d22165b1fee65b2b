#pragma once

#include <QString>

// The texts that more than one window shows, in one place.
namespace ShellTexts {
inline const QString kMenuTools = QStringLiteral("工具(&T)");
inline const QString kMenuHelp = QStringLiteral("帮助(&H)");
inline const QString kAll = QStringLiteral("全部");
inline const QString kCancel = QStringLiteral("取消");

// Opening a file or its folder from a list.
inline const QString kFileMissing = QStringLiteral("文件不存在！");
// %1 the file or folder, %2 why the desktop could not open it.
inline const QString kNoHandler = QStringLiteral("无法打开：%1\n桌面没有能打开它的程序（%2）。");
inline const QString kHandlerExit = QStringLiteral("xdg-open 退出状态 %1");
inline const QString kNoSuchFile = QStringLiteral("该文件不存在！");
inline const QString kNoSuchFolder = QStringLiteral("文件夹不存在！");
inline const QString kOpenFailed = QStringLiteral("打开失败！");

// The system description: "<product> 版本:<version> (内部版本:<kernel>)[<bits>位]", the product unknown when the
// system does not name itself.
inline const QString kUnknownSystem = QStringLiteral("未知系统 ");
inline const QString kSystemVersion = QStringLiteral(" 版本:");
inline const QString kSystemBuild = QStringLiteral(" (内部版本:");
inline const QString kSystemBits = QStringLiteral("位]");

// Why a folder could not be made, after the system's error number.
inline const QString kFolderNotADirectory = QStringLiteral("路径中有一段是文件，不是文件夹。");
inline const QString kFolderNoPermission = QStringLiteral("没有在这里建立文件夹的权限。");
inline const QString kFolderReadOnly = QStringLiteral("磁盘是只读的。");
inline const QString kFolderDiskFull = QStringLiteral("磁盘空间不足。");
inline const QString kFolderNameTooLong = QStringLiteral("路径或名称太长。");
inline const QString kFolderInvalidName = QStringLiteral("文件夹名称无效。");
inline const QString kFolderMissingDrive = QStringLiteral("路径不存在。");
// %1 the system's error number.
inline const QString kFolderSystemError = QStringLiteral("系统错误（错误号 %1）。");

// The status-bar field of failed writes to the data folder: %1 how many visits or marks were not kept.
inline const QString kDataWritesFailed = QStringLiteral("访问记录写入失败：%1 次");

// What a screen reader calls an embedded browser.
inline const QString kBrowserName = QStringLiteral("网页浏览器");
} // namespace ShellTexts
