#pragma once

#include <QString>

// The result list's and the search runs' user-visible texts, in one place.
namespace SearchTexts {
// Row statuses, written by the analysis and read by the list commands and the list exchange. Every failure begins
// with 失败 and every skip with the skip group's word.
inline const QString 正在分析 = QStringLiteral("正在分析");
inline const QString 正在分析下层 = QStringLiteral("正在分析下层");
inline const QString 跳过曾经下载 = QStringLiteral("跳过(曾经下载)");
inline const QString 跳过文件存在 = QStringLiteral("跳过(文件存在)");
inline const QString 成功 = QStringLiteral("成功");
inline const QString 无pdf = QStringLiteral("无pdf");
inline const QString 失败下载 = QStringLiteral("失败(下载)");
inline const QString 失败 = QStringLiteral("失败");
inline const QString kSkippedGroup = QStringLiteral("跳过");

// The result list's columns.
inline const QString kTitleColumn = QStringLiteral("标题");
inline const QString kStatusColumn = QStringLiteral("分析状态      ");
inline const QString kTypeColumn = QStringLiteral("类型  ");
inline const QString kFolderColumn = QStringLiteral("保存路径");

// Refusals and questions of the runs and list commands.
inline const QString kBusyRefusal = QStringLiteral("正在工作，请停止以后使用该功能！");
inline const QString kBusyTryLater = QStringLiteral("正在工作，请稍后再试！");
inline const QString kClearRefusal = QStringLiteral("正在分析，不能清除！");
inline const QString kAskText = QStringLiteral("请输入指定字符：");
inline const QString kClearAllQuestion = QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？");

// The list export's closing message, followed by the file's size in kilobytes.
inline const QString kExportFinished = QStringLiteral("导出到文件完毕：");
} // namespace SearchTexts
