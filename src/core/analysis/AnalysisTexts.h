#pragma once

#include <QString>

// The words and messages of the link analysis, as the user sees them.
namespace AnalysisText {
// Row statuses.
inline const QString 正在分析 = QStringLiteral("正在分析");
inline const QString 正在分析下层 = QStringLiteral("正在分析下层");
inline const QString 跳过曾经下载 = QStringLiteral("跳过(曾经下载)");
inline const QString 跳过文件存在 = QStringLiteral("跳过(文件存在)");
inline const QString 成功 = QStringLiteral("成功");
inline const QString 无pdf = QStringLiteral("无pdf");
inline const QString 失败下载 = QStringLiteral("失败(下载)");
inline const QString 失败 = QStringLiteral("失败");

// The progress panel's label during a run.
inline const QString progressLabel = QStringLiteral("正在分析下载,请稍候...");

// A run asked for while another is active.
inline const QString analysisRunning = QStringLiteral("正在分析，请稍候再试！");
} // namespace AnalysisText
