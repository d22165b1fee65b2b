#pragma once

#include "core/search/SearchTexts.h"

#include <QString>

// The words and messages of the link analysis, as the user sees them.
namespace AnalysisText {
// Row statuses: the result list's, which the analysis writes.
using SearchTexts::失败;
using SearchTexts::失败下载;
using SearchTexts::成功;
using SearchTexts::无pdf;
using SearchTexts::正在分析;
using SearchTexts::正在分析下层;
using SearchTexts::跳过文件存在;
using SearchTexts::跳过曾经下载;

// The progress panel's label during a run.
inline const QString progressLabel = QStringLiteral("正在分析下载,请稍候...");

// A run asked for while another is active.
inline const QString analysisRunning = QStringLiteral("正在分析，请稍候再试！");

// The proxy state in the status bar (followed by the proxy's address) and the complaint about a bad proxy list.
inline const QString proxyInUse = QStringLiteral("目前IP代理：");
inline const QString noProxy = QStringLiteral("目前IP代理：未使用代理");
inline const QString badProxyList = QStringLiteral("你的IP代理设置有问题，请完善！");
} // namespace AnalysisText
