#pragma once

#include <QString>

// Every caption and message of the save-target dialog, in one place.
namespace Form_BaoCunTexts {
inline const QString kCaption = QStringLiteral("选择下载保存路径");
inline const QString kFolderLabel = QStringLiteral("保存到文件夹：");
inline const QString kBrowse = QStringLiteral("浏览...");
inline const QString kClearHistory = QStringLiteral("清空历史");
inline const QString kNameLabel = QStringLiteral("保存文件名为：");
inline const QString kNameFromAddress = QStringLiteral("原文件名");
inline const QString kNameFromLink = QStringLiteral("链接名称");
inline const QString kOk = QStringLiteral("确定");
inline const QString kBrowsePrompt = QStringLiteral("请选择要浏览的文件夹:");
inline const QString kCreateFailed = QStringLiteral("创建文件夹出错！");
} // namespace Form_BaoCunTexts
