#pragma once

#include "core/search/SearchTexts.h"

#include <QString>

// The words and messages of the link analysis, as the user sees them.
namespace AnalysisTexts {
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
inline const QString kProgressLabel = QStringLiteral("正在分析下载,请稍候...");

// The run ended because the service kept withholding the rows' pages (the address is the last row's).
inline const QString kServiceVerification =
    QStringLiteral("百度学术要求安全验证，分析已停止：请在浏览器中打开下面的网址完成验证，再重新分析。\n网址：%1");
inline const QString kServiceRefused =
    QStringLiteral("百度学术拒绝了请求（%1），分析已停止：请稍后再重新分析。\n网址：%2");
// A row's page is asked for again after the service said 429 or 503 (%1 seconds, %2 this row's retry, %3 the
// retries so far, %4 the address).
inline const QString kRetryWaiting = QStringLiteral("百度学术要求放慢速度，%1秒后重试（第%2次，共重试%3次）：%4");

// A run asked for while another is active.
inline const QString kAnalysisRunning = QStringLiteral("正在分析，请稍候再试！");

// The proxy state in the status bar (followed by the proxy's address) and the complaint about a bad proxy list.
inline const QString kProxyInUse = QStringLiteral("目前IP代理：");
inline const QString kNoProxy = QStringLiteral("目前IP代理：未使用代理");
inline const QString kBadProxyList = QStringLiteral("你的IP代理设置有问题，请完善！");
} // namespace AnalysisTexts
