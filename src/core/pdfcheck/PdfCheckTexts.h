#pragma once

#include <QString>

// The verdicts the check of a saved PDF shows in the download list.
namespace PdfCheckTexts {
inline const QString k完好 = QStringLiteral("完好");
inline const QString k损坏 = QStringLiteral("损坏");
inline const QString k加密 = QStringLiteral("加密");
inline const QString k非PDF = QStringLiteral("非PDF");
inline const QString k疑似他文 = QStringLiteral("疑似他文");
inline const QString k未检查 = QStringLiteral("未检查");
// The folder inside a save folder that the batch moves suspicious files into.
inline const QString k待核对 = QStringLiteral("待核对");
// 完好 with the page count.
inline const QString k完好页数 = QStringLiteral("完好（%1页）");
} // namespace PdfCheckTexts
