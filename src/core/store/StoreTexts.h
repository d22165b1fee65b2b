#pragma once

#include <QString>

// The stores' user-visible texts, in one place.
namespace StoreTexts {
// The visited-address database could not record an address (%1: its file, %2: the reason).
inline const QString kVisitedWriteFailed = QStringLiteral("访问记录数据库写入出错（%1）：%2");
// The visited-address database could not be opened (%1: the reason); the run goes on without it.
inline const QString kVisitedUnusable = QStringLiteral("访问记录数据库无法使用：%1");
// The settings file does not parse cleanly (%1: the file, %2: its lines at fault).
inline const QString kSettingsFileFaulty = QStringLiteral(
    "设置文件 %1 第 %2 行有误，这些行未被读取（按默认值）；文件保持原样，修正之前本次的设置更改不会保存。");

// Why a line of the settings file is passed over.
inline const QString kIniQuoteUnclosed =
    QStringLiteral("a quote (\") that is not closed, which would read the lines after it into this value");
inline const QString kIniLineJoined =
    QStringLiteral("it ends in a backslash, which would read the next line into this value");
inline const QString kIniSectionUnclosed = QStringLiteral("a section name without its closing ]");
inline const QString kIniNotAKey = QStringLiteral("neither a key=value, a [section] nor a ; comment");
} // namespace StoreTexts
