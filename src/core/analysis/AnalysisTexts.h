#pragma once

#include <QString>

// The words and messages of the link analysis, as the user sees them.
namespace AnalysisText {
// Row statuses.
inline QString 正在分析() { return QStringLiteral("正在分析"); }
inline QString 正在分析下层() { return QStringLiteral("正在分析下层"); }
inline QString 跳过曾经下载() { return QStringLiteral("跳过(曾经下载)"); }
inline QString 跳过文件存在() { return QStringLiteral("跳过(文件存在)"); }
inline QString 成功() { return QStringLiteral("成功"); }
inline QString 无pdf() { return QStringLiteral("无pdf"); }
inline QString 失败下载() { return QStringLiteral("失败(下载)"); }
inline QString 失败() { return QStringLiteral("失败"); }

// The progress panel's label during a run.
inline QString progressLabel() { return QStringLiteral("正在分析下载,请稍候..."); }

// Messages.
inline QString listEmpty() { return QStringLiteral("列表没有数据哦！"); }
inline QString stopFirst() { return QStringLiteral("正在工作，请停止后执行此功能！"); }
inline QString busyTryLater() { return QStringLiteral("正在工作，请稍后再试！"); }
inline QString analysisRunning() { return QStringLiteral("正在分析，请稍候再试！"); }
} // namespace AnalysisText
